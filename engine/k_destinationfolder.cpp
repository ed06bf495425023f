#include "k_destinationfolder.h"

#include "engine/k_conversionrecord.h"
#include "tiles/k_checkedsavefile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryFile>

namespace {

// The folder itself, or the nearest parent that exists; `missing` gets the folders between,
// outermost first.
QString nearestExisting(const QString &folder, QStringList *missing = nullptr)
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

// A temporary file of the save file beside `name`: its name and six letters or digits.
QRegularExpression temporaryOf(const QString &name)
{
    return QRegularExpression(QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(name));
}

} // namespace

bool K_DestinationFolder::probeWritable(const QString &folder, QString *reason)
{
    QStringList created;
    nearestExisting(folder, &created);
    bool written = false;
    if (K_CheckedSaveFile::makeFolder(folder, reason)) {
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".ORVIK-probe-XXXXXX")));
        written = probe.open() && probe.write(QByteArray(4096, '\0')) == 4096 && probe.flush();
        if (!written)
            *reason = probe.errorString();
    }
    for (auto it = created.crbegin(); it != created.crend(); ++it)
        QDir().rmdir(*it);
    return written;
}

qint64 K_DestinationFolder::freeSpace(const QString &folder)
{
    const QStorageInfo storage(nearestExisting(folder));
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

qint64 K_DestinationFolder::picturesSize(const QString &folder, const QString &key)
{
    qint64 bytes = 0;
    QDirIterator it(folder + QLatin1String("Source/") + key, {QStringLiteral("*.tif")},
                    QDir::Files);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}

QStringList K_DestinationFolder::otherResampleFiles(const QString &folder,
                                                    const QSet<QString> &keys)
{
    QStringList others;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.inf")},
                                                           QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &file : files) {
        if (!keys.contains(file.completeBaseName()))
            others << file.fileName();
    }
    return others;
}

int K_DestinationFolder::removeStaleTemporaries(const QString &folder)
{
    int removed = 0;
    const auto removeMatching = [&removed](const QString &path, const QRegularExpression &pattern) {
        const QStringList names = QDir(path).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : names) {
            if (pattern.match(name).hasMatch() && QFile::remove(QDir(path).filePath(name)))
                ++removed;
        }
    };
    removeMatching(folder, temporaryOf(QStringLiteral("([0-9]+\\.inf|%1)")
                                               .arg(QRegularExpression::escape(QLatin1String(
                                                       K_ConversionRecord::FileName)))));
    removeMatching(folder, QRegularExpression(QStringLiteral("^\\.ORVIK-probe-[A-Za-z0-9]{6}$")));
    // Each destination tile's pictures are named by keys that begin with its own.
    const QString source = folder + QLatin1String("Source");
    const QStringList keys = QDir(source).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &key : keys) {
        removeMatching(
                source + QLatin1Char('/') + key,
                temporaryOf(QRegularExpression::escape(key) + QStringLiteral("[^./\\\\]*\\.tif")));
    }
    return removed;
}
