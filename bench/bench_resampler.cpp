// The resampler step: 64 destination tiles (one tile each, BGL LOD 11) converted with the
// resampler's stand-in taking a fixed 0.5 s per .inf file, two at once, beside the same
// conversion without the resampler; then ORVIK's own cost per resampler run: the step with a
// stand-in that waits for nothing, one at a time, beside starting the stand-in on the same .inf
// files directly. Everything lies in a memory file system where there is one.

#include "engine/k_builderthread.h"

#include "benchrun.h"
#include "benchtiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Destinations = 64;

// Seconds a run takes, and how many BGL files it made.
double convert(const K_BuilderThread::Settings &settings, int *made)
{
    return timeConversion(settings, {},
                          [made](const K_BuilderThread &thread) { *made = thread.bglFilesMade(); });
}

// Starts the stand-in on every .inf file of `folder` in turn, as a bare loop would.
double startDirectly(const QString &folder)
{
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.inf")});
    QElapsedTimer timer;
    timer.start();
    for (const QString &file : files) {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start(QStringLiteral(ORVIK_STANDIN_PATH), {file});
        process.waitForFinished(-1);
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir source(scratchTemplate(QStringLiteral("bench_resampler")));
    QTemporaryDir work(scratchTemplate(QStringLiteral("bench_resampler_out")));
    QStringList keys
            = K_TileBitmapWriter::keysUnder(QStringLiteral("0123012301"), 13).mid(0, Destinations);
    for (QString &key : keys)
        key += QStringLiteral("00");
    writeTileSet(source.path(), keys);

    K_BuilderThread::Settings settings{source.path(), work.filePath(QStringLiteral("plain")), 11};
    int made = 0;
    const double plain = convert(settings, &made);
    settings.destinationFolder = work.filePath(QStringLiteral("slow"));
    settings.resampler = QStringLiteral(ORVIK_STANDIN_PATH);
    settings.resamplerJobs = 2;
    qputenv("ORVIK_STANDIN_DELAY_MS", "500");
    const double slow = convert(settings, &made);
    std::printf("%d destination tiles, stand-in 0.5 s each, 2 at once: %.2f s with the "
                "resampler (%d BGL files), %.2f s without; expected about %.1f s more\n",
                Destinations, slow, made, plain, Destinations * 0.5 / 2);

    qunsetenv("ORVIK_STANDIN_DELAY_MS");
    settings.destinationFolder = work.filePath(QStringLiteral("fast"));
    settings.resamplerJobs = 1;
    const double fast = convert(settings, &made);
    const double direct = startDirectly(settings.destinationFolder);
    std::printf("per resampler run, one at a time: %.1f ms in ORVIK's step 3, %.1f ms started "
                "directly; ORVIK's own cost %.1f ms\n",
                (fast - plain) * 1000 / Destinations, direct * 1000 / Destinations,
                (fast - plain - direct) * 1000 / Destinations);
    return made == Destinations ? 0 : 1;
}
