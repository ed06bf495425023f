#ifndef K_BUILDERTHREAD_H
#define K_BUILDERTHREAD_H

#include "engine/k_destinationtrees.h"
#include "tiles/k_platform.h"

#include <QAtomicInt>
#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QThread>
#include <QVector>

class K_FormMain;
class K_RecordKeeper;
struct K_DestinationBuild;
struct K_ResampleJob;
class QMutex;

// Runs one conversion on its own thread: scans the source folder for FS9 tile bitmaps, groups
// them under destination tiles of the chosen level and builds each destination tile's TIFF
// pictures and .inf file, in key order. When seasons are converted, the tiles of every variant
// but summer sit in both maps under their key followed by the variant's letters (variantKey()),
// each variant in trees of its own.
//
// The constructor runs in the creating (GUI) thread and copies every setting, so run() touches
// no widget. While run() is active it alone writes the two tile maps; the owner reads and frees
// them only after finished(). The only shared state is the break flag, read under `mutex`.
// Results leave through the three signals, emitted in the worker thread in this order per event;
// "Break." or "Converting complete." is the last log line of a run that found tiles to convert.
// The tile counters and progress() may be read from any thread while run() is active; the
// written figures and summary() only after finished().
class K_BuilderThread : public QThread
{
    Q_OBJECT

public:
    // The conversion's choices as one plain value; folders are taken as typed.
    struct Settings
    {
        QString sourceFolder;
        QString destinationFolder;
        int bglLod = 8;
        int compressionQuality = 95;
        bool singleDestinationImage = false;
        bool passCompletelyTransparentTiles = true;
        bool passBrokenTiles = true;
        bool verticalMirrorSourceTiles = false;
        // Also the spring, fall, winter, hard winter and night tiles, as extra sources of the
        // same .inf files; without it only summer tiles are read.
        bool convertSeasons = false;
        // Destination tiles that a former run into the same folder finished are left alone.
        bool skipConverted = false;
        // The program run on each .inf file written or already converted, in a third step;
        // empty: none. Up to `resamplerJobs` run at once (0: half the cores), each for at most
        // `resamplerTimeLimitMs` (0: in proportion to its destination's pictures).
        QString resampler{};
        int resamplerJobs = 0;
        qint64 resamplerTimeLimitMs = 0;
    };

    // Takes the snapshot through the window's accessors; the window becomes the parent.
    K_BuilderThread(K_FormMain *form, K_TileMap *sourceTiles, K_TileMap *destinationTiles);
    K_BuilderThread(const Settings &settings, K_TileMap *sourceTiles, K_TileMap *destinationTiles,
                    QMutex *mutex, bool *breakFlag, QObject *parent = nullptr);
    ~K_BuilderThread() override;

    // The snapshot, folders trimmed and ending in the native separator, the destination absolute.
    Settings settings() const;

    // For the tile code, on the worker thread.
    int tilesCount() const;
    int processedTilesCount() const;
    void setProcessedTilesCount(int count);
    void reportProgress(int value);
    bool isBreak() const;
    void reportBreak();
    // Logs a problem: every line that comes through here counts in problemsCount().
    void appendLog(const QString &text);
    // Logs a line that informs rather than warns (a picture split for memory, a destination tile
    // already converted): it leaves problemsCount() and the exit code alone.
    void appendInfo(const QString &text);
    // Follows a save or .inf create error: the first of each reason in a run gets one more line
    // that names the file and gives the system's reason.
    void reportWriteFailure(const QString &filePath, const QString &reason);
    // Counts a source tile handled in step 2, for the tiles done that the front ends show.
    void countSourceTile();
    // Tells of a source tile read in step 2: how its file was when it was opened, and whether it
    // could not be read for a reason of its own rather than for what its bytes hold.
    void noteSourceTile(const K_FlightSimulatorTile &tile, const K_Platform::FileStamp &stamp,
                        bool unreadable);

    // For the resampler step: a destination tile done (`skipped` for a BGL file already made,
    // which takes no time), and a BGL file made.
    void countResampled(bool skipped);
    void countBgl();

    // Lines logged through appendLog() so far (broken tiles, save errors, a missing folder).
    int problemsCount() const;

