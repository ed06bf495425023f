#include "k_checkedsavefile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

bool K_CheckedSaveFile::finish()
{
    // A file that never opened has nothing to flush or take back.
    if (!isOpen())
        return false;
    if (!m_writeFailed && flush() && error() == QFileDevice::NoError && commit())
        return true;
    const QString reason = failureReason();
    cancelWriting();
    m_writeError = reason;
    m_writeFailed = true;
    return false;
}

QString K_CheckedSaveFile::failureReason() const
{
    return m_writeError.isEmpty() ? errorString() : m_writeError;
}

qint64 K_CheckedSaveFile::writeData(const char *data, qint64 length)
{
    const qint64 written = QSaveFile::writeData(data, length);
    if (written != length && !m_writeFailed) {
        m_writeFailed = true;
        // A write that the system refused part way through (a file size limit) leaves the
        // device's error unset; the system's own code still tells why.
        m_writeError = error() != QFileDevice::NoError ? errorString() : qt_error_string();
    }
    return written;
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
    return QDir(folder).filePath(QLatin1String(ProbeName) + QLatin1String(".XXXXXX"));
}
