#ifndef K_BUILDERTHREAD_H
#define K_BUILDERTHREAD_H

#include <QAtomicInt>
#include <QMap>
#include <QString>
#include <QThread>

class K_FlightSimulatorTile;
class K_FormMain;
class QMutex;

using K_TileMap = QMap<QString, K_FlightSimulatorTile *>;

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
// "Break." or "Converting complete." is always the last log line of a run that got past the
// folder checks.
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
    };

    // Takes the snapshot through the window's accessors; the window becomes the parent.
    K_BuilderThread(K_FormMain *form, K_TileMap *sourceTiles, K_TileMap *destinationTiles);
    K_BuilderThread(const Settings &settings, K_TileMap *sourceTiles, K_TileMap *destinationTiles,
                    QMutex *mutex, bool *breakFlag, QObject *parent = nullptr);
    ~K_BuilderThread() override;

    // The snapshot, folders trimmed and ending in the native separator.
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

    // Lines logged through appendLog() so far (broken tiles, save errors, a missing folder).
    int problemsCount() const;

signals:
    void progressTextChanged(const QString &progressText);
    void progressBarValueChanged(int value);
    void appendLogText(const QString &logText);

protected:
    void run() override;

private:
    bool scan();
    void group();
    void buildAll();

    K_TileMap *sourceTiles;
    K_TileMap *destinationTiles;
    QString sourceFolder;
    QString destinationFolder;
    int bglLod;
    int compressionQuality;
    bool singleDestinationImage;
    bool passCompletelyTransparentTiles;
    bool passBrokenTiles;
    bool verticalMirrorSourceTiles;
    bool convertSeasons;
    bool skipConverted;
    qint64 tilesCounter = 0;
    qint64 processedTilesCounter = 0;
    QMutex *mutex;
    bool *breakFlag;

    QString typedSourceFolder;
    QString typedDestinationFolder;
    QAtomicInt problems;
};

#endif // K_BUILDERTHREAD_H
