#ifndef K_RECORDKEEPER_H
#define K_RECORDKEEPER_H

#include "engine/k_builderthread.h"
#include "engine/k_conversionrecord.h"
#include "engine/k_destinationtrees.h"
#include "tiles/k_platform.h"

#include <QCoreApplication>
#include <QStringList>
#include <QVector>

#include <utility>

// What building one destination tile gave.
struct K_DestinationBuild
{
    using Sources = QVector<std::pair<QString, K_Platform::FileStamp>>;

    bool saved = false; // at least one picture saved, and not broken off
    bool brokenOff = false;
    bool failed = false; // a picture or the .inf could not be written
    bool sourcesRead = true; // every tile read, or refused for its own bytes
    QByteArray resampleFile; // what the .inf holds, when it was written
    Sources sources; // each source tile's file name and state when it was read
    QStringList pictures; // the paths of the pictures written
};

// A destination tile for the resampler: its key, the SHA-1 of its .inf file and the bytes of its
// pictures.
struct K_ResampleJob
{
    QString key;
    QByteArray resampleFile;
    qint64 pictureBytes = 0;
};

// What a run asks of the record of finished destination tiles, and tells it, destination by
// destination, and what it tidies after each. A destination is left alone only when its settings,
// its tiles (each as it was when it was read: name, size, times and identity) and its files (the
// .inf's SHA-1, each picture's size and modification time) are all what the record holds. Its
// entry is withdrawn just before its files are touched and recorded again only when its .inf and
// every picture were written from tiles that could all be read (a tile broken in its own bytes
// stays broken until it changes). After that, the pictures of its earlier build that this one did
// not write are removed; a destination that yields no picture now loses its earlier .inf and
// pictures. Only files the record proves ours are removed. Used by the builder thread alone.
class K_RecordKeeper
{
    Q_DECLARE_TR_FUNCTIONS(K_BuilderThread)

public:
    using Build = K_DestinationBuild;
    using Sources = K_DestinationBuild::Sources;

    explicit K_RecordKeeper(const K_BuilderThread::Settings &settings);

    // Reads the record in `folder`, named as the .inf files name it; `problem` says why a record
    // there cannot be used.
    void load(const QString &folder, QString *problem);
    bool isConverted(const K_DestinationTrees::Group &trees) const;

    // Before the files of destination `key` are touched.
    void begin(K_BuilderThread *thread, const QString &key);
    // As soon as destination `trees` is built: records it, when it may be.
    void remember(K_BuilderThread *thread, const K_DestinationTrees::Group &trees,
                  const Build &build);
    // Then removes what its earlier build left that this one replaced.
    void tidy(K_BuilderThread *thread, const K_DestinationTrees::Group &trees, const Build &build);
    // At the end of the run.
    void end(K_BuilderThread *thread);

    // What the resampler is given for destination `key`: from its `build` in this run, or, with
    // none, from the record, as it was skipped as converted.
    K_ResampleJob resampleJob(const QString &key, const Build *build) const;
    QString bglPath(const QString &key) const;
    // Whether the record shows the BGL file of `job` made from this very .inf, unchanged since.
    bool hasBgl(const K_ResampleJob &job) const;
    // Around each resampler run: the BGL file as it is before, then made or not.
    K_Platform::FileStamp beginBgl(K_BuilderThread *thread, const QString &key);
    void madeBgl(K_BuilderThread *thread, const K_ResampleJob &job);
    void endBgl(K_BuilderThread *thread, const QString &key);
    // Removes what the resampler runs of a killed program had begun to write: a BGL file changed
    // since its run began.
    void removeInterruptedBgls(K_BuilderThread *thread);

private:
    // Whether the build went through, from tiles that could all be read.
    static bool isRecordable(const Build &build);
    QString picturePath(const QString &key, const QString &name) const;
    int removeEarlierPictures(const QString &key, const QStringList &kept) const;
    void removeEarlierBuild(K_BuilderThread *thread, const QString &key);
    void reportFailure(K_BuilderThread *thread, bool written, const QString &reason);

    K_BuilderThread::Settings m_settings;
    QString m_folder;
    QByteArray m_recipe;
    K_ConversionRecord m_record;
    K_ConversionRecord::Entry m_earlier;
    qint64 m_begunAt = 0;
    bool m_failed = false;
};

#endif // K_RECORDKEEPER_H
