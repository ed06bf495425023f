#ifndef K_CONVERSIONTEXTS_H
#define K_CONVERSIONTEXTS_H

#include <QCoreApplication>
#include <QString>

#include <utility>

// How a conversion's figures are put into words, the same in the log, the window and the console:
// the system's reasons, sizes, durations, the time left and the summary at the end of a run. The
// texts are the builder's, in its translation context. Plain functions, safe on any thread.
class K_ConversionTexts
{
    Q_DECLARE_TR_FUNCTIONS(K_BuilderThread)

public:
    // The system's reason for a failure, to be followed by the line's own full stop: Windows ends
    // its messages in one already.
    static QString reasonText(const QString &reason);
    // A size in bytes as the log and the summary show it, kept on one line where they wrap.
    static QString sizeText(qint64 bytes);
    // Two sizes that differ, with as many digits as it takes to show it.
    static std::pair<QString, QString> sizeTexts(qint64 first, qint64 second);
    // "4:05", or "1:02:03" from an hour on.
    static QString durationText(qint64 seconds);
    // "4:05 left".
    static QString timeLeftText(qint64 seconds);

    // Time left in a step that is `fraction` done after `elapsedMs`: the time so far, scaled to
    // what remains. -1 while nothing is done.
    static qint64 secondsLeft(double fraction, qint64 elapsedMs);

    struct Figures
    {
        bool stopped = false;
        int destinationTiles = 0;
        int pictures = 0;
        qint64 bytes = 0;
        int problems = 0;
        int bglFiles = -1; // -1: the resampler was not run
        qint64 milliseconds = 0;
    };
    // One line for the end of a run: tiles and pictures written, their size, problems, time, and
    // whether the run was stopped.
    static QString summary(const Figures &figures);
};

#endif // K_CONVERSIONTEXTS_H
