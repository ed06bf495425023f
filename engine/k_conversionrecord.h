#ifndef K_CONVERSIONRECORD_H
#define K_CONVERSIONRECORD_H

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QVector>

class K_FlightSimulatorTile;

// Which destination tiles of a destination folder were last converted completely: every picture
// assembled was saved, in every variant the run had tiles of, and the .inf file was written. The
// record lives in one small text file in the folder, FileName, which is replaced whole and
// atomically, so it is either the old or the new record, never a mix. The resampler reads only
// the .inf files it is given and never sees it.
//
// A destination is forgotten before it is built and remembered only after its build went through
// without a save error, so a build broken off by Break, a crash or a full disk is never taken for
// finished. Used by the builder thread alone.
class K_ConversionRecord
{
    Q_DECLARE_TR_FUNCTIONS(K_BuilderThread)

public:
    static const char FileName[];

    // `destinationFolder` ends in the native separator; without one the record is empty.
    K_ConversionRecord() = default;
    explicit K_ConversionRecord(const QString &destinationFolder);

    // Reads the record; a missing file records nothing. A file that cannot be used (unreadable,
    // far too large, or no record of ours) records nothing either, `problem` then says why, and
    // save() leaves it as it is.
    void load(QString *problem);

    // True when destination `trees` (the same key, one tree per variant) need not be converted
    // again: the record says the last conversion of exactly these variants finished, the .inf it
    // wrote is unchanged, lists pictures in this folder only and every one of them exists, and
    // no source tile below the trees changed since the .inf was written.
    bool isConverted(const QVector<K_FlightSimulatorTile *> &trees) const;

    void forget(const QString &key);
    // Records destination `trees` as finished with the .inf file that holds `resampleFileContents`.
    void remember(const QVector<K_FlightSimulatorTile *> &trees,
                  const QByteArray &resampleFileContents);

    // Writes the record when it changed since it was read or last written; with `soon`, only
    // when the last write is a second old, so that thousands of small destination tiles do not
    // rewrite the file thousands of times. False, with the system's reason, when it cannot.
    bool save(bool soon, QString *errorString);

    QString filePath() const;

private:
    struct Entry
    {
        int variants = 0;
        QByteArray hash;
    };

    QString m_folder;
    QHash<QString, Entry> m_entries;
    bool m_changed = false;
    bool m_keepFile = false;
    QElapsedTimer m_lastSave;
};

#endif // K_CONVERSIONRECORD_H
