#include "k_resamplefile.h"

#include "k_checkedsavefile.h"
#include "k_flightsimulatortile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

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

// The value of a line `name = "value"`, or nothing.
bool quotedValue(const QByteArray &line, const char *name, QByteArray *value)
{
    if (!line.startsWith(name) || !line.endsWith('"'))
        return false;
    const qsizetype open = line.indexOf('"');
    if (open < 0 || open == line.size() - 1)
        return false;
    *value = line.mid(open + 1, line.size() - open - 2);
    return true;
}

// Bytes 0x80 to 0xBF of the Windows Cyrillic code page; 0xC0 to 0xFF are U+0410 to U+044F. 0x98,
// which Windows leaves unused, stands for U+0098 as in the toolkit's converter.
constexpr char16_t upperHalf[64] = {
        0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
        0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
        0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
        0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
        0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char Substitute = 0x1a;

// Characters that the toolkit's converter drops instead of substituting when the code page lacks
// them: the default-ignorable code points.
bool isIgnorable(char32_t c)
{
    return c == 0x034F || c == 0x061C || c == 0x115F || c == 0x1160 || (c >= 0x17B4 && c <= 0x17B5)
           || (c >= 0x180B && c <= 0x180F) || (c >= 0x200B && c <= 0x200F)
           || (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0x3164
           || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || c == 0xFFA0
           || (c >= 0xFFF0 && c <= 0xFFF8) || (c >= 0x1BCA0 && c <= 0x1BCA3)
           || (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE0FFF);
}

char encodedByte(char32_t c, bool *dropped)
{
    *dropped = false;
    if (c < 0x80)
        return char(c);
    if (c >= 0x0410 && c <= 0x044F)
        return char(0xC0 + (c - 0x0410));
    for (int i = 0; i < 64; ++i) {
        if (upperHalf[i] == c)
            return char(0x80 + i);
    }
    *dropped = isIgnorable(c);
    return Substitute;
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
    // The resampler reads the file in the Windows Cyrillic code page.
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

K_ResampleFile::Listing K_ResampleFile::listing(const QByteArray &contents)
{
    Listing result;
    for (const QByteArray &line : contents.split('\n')) {
        QByteArray value;
        if (quotedValue(line, "SourceDir = ", &value))
            result.sourceFolders << value;
        else if (quotedValue(line, "SourceFile = ", &value))
            result.sourceFiles << decode(value);
    }
    return result;
}

QByteArray K_ResampleFile::encode(const QString &text)
{
    QStringEncoder encoder("Windows-1251");
    return encoder.isValid() ? QByteArray(encoder.encode(text)) : encodeByTable(text);
}

QString K_ResampleFile::decode(const QByteArray &bytes)
{
    QStringDecoder decoder("Windows-1251");
    return decoder.isValid() ? QString(decoder.decode(bytes)) : decodeByTable(bytes);
}

QByteArray K_ResampleFile::encodeByTable(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text.at(i).unicode();
        char32_t c = unit;
        if (QChar::isHighSurrogate(unit)) {
            // A high surrogate that ends the text waits for a partner that never comes.
            if (i + 1 == size)
                break;
            const char16_t next = text.at(i + 1).unicode();
            if (QChar::isLowSurrogate(next)) {
                c = QChar::surrogateToUcs4(unit, next);
                ++i;
            }
        }
        bool dropped = false;
        const char byte = encodedByte(c, &dropped);
        if (!dropped)
            bytes += byte;
    }
    return bytes;
}

QString K_ResampleFile::decodeByTable(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const uchar b = uchar(byte);
        text += b < 0x80    ? QChar(b)
                : b >= 0xC0 ? QChar(char16_t(0x0410 + (b - 0xC0)))
                            : QChar(upperHalf[b - 0x80]);
    }
    return text;
}