    // Counts a picture written completely to `filePath`, with its size on disk.
    void recordPicture(const QString &filePath);
    // True when the run ended with "Converting complete.".
    bool isComplete() const { return complete.loadRelaxed() != 0; }
    // True when the run ended with "Break.".
    bool isBroken() const { return broken.loadRelaxed() != 0; }
    int destinationTilesWritten() const { return destinationTilesCounter.loadRelaxed(); }
    int picturesWritten() const { return picturesCounter.loadRelaxed(); }
    qint64 bytesWritten() const { return bytesCounter.loadRelaxed(); }
    int bglFilesMade() const { return bglCounter.loadRelaxed(); }
    // One line for the end of a run: tiles and pictures written, their size, problems, time, and
    // whether the run was stopped.
    QString summary() const;

    // Where the running conversion stands; `percent` is the step's last progress value.
    struct Progress
    {
        int step = 0; // 1 scanning, 2 building, 3 resampling, 0 before and after
        // Tiles found while scanning, source tiles done while building, destination tiles done
        // while resampling.
        qint64 tilesDone = 0;
        qint64 tilesTotal = -1; // of those, all the step has; -1 while scanning
        qint64 secondsLeft = -1; // -1 until some of the step is done
    };
    Progress progress(int percent) const;

signals:
    void progressTextChanged(const QString &progressText);
    void progressBarValueChanged(int value);
    void appendLogText(const QString &logText);

protected:
    void run() override;

private:
    void convert();
    void finish(const QString &lastLine);
    bool scan();
    // Builds or skips each destination of `groups`; gives those for the resampler.
    QVector<K_ResampleJob> buildAll(const QVector<K_DestinationTrees::Group> &groups,
                                    const QVector<bool> &converted, K_RecordKeeper &keeper,
                                    const QString &destinationFolder);
    bool buildOne(const K_DestinationTrees::Group &trees, K_RecordKeeper &keeper,
                  const QString &destinationFolder, K_ResampleJob *job);
    void skip(const K_DestinationTrees::Group &trees);
    void resampleAll(const QVector<K_ResampleJob> &jobs, K_RecordKeeper &keeper);
    // The text of a step, which counts three with the resampler.
    QString stepText(int number) const;

    // The snapshot, folders trimmed and ending in the native separator, the destination made
    // absolute; and the folders as typed, which is how the log names them.
    const Settings m_settings;
    const QString typedSourceFolder;
    const QString typedDestinationFolder;
    K_TileMap *sourceTiles;
    K_TileMap *destinationTiles;
    QMutex *mutex;
    bool *breakFlag;

    // Atomic so that a front end can show them while the worker writes them.
    QAtomicInteger<qint64> tilesCounter = 0;
    QAtomicInteger<qint64> processedTilesCounter = 0;
    // The source tiles of step 2, all variants, and those done; of those, the tiles of
    // destinations skipped as converted, which take no time.
    QAtomicInteger<qint64> sourceTilesCounter = 0;
    QAtomicInteger<qint64> processedSourceTilesCounter = 0;
    QAtomicInteger<qint64> skippedTilesCounter = 0;
    // The destination tiles of step 3, those done, and of those the ones skipped.
    QAtomicInteger<qint64> resampleCounter = 0;
    QAtomicInteger<qint64> resampledCounter = 0;
    QAtomicInteger<qint64> skippedResampleCounter = 0;
    QAtomicInt bglCounter = 0;
    QAtomicInt problems;
    int writeFailures = 0;
    QSet<QString> writeFailureReasons;
    // What the destination being built gave so far, while it is built.
    K_DestinationBuild *m_build = nullptr;

    // Started at construction and only read afterwards, so every thread may ask it.
    QElapsedTimer clock;
    QAtomicInt step = 0;
    QAtomicInteger<qint64> stepStartedMs = 0;
    // Atomic because the toolkit's wait for the worker is invisible to ThreadSanitizer.
    QAtomicInt destinationTilesCounter = 0;
    QAtomicInt picturesCounter = 0;
    QAtomicInteger<qint64> bytesCounter = 0;
    QAtomicInteger<qint64> runMs = 0;
    QAtomicInt complete = 0;
    QAtomicInt broken = 0;
};

#endif // K_BUILDERTHREAD_H
