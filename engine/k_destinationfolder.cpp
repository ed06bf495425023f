#include "k_destinationfolder.h"

#include "engine/k_conversionrecord.h"
#include "tiles/k_checkedsavefile.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <algorithm>

namespace {

bool isLetterOrDigit(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The name a save file's temporary stands for (the final name, a dot and six letters or digits),
// or nothing when `name` is not such a temporary.
QString finalNameOf(const QString &name)
{
    constexpr qsizetype Suffix = 7;
    if (name.size() <= Suffix || name.at(name.size() - Suffix) != u'.')
        return QString();
    for (qsizetype i = name.size() - Suffix + 1; i < name.size(); ++i) {
        if (!isLetterOrDigit(name.at(i)))
            return QString();
    }
    return name.left(name.size() - Suffix);
}

bool isDigits(QStringView text)
{
    return !text.isEmpty()
           && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

bool K_DestinationFolder::probeWritable(const QString &folder, QString *reason)
{
    QStringList created;
    K_CheckedSaveFile::nearestExisting(folder, &created);
    bool written = false;
    if (K_CheckedSaveFile::makeFolder(folder, reason)) {
        QTemporaryFile probe(K_CheckedSaveFile::probeTemplate(folder));
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
    const QStorageInfo storage(K_CheckedSaveFile::nearestExisting(folder));
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

qint64 K_DestinationFolder::picturesSize(const QString &folder, const QString &key)
{
    qint64 bytes = 0;
    const QFileInfoList files
            = QDir(folder + QLatin1String("Source/") + key).entryInfoList(QDir::Files);
    for (const QFileInfo &file : files) {
        if (file.fileName().endsWith(QLatin1String(".tif")))
            bytes += file.size();
    }
    return bytes;
}

QStringList K_DestinationFolder::otherResampleFiles(const QString &folder,
                                                    const QSet<QString> &keys)
{
    QStringList others;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        if (name.endsWith(QLatin1String(".inf")) && !keys.contains(name.chopped(4)))
            others << name;
    }
    return others;
}

int K_DestinationFolder::removeStaleTemporaries(const QString &folder)
{
    int removed = 0;
    const auto removeIf = [&removed](const QString &path, const auto &ours) {
        const QStringList names = QDir(path).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : names) {
            const QString finalName = finalNameOf(name);
            if (!finalName.isEmpty() && ours(finalName) && QFile::remove(QDir(path).filePath(name)))
                ++removed;
        }
    };
    // The .inf files are named by their key.
    removeIf(folder, [](const QString &finalName) {
        return finalName == QLatin1String(K_ConversionRecord::FileName)
               || finalName == QLatin1String(K_CheckedSaveFile::ProbeName)
               || (finalName.endsWith(QLatin1String(".inf"))
                   && isDigits(QStringView(finalName).chopped(4)));
    });
    // Each destination tile's pictures are named by keys that begin with its own.
    const QString source = folder + QLatin1String("Source");
    const QStringList keys = QDir(source).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &key : keys) {
        removeIf(source + QLatin1Char('/') + key, [&key](const QString &finalName) {
            return finalName.startsWith(key) && finalName.endsWith(QLatin1String(".tif"))
                   && !QStringView(finalName).mid(key.size()).chopped(4).contains(u'.');
        });
    }
    return removed;
}
