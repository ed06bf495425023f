#include "k_sampletiles.h"

#include "k_tilebitmapwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace {

const QString firstDestination = QStringLiteral("0123012301");
const QString secondDestination = QStringLiteral("0123012310");

QStringList opaqueKeys()
{
    QStringList result = K_TileBitmapWriter::keysUnder(firstDestination + QStringLiteral("213"));
    for (const char *tail : {"02100", "02101", "02102"})
        result.append(firstDestination + QLatin1String(tail));
    result += K_TileBitmapWriter::keysUnder(secondDestination + QStringLiteral("3001"));
    result.append(secondDestination + QStringLiteral("30020"));
    return result;
}

// A file that exists is never opened, so nothing of anyone else's is overwritten; a file begun
// here and not finished is ours to remove.
bool writeNewFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    // A disk that runs full takes part of a write without an error; writing the rest gives it.
    qint64 written = 0;
    while (opened && written < bytes.size()) {
        const qint64 part = file.write(bytes.constData() + written, bytes.size() - written);
        if (part <= 0)
            break;
        written += part;
    }
    if (opened && written == bytes.size() && file.flush())
        return true;
    *error = K_SampleTiles::tr("Cannot write \"%1\": %2.")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
    if (opened)
        file.remove();
    return false;
}

// The folder to write into, made if missing; false, with the reason, for one that holds anything.
bool makeEmptyFolder(const QString &folder, QString *error)
{
    const QString shown = QDir::toNativeSeparators(folder);
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        *error = K_SampleTiles::tr("\"%1\" is not a folder.").arg(shown);
        return false;
    }
    if (info.exists()
        && !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                 | QDir::System)) {
        *error = K_SampleTiles::tr("\"%1\" is not empty; the sample tile set goes only into an "
                                   "empty or new folder.")
                         .arg(shown);
        return false;
    }
    if (!QDir().mkpath(folder)) {
        *error = K_SampleTiles::tr("The folder \"%1\" cannot be created.").arg(shown);
        return false;
    }
    return true;
}

} // namespace

QStringList K_SampleTiles::seasonFileNames()
{
    QStringList result;
    for (const QString &key :
         K_TileBitmapWriter::keysUnder(firstDestination + QStringLiteral("213")))
        result.append(key + QStringLiteral("WI.BMP"));
    for (const QString &key :
         K_TileBitmapWriter::keysUnder(firstDestination + QStringLiteral("0210")))
        result.append(key + QStringLiteral("LM.BMP"));
    result.sort();
    return result;
}

QStringList K_SampleTiles::destinationKeys()
{
    return {firstDestination, secondDestination};
}

QString K_SampleTiles::brokenKey()
{
    return secondDestination + QStringLiteral("30021");
}

QString K_SampleTiles::transparentKey()
{
    return firstDestination + QStringLiteral("02103");
}

QStringList K_SampleTiles::keys()
{
    QStringList result = opaqueKeys();
    result << brokenKey() << transparentKey();
    result.sort();
    return result;
}

QString K_SampleTiles::writtenText(const QString &folder)
{
    return tr("%n FS9 tile bitmap(s) written into \"%1\".", nullptr,
              int(keys().size() + seasonFileNames().size()))
            .arg(QDir::toNativeSeparators(folder));
}

bool K_SampleTiles::write(const QString &folder, QString *error)
{
    QString unused;
    QString *reason = error ? error : &unused;
    if (!makeEmptyFolder(folder, reason))
        return false;
    const QDir dir(folder);
    QList<std::pair<QString, QByteArray>> files;
    const K_TileBitmapWriter::Dxt kinds[]
            = {K_TileBitmapWriter::Dxt::Dxt1, K_TileBitmapWriter::Dxt::Dxt3,
               K_TileBitmapWriter::Dxt::Dxt5};
    const QStringList opaque = opaqueKeys();
    for (int i = 0; i < opaque.size(); ++i) {
        files.append({opaque.at(i) + QStringLiteral("SU.BMP"),
                      K_TileBitmapWriter::build(K_TileBitmapWriter::pattern(i + 1), kinds[i % 3])});
    }
    files.append({transparentKey() + QStringLiteral("SU.BMP"),
                  K_TileBitmapWriter::build(K_TileBitmapWriter::pattern(100, 0),
                                            K_TileBitmapWriter::Dxt::Dxt5)});
    // Cut in the middle of the DXT blocks, so the reader finds the file too short.
    K_TileBitmapWriter::Fields broken;
    broken.cutAt = K_TileBitmapWriter::HeadersSize + 1000;
    files.append({brokenKey() + QStringLiteral("SU.BMP"),
                  K_TileBitmapWriter::build(K_TileBitmapWriter::pattern(200), broken)});
    const QStringList seasons = seasonFileNames();
    for (int i = 0; i < seasons.size(); ++i)
        files.append(
                {seasons.at(i), K_TileBitmapWriter::build(K_TileBitmapWriter::pattern(300 + i))});

    for (const auto &[name, bytes] : std::as_const(files)) {
        if (!writeNewFile(dir.filePath(name), bytes, reason))
            return false;
    }
    return true;
}
