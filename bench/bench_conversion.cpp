// Whole conversions on generated tile sets: one full destination tile at BGL LOD 8 (1,024 DXT1
// tiles, one 8192x8192 picture) and four of them (4,096 tiles). Reports seconds, tiles per
// second and peak resident memory, beside the floor: squish::DecompressImage alone on all the
// blocks in memory plus writing as many bytes as the output holds with one write, the fastest of
// three. Outputs go to a memory file system where there is one, so disk noise does not decide.

#include "engine/k_builderthread.h"
#include "tiles/k_flightsimulatortile.h"

#include "benchmemory.h"
#include "benchtiles.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>

#include <squish.h>

#include <cstdio>
#include <vector>

namespace {

qint64 bytesBelow(const QString &folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

void runCase(const char *name, const QStringList &destinations)
{
    QTemporaryDir source;
    QTemporaryDir destination(scratchTemplate(QStringLiteral("bench_conversion")));
    const int tiles = int(writeTileSet(source.path(), destinations).size());
    const QVector<QByteArray> &blocks = tileBlocks();

    // Warm the page cache the way a second run over the same folder would find it.
    QDirIterator warm(source.path(), QDir::Files);
    while (warm.hasNext()) {
        QFile file(warm.next());
        if (file.open(QIODevice::ReadOnly))
            file.readAll();
    }

    K_BuilderThread::Settings settings;
    settings.sourceFolder = source.path();
    settings.destinationFolder = destination.path();
    QMutex mutex;
    bool breakFlag = false;
    K_TileMap sourceTiles;
    K_TileMap destinationTiles;
    resetPeak();
    const double start = peakMiB();
    QElapsedTimer timer;
    timer.start();
    {
        K_BuilderThread thread(settings, &sourceTiles, &destinationTiles, &mutex, &breakFlag);
        thread.start();
        thread.wait();
        if (thread.problemsCount() != 0)
            std::printf("  (%d problems logged)\n", thread.problemsCount());
    }
    qDeleteAll(destinationTiles);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double peak = peakMiB();
    const qint64 outputBytes = bytesBelow(destination.path());

    // The floor: decoding every tile's blocks in memory, then one write of the output's size.
    std::vector<squish::u8> rgba(256 * 256 * 4);
    timer.restart();
    for (int i = 0; i < tiles; ++i)
        squish::DecompressImage(rgba.data(), 256, 256, blocks.at(i % blocks.size()).constData(),
                                squish::kDxt1);
    const double decodeSeconds = timer.nsecsElapsed() / 1e9;
    std::vector<char> output(size_t(outputBytes), 1);
    double writeSeconds = 0;
    for (int run = 0; run < 3; ++run) {
        QFile::remove(destination.filePath(QStringLiteral("floor.bin")));
        timer.restart();
        {
            QFile file(destination.filePath(QStringLiteral("floor.bin")));
            if (file.open(QIODevice::WriteOnly))
                file.write(output.data(), qint64(output.size()));
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        writeSeconds = run == 0 ? seconds : qMin(writeSeconds, seconds);
    }
    const double floor = decodeSeconds + writeSeconds;

    std::printf("%-26s %5d tiles %6.3f s %6.0f tiles/s peak %4.0f MiB (%.0f before the run) | "
                "floor %.3f s (decode %.3f + write %.3f) | ratio %.2f\n",
                name, tiles, seconds, tiles / seconds, peak, start, floor, decodeSeconds,
                writeSeconds, seconds / floor);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString destination = QStringLiteral("0123012301");
    runCase("LOD 8, one destination", {destination});
    QStringList four;
    for (int digit = 0; digit < 4; ++digit)
        four << destination.left(9) + QString::number(digit);
    runCase("LOD 8, four destinations", four);
    return 0;
}
