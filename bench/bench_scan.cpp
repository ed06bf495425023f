// Scanning and grouping at scale: a folder of many tile files spread over many destination
// tiles. The files are tiny (only their names matter here); the run is stopped as step 2 begins,
// so the figures are those of listing the folder, creating the tiles and building the trees.

#include "engine/k_builderthread.h"
#include "tiles/k_flightsimulatortile.h"

#include "benchmemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// The i-th of `count` keys: spread over every region and quadrant, not one dense square.
QString keyOf(quint32 i)
{
    static const char *regions[] = {"00", "01", "10", "02", "03", "12"};
    quint32 mixed = i * 2654435761u;
    QString key = QLatin1String(regions[i % 6]);
    for (int level = 0; level < 13; ++level) {
        key += QLatin1Char(char('0' + (mixed & 3)));
        mixed = (mixed >> 2) | (mixed << 30);
        if (level == 6)
            mixed ^= i;
    }
    return key;
}

void runCase(int files, int bglLod)
{
    QTemporaryDir source;
    QTemporaryDir destination;
    for (int i = 0; i < files; ++i) {
        QFile file(source.filePath(keyOf(quint32(i)) + QStringLiteral("SU.BMP")));
        file.open(QIODevice::WriteOnly);
    }

    K_BuilderThread::Settings settings;
    settings.sourceFolder = source.path();
    settings.destinationFolder = destination.path();
    settings.bglLod = bglLod;
    QMutex mutex;
    bool breakFlag = false;
    K_TileMap sourceTiles;
    K_TileMap destinationTiles;
    double seconds = 0;
    int tiles = 0;
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    {
        K_BuilderThread thread(settings, &sourceTiles, &destinationTiles, &mutex, &breakFlag);
        QObject::connect(
                &thread, &K_BuilderThread::progressTextChanged, &thread,
                [&](const QString &text) {
                    if (text != K_BuilderThread::tr("Step 2 of 2. Build images..."))
                        return;
                    seconds = timer.nsecsElapsed() / 1e9;
                    tiles = thread.tilesCount();
                    QMutexLocker locker(&mutex);
                    breakFlag = true;
                },
                Qt::DirectConnection);
        thread.start();
        thread.wait();
    }
    const double peak = peakMiB();
    qDeleteAll(destinationTiles);
    std::printf("%7d files, BGL LOD %2d: %6d destination tiles, %7d tile objects, scan and "
                "group %6.3f s, peak %5.0f MiB\n",
                files, bglLod, int(destinationTiles.size()), tiles, seconds, peak);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int largest = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    for (int files = largest / 100; files <= largest; files *= 10)
        runCase(files, 8);
    runCase(largest, 4);
    return 0;
}
