// Output of a destination tile: its TIFF pictures and the .inf file that tells the resampler
// where each picture lies on the globe.

#include "k_flightsimulatortile.h"

#include "engine/k_builderthread.h"
#include "k_checkedsavefile.h"
#include "k_geotiffwriter.h"
#include "k_resamplefile.h"

#include <QDir>

bool K_FlightSimulatorTile::build(K_BuilderThread *thread, QString destinationFolder,
                                  int compressionQuality, bool singleDestinationImage,
                                  bool passCompletelyTransparentTiles, bool passBrokenTiles,
                                  bool verticalMirrorSourceTiles,
                                  const QVector<K_FlightSimulatorTile *> &otherVariants,
                                  QByteArray *resampleFileContents)
{
    const QString imageFolder = destinationFolder + QLatin1String("Source") + QDir::separator()
                                + m_key + QDir::separator();
    // Each variant is assembled on its own into its own records, so its pictures depend on its
    // tiles alone and the .inf lists it in variant order.
    QVector<ResampleSources> sources(VariantCount);
    QVector<K_FlightSimulatorTile *> trees{this};
    trees += otherVariants;
    bool anySaved = false;
    for (K_FlightSimulatorTile *tree : qAsConst(trees)) {
        ResampleSources &own = sources[tree->m_variant];
        const QImage image = tree->assembleImage(thread, imageFolder, singleDestinationImage,
                                                 passCompletelyTransparentTiles, passBrokenTiles,
                                                 verticalMirrorSourceTiles, own);
        if (!image.isNull())
            tree->saveImage(thread, imageFolder, image, own);
        anySaved = anySaved || !own.isEmpty();
    }

    bool built = false;
    if (!thread->isBreak() && anySaved) {
        const QByteArray contents = K_ResampleFile::contents(
                m_key, imageFolder, destinationFolder, compressionQuality, sources, m_south >= 0.0);
        const QString path = destinationFolder + m_key + QLatin1String(".inf");
        QString reason;
        if (K_ResampleFile::write(path, contents, &reason)) {
            if (resampleFileContents)
                *resampleFileContents = contents;
        } else {
            thread->appendLog(tr("Tile \"%1\" .inf create error.").arg(m_key));
            thread->reportWriteFailure(path, reason);
        }
        built = true;
    }
    for (ResampleSources &own : sources)
        clearSources(own);
    return built;
}

void K_FlightSimulatorTile::saveImage(K_BuilderThread *thread, const QString &folder,
                                      const QImage &image, ResampleSources &sources)
{
    if (thread->isBreak())
        return;
    // A folder that cannot be made shows as a failed save, with the reason why.
    QString folderError;
    K_CheckedSaveFile::makeFolder(folder, &folderError);

    const QString fileName = pictureFileName();
    const QString path = folder + fileName;
    // Written beside the final name and renamed only when complete, so a full disk never leaves
    // a truncated picture and never destroys an older one.
    K_CheckedSaveFile file(path);
    QString tiffError;
    // Unbuffered: libtiff hands over whole strips, which a buffer would only copy once more.
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const bool written = opened && writeGeoTiff(&file, image, m_west, m_north, &tiffError);
    // A picture the writer gave up on is never committed, however much of it reached the disk.
    const bool committed = written && file.finish();
    if (!committed) {
        // The system's reason comes first; libtiff speaks only of what it refused itself.
        const QString reason
                = !opened && !folderError.isEmpty() ? folderError
                  : opened && !written && !file.hasWriteFailed() && !tiffError.isEmpty()
                          ? tiffError
                          : file.failureReason();
        thread->appendLog(tr("Tile \"%1\" save error.").arg(variantKey()));
        thread->reportWriteFailure(path, reason);
        return;
    }
    thread->recordPicture(path);

    auto *source = new ResampleSource;
    source->baseName = fileName.chopped(4);
    source->ulx = m_west;
    source->uly = m_north;
    delete sources.value(m_key);
    sources.insert(m_key, source);
}

void K_FlightSimulatorTile::clearSources(ResampleSources &sources)
{
    qDeleteAll(sources);
    sources.clear();
}
