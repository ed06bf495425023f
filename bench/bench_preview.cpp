// The preview map of the 4,096-tile LOD 8 set (four full destination tiles of DXT1 tiles) against
// decoding those tiles once with the tile bitmap reader, with the preview's peak resident memory;
// and the cost of a run that skips destination tiles already converted, against the conversion
// that made them. Files live in a memory file system where there is one, in the page cache like a
// second run over a folder.
// With a folder argument the 4,096 tiles are written there and kept, for looking at the preview.

#include "engine/k_builderthread.h"
#include "engine/k_previewthread.h"
#include "tiles/k_flightsimulatorbmpreader.h"

#include "benchmemory.h"
#include "benchrun.h"
#include "benchtiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double seconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}

double convert(const QString &source, const QString &destination, int bglLod, bool skip)
{
    K_BuilderThread::Settings settings{source, destination, bglLod};
    settings.skipConverted = skip;
    return timeConversion(settings);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work(scratchTemplate(QStringLiteral("bench_preview")));
    const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1]) : work.filePath("source");
    QDir().mkpath(source);
    QStringList four;
    for (int digit = 0; digit < 4; ++digit)
        four << QStringLiteral("012301230") + QString::number(digit);
    const QStringList files = writeTileSet(source, four);

    // The best of three, the figure least disturbed by the rest of the machine.
    double decode = 1e9;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (const QString &file : files) {
            K_FlightSimulatorBMPReader reader(file);
            reader.read();
        }
        decode = qMin(decode, seconds(timer));
    }
    double preview = 1e9;
    double peak = 0;
    for (int round = 0; round < 3; ++round) {
        resetPeak();
        QElapsedTimer timer;
        timer.start();
        K_PreviewThread thread({source, 8, QString()});
        thread.start();
        thread.wait();
        const QImage png = thread.picture(K_PreviewThread::scaleFor(thread.layout().size));
        png.save(work.filePath("map.png"));
        preview = qMin(preview, seconds(timer));
        peak = qMax(peak, peakMiB());
    }
    std::printf("preview of %lld tiles: %.3f s (decoding them once %.3f s, ratio %.2f), "
                "peak resident %.1f MiB\n",
                qlonglong(files.size()), preview, decode, preview / decode, peak);

    // Skipping: 1,024 tiles at BGL LOD 11 give 64 destination tiles of 16 tiles each.
    const QString small = work.filePath("small");
    QDir().mkpath(small);
    writeTileSet(small, {four.first()});
    const QString output = work.filePath("output");
    const double full = convert(small, output, 11, false);
    const double skipped = convert(small, output, 11, true);
    std::printf("64 destination tiles: converting %.3f s, skipping them all %.3f s "
                "(%.2f ms each, scan and grouping included)\n",
                full, skipped, skipped * 1000 / 64);
    return 0;
}
