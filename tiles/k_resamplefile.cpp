#include "k_resamplefile.h"

#include "k_checkedsavefile.h"
#include "k_flightsimulatortile.h"
#include "k_platform.h"

#include <QFile>

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 25);
}

// The months a day variant stands for in the northern hemisphere, one bit per month from
// January. The night light map has none: the resampler knows it by name.
constexpr int month(int number)
{
    return 1 << (number - 1);
}

constexpr int northernMonths[K_FlightSimulatorTile::VariantCount] = {
        month(6) | month(7) | month(8), // summer
        month(3) | month(4) | month(5), // spring
        month(9) | month(10), // fall
        month(11), // winter
        month(12) | month(1) | month(2), // hard winter
        0,
};

// The southern hemisphere has the same seasons half a year later.
int months(K_FlightSimulatorTile::Variant variant, bool north)
{
    const int northern = northernMonths[variant];
    return north ? northern : ((northern << 6) | (northern >> 6)) & 0xfff;
}

// The "Variation" of a variant's pictures in a destination whose day variants with pictures are
// `present` (one bit per variant). Summer also stands for the seasons that have no pictures of
// their own, and for the whole year when it is the only one.
QString variation(K_FlightSimulatorTile::Variant variant, int present, bool north)
{
    using Tile = K_FlightSimulatorTile;
    if (variant == Tile::Night)
        return QStringLiteral("LightMap");
    int shown = months(variant, north);
    if (variant == Tile::Summer) {
        bool alone = true;
        for (int other = Tile::Spring; other <= Tile::HardWinter; ++other) {
            if (present & (1 << other))
                alone = false;
            else
                shown |= months(Tile::Variant(other), north);
        }
        if (alone)
            return QStringLiteral("All");
    }
    static const char *const names[12]
            = {"January", "February", "March",     "April",   "May",      "June",
               "July",    "August",   "September", "October", "November", "December"};
    QStringList listed;
    for (int m = 0; m < 12; ++m) {
        if (shown & (1 << m))
            listed << QLatin1String(names[m]);
    }
    return listed.join(QLatin1Char(','));
}

} // namespace

QByteArray K_ResampleFile::contents(const QString &key, const QString &imageFolder,
                                    const QString &destinationFolder, int compressionQuality,
                                    const QVector<ResampleSources> &sources,
                                    bool northernHemisphere)
{
    int count = 0;
    int present = 0;
    for (int variant = 0; variant < sources.size(); ++variant) {
        count += int(sources.at(variant).size());
        if (!sources.at(variant).isEmpty())
            present |= 1 << variant;
    }
    const bool multiSource = count > 1;
    QString text;
    if (multiSource) {
        text += QLatin1String("[Source]\nType = MultiSource\nNumberOfSources = ") + number(count)
                + QLatin1String("\n\n");
    }
    int n = 0;
    for (int variant = 0; variant < sources.size(); ++variant) {
        const QString variationLine
                = QLatin1String("Variation = ")
                  + variation(K_FlightSimulatorTile::Variant(variant), present, northernHemisphere)
                  + QLatin1Char('\n');
        for (const ResampleSource *source : sources.at(variant)) {
            ++n;
            text += multiSource ? QLatin1String("[Source") + number(n) + QLatin1String("]\n")
                                : QStringLiteral("[Source]\n");
            text += QLatin1String("Type = TIFF\n"
                                  "Layer = Imagery\n"
                                  "SourceDir = \"")
                    + imageFolder + QLatin1String("\"\nSourceFile = \"") + source->baseName
                    + QLatin1String(".tif\"\nulxMap = ") + number(source->ulx)
                    + QLatin1String("\nulyMap = ") + number(source->uly)
                    + QLatin1String("\nxDim = 0.000057220458984375\n"
                                    "yDim = 0.00004291534423828125\n")
                    + variationLine
                    + QLatin1String("PixelIsPoint = 0\n"
                                    "Channel_BlendMask = 3\n"
                                    "NullValue = ,,,,0\n\n");
        }
    }
    text += QLatin1String("[Destination]\nDestDir = \"") + destinationFolder
            + QLatin1String("\"\nLOD = Auto\nDestBaseFileName = \"") + key
            + QLatin1String("\"\nCompressionQuality = ") + number(compressionQuality)
            + QLatin1String("\n");
    return encode(text);
}

bool K_ResampleFile::write(const QString &path, const QByteArray &contents, QString *errorString)
{
    return K_CheckedSaveFile::writeText(path, contents, errorString);
}

bool K_ResampleFile::read(const QString &path, QByteArray *contents)
{
    QFile file(path);
    // Far more than the records of any destination tile; a larger file is not ours.
    constexpr qint64 MaximumSize = qint64(64) << 20;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > MaximumSize)
        return false;
    *contents = file.readAll();
    return file.error() == QFileDevice::NoError;
}

int K_ResampleFile::codePage()
{
    return K_Platform::resamplerCodePage();
}

QByteArray K_ResampleFile::encode(const QString &text, QString *missing)
{
    return K_Platform::toCodePage(text, codePage(), missing);
}
