#ifndef K_DESTINATIONFOLDER_H
#define K_DESTINATIONFOLDER_H

#include <QSet>
#include <QString>
#include <QStringList>

// What a conversion learns about its destination folder before it writes into it, and the
// tidying up after a run that was killed. Plain functions for the builder thread; each sees the
// folder as it is at the time of the call. `folder` ends in the native separator.
//
// Names are matched by plain string work, never by name filters or regular expressions: those
// leave a thread-local cache in the worker thread, on which the MinGW runtime can deadlock when
// the program ends.
class K_DestinationFolder
{
public:
    // Creates the folder with its missing parents, writes a small probe file into it and removes
    // it again, then removes the folders it created, so that nothing shows until the first
    // picture is saved. False, with the system's reason, when any of that fails.
    static bool probeWritable(const QString &folder, QString *reason);

    // Bytes free for this user on the file system that holds the folder, or its nearest existing
    // parent; -1 when the system does not tell.
    static qint64 freeSpace(const QString &folder);

    // Bytes that the pictures in "Source/<key>/" take now.
    static qint64 picturesSize(const QString &folder, const QString &key);

    // The .inf files directly in the folder whose names are not one of `keys` + ".inf".
    static QStringList otherResampleFiles(const QString &folder, const QSet<QString> &keys);

    // Removes the temporary files that a run killed while writing left behind (a picture is
    // written beside its final name, as "<name>.tif.XXXXXX", and renamed when complete; on Linux
    // the system hides them, on Windows it cannot). Only such files of our pictures in
    // "Source/<key>/", of .inf files named by a key and of the record of converted tiles count.
    // Returns how many were removed.
    static int removeStaleTemporaries(const QString &folder);
};

#endif // K_DESTINATIONFOLDER_H
