#ifndef K_CHECKEDSAVEFILE_H
#define K_CHECKEDSAVEFILE_H

#include <QCoreApplication>
#include <QSaveFile>
#include <QStringList>

// A save file that also fails on a short write. A disk that runs full accepts part of a large
// block without an error, and a writer on top then reports success, which would commit a
// truncated file over an older good one. The file appears under its name only through finish(),
// and only when every write went through whole. Used by one thread at a time.
class K_CheckedSaveFile : public QSaveFile
{
    Q_DECLARE_TR_FUNCTIONS(K_CheckedSaveFile)

public:
    using QSaveFile::QSaveFile;

    // Creates `folder` with its missing parents; false, with the system's reason, when it cannot.
    static bool makeFolder(const QString &folder, QString *reason);
    // The folder itself, or the nearest parent that exists; `missing` gets the folders between,
    // outermost first.
    static QString nearestExisting(const QString &folder, QStringList *missing = nullptr);

    // Replaces the file at `path` with `text` as a text file (CR LF line ends on Windows) once all
    // of it is written; false, with the system's reason, and any older file kept, when it cannot.
    static bool writeText(const QString &path, const QByteArray &text, QString *reason);

    // The name of a small file that tries whether a folder takes files: ProbeName, a dot and six
    // letters or digits, as the temporaries of save files are named.
    static constexpr char ProbeName[] = ".ORVIK-probe";
    static QString probeTemplate(const QString &folder);

    // Commits the file when it was opened and every write, the flush and the rename succeed;
    // otherwise discards it, keeps an older file of the same name and returns false.
    bool finish();

    // Why opening, writing or committing failed, in the system's words.
    QString failureReason() const;
    bool hasWriteFailed() const { return m_writeFailed; }

protected:
    qint64 writeData(const char *data, qint64 length) override;

private:
    QString m_writeError;
    bool m_writeFailed = false;
};

#endif // K_CHECKEDSAVEFILE_H
