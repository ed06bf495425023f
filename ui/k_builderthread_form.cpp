#include "engine/k_builderthread.h"

#include "ui/k_formmain.h"

namespace {

K_BuilderThread::Settings snapshotOf(const K_FormMain *form)
{
    K_BuilderThread::Settings settings;
    settings.sourceFolder = form->sourceFolder();
    settings.destinationFolder = form->destinationFolder();
    settings.bglLod = form->bglLod();
    settings.compressionQuality = form->compressionQuality();
    settings.singleDestinationImage = form->singleDestinationImage();
    settings.passCompletelyTransparentTiles = form->passCompletelyTransparentTiles();
    settings.passBrokenTiles = form->passBrokenTiles();
    settings.verticalMirrorSourceTiles = form->verticalMirrorSourceTiles();
    settings.convertSeasons = form->convertSeasons();
    settings.skipConverted = form->skipConverted();
    if (form->runResampler()) {
        settings.resampler = form->resampler();
        settings.resamplerJobs = form->resamplerJobs();
    }
    return settings;
}

} // namespace

K_BuilderThread::K_BuilderThread(K_FormMain *form, K_TileMap *sourceTiles,
                                 K_TileMap *destinationTiles)
    : K_BuilderThread(snapshotOf(form), sourceTiles, destinationTiles, form->mutex(),
                      form->breakFlag(), form)
{ }
