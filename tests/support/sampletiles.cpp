#include "sampletiles.h"

#include "tilebitmapwriter.h"

#include <QDir>

namespace SampleTiles {

namespace {

const QString firstDestination = QStringLiteral("0123012301");
const QString secondDestination = QStringLiteral("0123012310");

// Every key under `node` that is `digits` quadrant digits deeper.
QStringList descendants(const QString &node, int digits)
{
    QStringList result{node};
    for (int i = 0; i < digits; ++i) {
        QStringList deeper;
        for (const QString &key : result) {
            for (char digit = '0'; digit <= '3'; ++digit)
                deeper.append(key + QLatin1Char(digit));
        }
        result = deeper;
    }
    return result;
}

QStringList opaqueKeys()
{
    QStringList result = descendants(firstDestination + QStringLiteral("213"), 2);
    for (const char *tail : {"02100", "02101", "02102"})
        result.append(firstDestination + QLatin1String(tail));
    result += descendants(secondDestination + QStringLiteral("3001"), 1);
    result.append(secondDestination + QStringLiteral("30020"));
    return result;
}

} // namespace

QStringList seasonFileNames()
{
    QStringList result;
    for (const QString &key : descendants(firstDestination + QStringLiteral("213"), 2))
        result.append(key + QStringLiteral("WI.BMP"));
    for (const QString &key : descendants(firstDestination + QStringLiteral("0210"), 1))
        result.append(key + QStringLiteral("LM.BMP"));
    result.sort();
    return result;
}

QStringList destinationKeys()
{
    return {firstDestination, secondDestination};
}

QString brokenKey()
{
    return secondDestination + QStringLiteral("30021");
}

QString transparentKey()
{
    return firstDestination + QStringLiteral("02103");
}

QStringList keys()
{
    QStringList result = opaqueKeys();
    result << brokenKey() << transparentKey();
    result.sort();
    return result;
}

bool write(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return false;
    const auto fileOf
            = [&dir](const QString &key) { return dir.filePath(key + QStringLiteral("SU.BMP")); };

    const TileBitmap::Dxt kinds[]
            = {TileBitmap::Dxt::Dxt1, TileBitmap::Dxt::Dxt3, TileBitmap::Dxt::Dxt5};
    bool ok = true;
    const QStringList opaque = opaqueKeys();
    for (int i = 0; i < opaque.size() && ok; ++i) {
        TileBitmap::Fields fields;
        fields.dxt = kinds[i % 3];
        ok = TileBitmap::write(fileOf(opaque.at(i)), TileBitmap::pattern(i + 1), fields);
    }

    TileBitmap::Fields transparent;
    transparent.dxt = TileBitmap::Dxt::Dxt5;
    ok = ok
         && TileBitmap::write(fileOf(transparentKey()), TileBitmap::pattern(100, 0), transparent);

    // Cut in the middle of the DXT blocks, so the reader finds the file too short.
    TileBitmap::Fields broken;
    broken.cutAt = TileBitmap::HeadersSize + 1000;
    ok = ok && TileBitmap::write(fileOf(brokenKey()), TileBitmap::pattern(200), broken);

    const QStringList seasons = seasonFileNames();
    for (int i = 0; i < seasons.size() && ok; ++i)
        ok = TileBitmap::write(dir.filePath(seasons.at(i)), TileBitmap::pattern(300 + i));
    return ok;
}

} // namespace SampleTiles
