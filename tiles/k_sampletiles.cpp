#include "k_sampletiles.h"

#include "k_tilebitmapwriter.h"

#include <QDir>

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

bool K_SampleTiles::write(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return false;
    const auto fileOf
            = [&dir](const QString &key) { return dir.filePath(key + QStringLiteral("SU.BMP")); };

    const K_TileBitmapWriter::Dxt kinds[]
            = {K_TileBitmapWriter::Dxt::Dxt1, K_TileBitmapWriter::Dxt::Dxt3,
               K_TileBitmapWriter::Dxt::Dxt5};
    bool ok = true;
    const QStringList opaque = opaqueKeys();
    for (int i = 0; i < opaque.size() && ok; ++i) {
        K_TileBitmapWriter::Fields fields;
        fields.dxt = kinds[i % 3];
        ok = K_TileBitmapWriter::write(fileOf(opaque.at(i)), K_TileBitmapWriter::pattern(i + 1),
                                       fields);
    }

    K_TileBitmapWriter::Fields transparent;
    transparent.dxt = K_TileBitmapWriter::Dxt::Dxt5;
    ok = ok
         && K_TileBitmapWriter::write(fileOf(transparentKey()), K_TileBitmapWriter::pattern(100, 0),
                                      transparent);

    // Cut in the middle of the DXT blocks, so the reader finds the file too short.
    K_TileBitmapWriter::Fields broken;
    broken.cutAt = K_TileBitmapWriter::HeadersSize + 1000;
    ok = ok
         && K_TileBitmapWriter::write(fileOf(brokenKey()), K_TileBitmapWriter::pattern(200),
                                      broken);

    const QStringList seasons = seasonFileNames();
    for (int i = 0; i < seasons.size() && ok; ++i)
        ok = K_TileBitmapWriter::write(dir.filePath(seasons.at(i)),
                                       K_TileBitmapWriter::pattern(300 + i));
    return ok;
}
