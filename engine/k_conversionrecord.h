#ifndef K_CONVERSIONRECORD_H
#define K_CONVERSIONRECORD_H

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QVector>

// What the destination folder's record of finished destination tiles holds: per destination tile
// the fingerprints its last build was made from (its settings, its tiles, the .inf file it wrote)
// and the pictures it wrote. The record is a journal, FileName in the folder: a line is appended,
// and handed to the system at once, when a destination is about to be built (its earlier build is
// then no longer finished, but its pictures are still known as ours), when it was built, and when
// its files were removed, and when the resampler begins and ends on its .inf file; so a run killed
// at any moment has lost nothing it finished, nor what it had not touched. It is rewritten whole,
// in one step, at the end of a run and whenever it has grown to twice what it holds. The resampler
// reads only the .inf files it is given and never sees it. Used by the builder thread alone.
class K_ConversionRecord
{
    Q_DECLARE_TR_FUNCTIONS(K_BuilderThread)

public:
    static const char FileName[];

    struct Picture
    {
        QString name;
        qint64 size = -1;
        qint64 modified = 0;
    };

    struct Entry
    {
        bool finished = false; // false: a build was begun and has not finished
        int variants = 0; // one bit per variant that had tiles
        QByteArray recipe; // the settings and the folder the .inf names
        QByteArray inputs; // every source tile as it was when it was read
        QByteArray resampleFile; // the SHA-1 of the .inf file written
        QVector<Picture> pictures;
        // The BGL file the resampler made, the SHA-1 of the .inf it was made from.
        QByteArray bglFrom;
        Picture bgl;
    };

    // `destinationFolder` ends in the native separator; without one the record is empty.
    K_ConversionRecord() = default;
    explicit K_ConversionRecord(const QString &destinationFolder);

    // Reads the record; a missing file records nothing. A file that cannot be used (unreadable,
    // far too large, or no record of ours) records nothing either, `problem` then says why, and the
    // record never writes over it.
    void load(QString *problem);

    // The entry of destination `key`, or null.
    const Entry *entry(const QString &key) const;

    // Each appends one line to the journal; false, with the system's reason, when it cannot.
    // `begin` marks the entry of `key` unfinished, `finish` records `entry` as finished and `drop`
    // forgets `key`.
    bool begin(const QString &key, QString *errorString);
    bool finish(const QString &key, const Entry &entry, QString *errorString);
    bool drop(const QString &key, QString *errorString);
    // The resampler is about to run on the .inf of `key`, whose BGL file is now `before` (size -1:
    // none); it then made `bgl` from the .inf of SHA-1 `from`, or ended without one.
    bool beginBgl(const QString &key, const Picture &before, QString *errorString);
    bool madeBgl(const QString &key, const QByteArray &from, const Picture &bgl,
                 QString *errorString);
    bool endBgl(const QString &key, QString *errorString);
    // The BGL files of resampler runs begun and never ended (the program was killed), each as it
    // was before its run, by key.
    const QHash<QString, Picture> &begunBgls() const { return m_begunBgls; }

    // Rewrites the file with what it holds now, in one step, when it holds more than that.
    bool compact(QString *errorString);

    QString filePath() const;

private:
    bool append(const QByteArray &line, QString *errorString);
    QByteArray text() const;

    QString m_folder;
    QHash<QString, Entry> m_entries;
    QHash<QString, Picture> m_begunBgls;
    bool m_keepFile = false;
    qint64 m_fileBytes = 0; // what the file holds, lines no longer needed included
    qint64 m_liveBytes = 0; // what it would hold when rewritten
};

#endif // K_CONVERSIONRECORD_H
