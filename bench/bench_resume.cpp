// Resuming a large converted set: 46,848 tile bitmaps in all, the same 7,808 tiles in each of the
// six variants, converted at BGL LOD 8, then converted again with every destination tile skipped
// as already converted (listing, grouping, and proving each destination tile unchanged: every
// tile looked at, every .inf read, every picture looked at). The tiles lie in a memory file system
// where there is one; the pictures (about 11 GiB) in the usual temporary place.

#include "engine/k_builderthread.h"

#include "benchrun.h"
#include "benchtiles.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Seconds a run takes, and how many destination tiles it says it left alone.
double convert(const K_BuilderThread::Settings &settings, int *skipped)
{
    *skipped = 0;
    return timeConversion(settings, [skipped](const QString &line) {
        *skipped += line.endsWith(QLatin1String(" converted."));
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir source(scratchTemplate(QStringLiteral("bench_resume")));
    QTemporaryDir destination;
    // 4,096 + 3 x 1,024 + 2 x 256 + 2 x 64 tiles below four LOD 8 destination tiles.
    const QStringList prefixes{"012301230",   "0123012310",  "0123012311",   "0123012312",
                               "01230123130", "01230123131", "012301231320", "012301231321"};
    qsizetype bitmaps = 0;
    for (const char *letters : {"SU", "SP", "FA", "WI", "HW", "LM"})
        bitmaps += writeTileSet(source.path(), prefixes, QLatin1String(letters)).size();

    K_BuilderThread::Settings settings{source.path(), destination.path(), 8};
    settings.convertSeasons = true;
    int skipped = 0;
    const double full = convert(settings, &skipped);
    settings.skipConverted = true;
    double resumed = 1e9;
    // The best of three, the figure least disturbed by the rest of the machine.
    for (int round = 0; round < 3; ++round)
        resumed = qMin(resumed, convert(settings, &skipped));
    std::printf("%lld tile bitmaps, BGL LOD 8: converting %.1f s; resuming with all %d "
                "destination tiles skipped %.3f s\n",
                qlonglong(bitmaps), full, skipped, resumed);
    return 0;
}
