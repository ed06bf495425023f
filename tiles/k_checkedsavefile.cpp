#include "k_checkedsavefile.h"

#include "k_platform.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <algorithm>

namespace {

constexpr int SuffixLength = 6;

QString randomSuffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < SuffixLength; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return suffix;
}

bool isLetterOrDigit(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

} // namespace

K_CheckedSaveFile::K_CheckedSaveFile(const QString &path)
    : m_path(path)
{ }

K_CheckedSaveFile::~K_CheckedSaveFile()
{
    // An unfinished file leaves nothing behind; one without a name goes with its handle.
    if (isOpen())
        close();
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

bool K_CheckedSaveFile::open(OpenMode mode)
{
    // Said at once, as nothing written could ever take its place.
    const QFileInfo existing(m_path);
    if (existing.isDir()) {
        m_writeError = tr("Filename refers to a directory");
        m_writeFailed = true;
        return false;
    }
    // A file someone made read-only is not replaced, though the folder would allow it.
    if (existing.exists() && !existing.isWritable()) {
        m_writeError = QCoreApplication::translate("QSaveFile", "Existing file %1 is not writable")
                               .arg(m_path);
        m_writeFailed = true;
        return false;
    }
    const int handle = K_Platform::openUnnamedFile(QFileInfo(m_path).absolutePath());
    if (handle >= 0) {
        m_unnamed = true;
        return QFile::open(handle, mode, QFileDevice::AutoCloseHandle);
    }
    return openNamed(mode);
}

bool K_CheckedSaveFile::openNamed(OpenMode mode)
{
    // A name already taken, however unlikely, is followed by another.
    for (int attempt = 0; attempt < 16; ++attempt) {
        m_temporary = m_path + QLatin1String(TemporaryMark) + randomSuffix();
        setFileName(m_temporary);
        if (QFile::open(mode | QIODevice::NewOnly))
            return true;
        if (!QFileInfo::exists(m_temporary))
            break;
    }
    m_temporary.clear();
    return false;
}

bool K_CheckedSaveFile::finish()
{
    // A file that never opened has nothing to flush or take back.
    if (!isOpen())
        return false;
    if (m_writeFailed || !flush() || error() != QFileDevice::NoError)
        return fail(failureReason());
    QString reason;
    // Named first, by a marked name: only a rename replaces an older file in one step.
    if (m_unnamed) {
        m_temporary = m_path + QLatin1String(TemporaryMark) + randomSuffix();
        if (!K_Platform::nameUnnamedFile(int(handle()), m_temporary, &reason)) {
            m_temporary.clear();
            return fail(reason);
        }
    }
    close();
    if (error() != QFileDevice::NoError)
        return fail(errorString());
    K_Platform::syncFile(m_temporary);
    // An older file keeps its permissions, as it would have kept them had it been rewritten.
    const QFileInfo older(m_path);
    if (older.exists())
        QFile::setPermissions(m_temporary, older.permissions());
    if (!K_Platform::replaceFile(m_temporary, m_path, &reason))
        return fail(reason);
    m_temporary.clear();
    return true;
}

bool K_CheckedSaveFile::fail(const QString &reason)
{
    m_writeError = reason;
    m_writeFailed = true;
    if (isOpen())
        close();
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
    m_temporary.clear();
    return false;
}

QString K_CheckedSaveFile::failureReason() const
{
    return m_writeError.isEmpty() ? errorString() : m_writeError;
}

qint64 K_CheckedSaveFile::writeData(const char *data, qint64 length)
{
    const qint64 written = QFile::writeData(data, length);
    if (written != length && !m_writeFailed) {
        m_writeFailed = true;
        // A write that the system refused part way through (a file size limit) leaves the
        // device's error unset; the system's own code still tells why.
        m_writeError = error() != QFileDevice::NoError ? errorString() : qt_error_string();
    }
    return written;
}

QString K_CheckedSaveFile::finalNameOf(const QString &name)
{
    const qsizetype mark = name.lastIndexOf(QLatin1String(TemporaryMark));
    const QStringView suffix = QStringView(name).mid(mark + qsizetype(sizeof(TemporaryMark)) - 1);
    if (mark <= 0 || suffix.size() != SuffixLength
        || !std::all_of(suffix.begin(), suffix.end(), isLetterOrDigit))
        return QString();
    return name.left(mark);
}

bool K_CheckedSaveFile::makeFolder(const QString &folder, QString *reason)
{
    if (QDir().mkpath(folder))
        return true;
    // The toolkit does not tell why a folder cannot be made; a file in its nearest existing parent
    // does.
    const QString parent = nearestExisting(folder);
    if (!QFileInfo(parent).isDir()) {
        *reason = QFileInfo::exists(parent)
                          ? tr("\"%1\" is not a folder").arg(QDir::toNativeSeparators(parent))
                          : tr("No such drive or folder");
        return false;
    }
    QTemporaryFile probe(probeTemplate(parent));
    *reason = probe.open() ? tr("The folder cannot be created") : probe.errorString();
    return false;
}

QString K_CheckedSaveFile::nearestExisting(const QString &folder, QStringList *missing)
{
    QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    while (!QFileInfo::exists(path)) {
        if (missing)
            missing->prepend(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    return path;
}

bool K_CheckedSaveFile::writeText(const QString &path, const QByteArray &text, QString *reason)
{
    K_CheckedSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        file.write(text);
        if (file.finish())
            return true;
    }
    if (reason)
        *reason = file.failureReason();
    return false;
}

QString K_CheckedSaveFile::probeTemplate(const QString &folder)
{
    return QDir(folder).filePath(QLatin1String(ProbeName) + QLatin1String(TemporaryMark)
                                 + QLatin1String("XXXXXX"));
}
