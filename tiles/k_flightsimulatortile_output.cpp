// Output of a destination tile: its TIFF pictures and the .inf file that tells the resampler
// where each picture lies on the globe.

#include "k_flightsimulatortile.h"

#include "engine/k_builderthread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
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

// The later of a file's modification and status change: a tile copied in with its old date, or
// moved in, still counts as new.
QDateTime changedAt(const QFileInfo &info)
{
    return qMax(info.lastModified(), info.metadataChangeTime());
}

// The value of a line `name = "value"`, or a null string.
QString quotedValue(const QString &line, const QLatin1String &name)
{
    if (!line.startsWith(name) || !line.endsWith(QLatin1Char('"')))
        return QString();
    const qsizetype open = line.indexOf(QLatin1Char('"'));
    if (open < 0 || open == line.size() - 1)
        return QString();
    return line.mid(open + 1, line.size() - open - 2);
}

bool sourcesOlderThan(const K_FlightSimulatorTile *tile, const QDateTime &time)
{
    if (!tile->filePath().isEmpty() && changedAt(QFileInfo(tile->filePath())) >= time)
        return false;
    for (const K_FlightSimulatorTile *child : tile->children) {
        if (!sourcesOlderThan(child, time))
            return false;
    }
    return true;
}

} // namespace

// A save file that also fails on a short write. A disk that runs full accepts part of a large
// block without an error, and the TIFF writer then reports success, which would commit a
// truncated picture over an older good one.
class K_CheckedSaveFile : public QSaveFile
{
    Q_OBJECT

public:
    using QSaveFile::QSaveFile;

    bool finish()
    {
        // A file that never opened has nothing to flush or take back.
        if (!isOpen())
            return false;
        if (!writeFailed && flush() && error() == QFileDevice::NoError && commit())
            return true;
        cancelWriting();
        return false;
    }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        const qint64 written = QSaveFile::writeData(data, length);
        if (written != length)
            writeFailed = true;
        return written;
    }

private:
    bool writeFailed = false;
};

bool K_FlightSimulatorTile::build(K_BuilderThread *thread, QString destinationFolder,
                                  int compressionQuality, bool singleDestinationImage,
                                  bool passCompletelyTransparentTiles, bool passBrokenTiles,
                                  bool verticalMirrorSourceTiles,
                                  const QVector<K_FlightSimulatorTile *> &otherVariants)
{
    const QString imageFolder = destinationFolder + QLatin1String("Source") + QDir::separator()
                                + m_key + QDir::separator();
    // Each variant is assembled on its own into its own records, so its pictures depend on its
    // tiles alone and the .inf lists it in variant order.
    QVector<ResampleSources> sources(VariantCount);
    QVector<K_FlightSimulatorTile *> trees{this};
    trees += otherVariants;
    bool anySaved = false;
    for (K_FlightSimulatorTile *tree : qAsConst(trees)) {
        ResampleSources &own = sources[tree->m_variant];
        const QImage image = tree->assembleImage(thread, imageFolder, singleDestinationImage,
                                                 passCompletelyTransparentTiles, passBrokenTiles,
                                                 verticalMirrorSourceTiles, own);
        if (!image.isNull())
            tree->saveImage(thread, imageFolder, image, own);
        anySaved = anySaved || !own.isEmpty();
    }

    bool built = false;
    if (!thread->isBreak() && anySaved) {
        if (!writeResampleFile(imageFolder, destinationFolder, compressionQuality, sources))
            thread->appendLog(tr("Tile \"%1\" .inf create error.").arg(m_key));
        built = true;
    }
    for (ResampleSources &own : sources)
        clearSources(own);
    return built;
}

