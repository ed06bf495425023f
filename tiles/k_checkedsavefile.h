#ifndef K_CHECKEDSAVEFILE_H
#define K_CHECKEDSAVEFILE_H

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

// A file that appears under its name only when it is complete, and that also fails on a short
// write: a disk that runs full accepts part of a large block without an error, and a writer on
// top then reports success, which would put a truncated file over an older good one.
//
// It is written beside its final name, as a file without a name where the system has those
// (Linux), else as "<name>.orvik-tmp-XXXXXX", a name that marks it as ORVIK's own, so that the
// temporary of a killed run can be told from a user's file and removed. finish() puts it in place
// of an older file in one step; otherwise, and when it is destroyed unfinished, the temporary goes
// and an older file stays. An older file that is read-only stays too, and opening fails; a symbolic
// link of that name is replaced, never written through. Used by one thread at a time.
class K_CheckedSaveFile : public QFile
{
    Q_DECLARE_TR_FUNCTIONS(K_CheckedSaveFile)

public:
    explicit K_CheckedSaveFile(const QString &path);
    ~K_CheckedSaveFile() override;

    // Opens the temporary for writing; `mode` must ask for writing only.
    bool open(OpenMode mode) override;
    // Puts the file in its place when it was opened and every write, the flush and the rename
    // succeed; otherwise removes the temporary, keeps an older file and returns false.
    bool finish();

    // Why opening, writing or finishing failed, in the system's words.
    QString failureReason() const;
    bool hasWriteFailed() const { return m_writeFailed; }

    // What follows a final name in the name of a temporary, before six letters or digits.
    static constexpr char TemporaryMark[] = ".orvik-tmp-";
    // The final name that `name` is the temporary of, or empty when it is no temporary of ours.
    static QString finalNameOf(const QString &name);

    // Creates `folder` with its missing parents; false, with the system's reason, when it cannot.
    static bool makeFolder(const QString &folder, QString *reason);
    // The folder itself, or the nearest parent that exists; `missing` gets the folders between,
    // outermost first.
    static QString nearestExisting(const QString &folder, QStringList *missing = nullptr);

    // Replaces the file at `path` with `text` as a text file (CR LF line ends on Windows) once all
    // of it is written; false, with the system's reason, and any older file kept, when it cannot.
    static bool writeText(const QString &path, const QByteArray &text, QString *reason);

    // The name of a small file that tries whether a folder takes files, and the template of its
    // temporary, which is marked as the save files' temporaries are.
    static constexpr char ProbeName[] = ".ORVIK-probe";
    static QString probeTemplate(const QString &folder);

protected:
    qint64 writeData(const char *data, qint64 length) override;

private:
    bool openNamed(OpenMode mode);
    bool fail(const QString &reason);

    QString m_path;
    QString m_temporary; // the temporary's name, once it has one
    bool m_unnamed = false;
    QString m_writeError;
    bool m_writeFailed = false;
};

#endif // K_CHECKEDSAVEFILE_H
