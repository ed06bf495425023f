#ifndef K_DESTINATIONFOLDER_H
#define K_DESTINATIONFOLDER_H

#include "engine/k_destinationtrees.h"

#include <QCoreApplication>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class K_BuilderThread;
class K_RecordKeeper;
class QLockFile;

// What a conversion makes sure of in its destination folder before it reads the first tile: that
// the .inf files can name it, that it takes files, that a killed run's temporaries are gone, what
// the record of finished destination tiles holds, which other .inf files lie there, and that the
// pictures will fit. Used by the builder thread alone, once per run; it sees
// the folder as it is at the time of the call. The texts are the builder's, in its translation
// context.
//
// Names are matched by plain string work, never by name filters or regular expressions: those
// leave a thread-local cache in the worker thread, on which the MinGW runtime can deadlock when
// the program ends.
class K_DestinationFolder
{
    Q_DECLARE_TR_FUNCTIONS(K_BuilderThread)

public:
    // `folder` is absolute and ends in the native separator; `typed` is the folder as the user
    // typed it, which is how the log names it.
    K_DestinationFolder(const QString &folder, const QString &typed);
    // Lets go of the folder, and removes the folders this run made for it and left empty.
    ~K_DestinationFolder();

    // Logs through `thread` what it finds. A folder that the .inf files cannot name (a double
    // quote, or characters outside the code page the resampler reads, where Windows keeps no
    // short form of it), that cannot be written, or that has less room than the pictures need,
    // ends the run with one problem line (false). A short form used, temporaries removed and other
    // .inf files are told as information. `record` is read from the folder, and `converted`
    // marks the destinations of `groups` that it shows finished, with `skipConverted`.
    bool prepare(K_BuilderThread *thread, const QVector<K_DestinationTrees::Group> &groups,
                 bool skipConverted, bool singleDestinationImage, K_RecordKeeper *keeper,
                 QVector<bool> *converted);

    // The folder as the .inf files name it: the absolute folder, or its short form.
    QString folder() const;

private:
    bool nameForResampler(K_BuilderThread *thread);
    // Takes the folder for this run: false, said, when another run holds it; true when this run
    // has it, or cannot have it, which `reason` then says why.
    bool lock(K_BuilderThread *thread, QString *reason);
    // The short form of the folder, made if missing, when it has one that the .inf files can
    // name; empty otherwise, and then the folders made for it are gone again.
    QString shortFormOfFolder() const;
    bool fits(K_BuilderThread *thread, const QVector<K_DestinationTrees::Group> &groups,
              const QVector<bool> &converted, bool singleDestinationImage) const;

    // Writes a small probe file into the folder, which the lock made, and removes it again.
    // False, with the system's reason, when that fails.
    bool probeWritable(QString *reason) const;

    // Removes the temporary files that a run killed while writing left behind (a file is written
    // beside its final name, as "<name>.orvik-tmp-XXXXXX", and renamed when complete; where the
    // system has files without a name, only the moment of the rename can leave one). Only such
    // files of our pictures in "Source/<key>/", of .inf files named by a key, of the record of
    // converted tiles and of the probe count. Returns how many were removed.
    int removeStaleTemporaries() const;

    // The .inf files directly in the folder whose names are not one of `keys` + ".inf".
    QStringList otherResampleFiles(const QSet<QString> &keys) const;

    // Reads the record of finished destination tiles and marks the destinations it shows
    // finished, with `skipConverted`; names .inf files of other runs.
    void loadRecord(K_BuilderThread *thread, const QVector<K_DestinationTrees::Group> &groups,
                    bool skipConverted, K_RecordKeeper *keeper, QVector<bool> *converted) const;
    // The most bytes that converting the destinations of `groups` not yet `converted` can take
    // on a file system of blocks of `blockSize` bytes (0: not known).
    qint64 roomNeeded(const QVector<K_DestinationTrees::Group> &groups,
                      const QVector<bool> &converted, bool singleDestinationImage,
                      qint64 blockSize) const;
    // The most bytes of the .inf file of a destination of `trees`.
    qint64 resampleFileRoom(const K_DestinationTrees::Group &trees) const;

    QString m_folder;
    QString m_shown;
    std::unique_ptr<QLockFile> m_lock;
    QStringList m_created;
};

#endif // K_DESTINATIONFOLDER_H