void K_FlightSimulatorTile::saveImage(K_BuilderThread *thread, const QString &folder,
                                      const QImage &image, ResampleSources &sources)
{
    if (thread->isBreak())
        return;
    QDir().mkpath(folder);

    // Written beside the final name and renamed only when complete, so a full disk never leaves
    // a truncated picture and never destroys an older one.
    const QString baseName
            = m_variant == Summer ? m_key
                                  : m_key + QLatin1Char('_') + variantLetters(m_variant).toLower();
    K_CheckedSaveFile file(folder + baseName + QLatin1String(".tif"));
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        QImageWriter writer(&file, "tiff");
        writer.setQuality(100);
        saved = writer.write(image);
    }
    // A picture the writer gave up on is never committed, however much of it reached the disk.
    if (!saved || !file.finish()) {
        thread->appendLog(tr("Tile \"%1\" save error.").arg(variantKey()));
        return;
    }
    thread->recordPicture(folder + baseName + QLatin1String(".tif"));

    auto *source = new ResampleSource;
    source->baseName = baseName;
    source->ulx = m_west;
    source->uly = m_north;
    delete sources.value(m_key);
    sources.insert(m_key, source);
}

void K_FlightSimulatorTile::clearSources(ResampleSources &sources)
{
    qDeleteAll(sources);
    sources.clear();
}

bool K_FlightSimulatorTile::isConverted(const QString &destinationFolder,
                                        const QVector<K_FlightSimulatorTile *> &otherVariants) const
{
    QFile file(destinationFolder + m_key + QLatin1String(".inf"));
    const QFileInfo info(file);
    if (!info.isFile() || !sourcesOlderThan(this, info.lastModified()))
        return false;
    for (const K_FlightSimulatorTile *variant : otherVariants) {
        if (!sourcesOlderThan(variant, info.lastModified()))
            return false;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // Far more than the records of any destination tile; a larger file is not ours.
    constexpr qint64 MaximumSize = qint64(64) << 20;
    if (file.size() > MaximumSize)
        return false;
    QStringDecoder decoder("Windows-1251");
    if (!decoder.isValid())
        return false;
    const QString text = decoder.decode(file.readAll());

    QString folder;
    int pictures = 0;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString dir = quotedValue(line, QLatin1String("SourceDir = "));
        if (!dir.isNull())
            folder = dir;
        const QString name = quotedValue(line, QLatin1String("SourceFile = "));
        if (name.isNull())
            continue;
        if (folder.isEmpty() || !QFileInfo(folder + name).isFile())
            return false;
        ++pictures;
    }
    return pictures > 0;
}

bool K_FlightSimulatorTile::writeResampleFile(const QString &imageFolder,
                                              const QString &destinationFolder,
                                              int compressionQuality,
                                              const QVector<ResampleSources> &sources) const
{
    int count = 0;
    int present = 0;
    for (int variant = 0; variant < sources.size(); ++variant) {
        count += int(sources.at(variant).size());
        if (!sources.at(variant).isEmpty())
            present |= 1 << variant;
    }
    const bool north = m_south >= 0.0;
    const bool multiSource = count > 1;
    QString text;
    if (multiSource) {
        text += QLatin1String("[Source]\nType = MultiSource\nNumberOfSources = ") + number(count)
                + QLatin1String("\n\n");
    }
    int n = 0;
    for (int variant = 0; variant < sources.size(); ++variant) {
        const QString variationLine = QLatin1String("Variation = ")
                                      + variation(Variant(variant), present, north)
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
            + QLatin1String("\"\nLOD = Auto\nDestBaseFileName = \"") + m_key
            + QLatin1String("\"\nCompressionQuality = ") + number(compressionQuality)
            + QLatin1String("\n");

    // The resampler reads the file in the Windows Cyrillic code page.
    QStringEncoder encoder("Windows-1251");
    if (!encoder.isValid())
        return false;
    const QByteArray bytes = encoder.encode(text);

    K_CheckedSaveFile file(destinationFolder + m_key + QLatin1String(".inf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(bytes);
    return file.finish();
}

#include "k_flightsimulatortile_output.moc"
