// Output of a destination tile: its TIFF pictures and the .inf file that tells the resampler
// where each picture lies on the globe.

#include "k_flightsimulatortile.h"

#include "engine/k_builderthread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <geotiffio.h>
#include <tiffio.h>
#include <xtiffio.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 25);
}

// Pixel size of every picture in degrees: the pictures keep the source tiles' full resolution.
constexpr double PixelWidth = 120.0 / (1 << 21);
constexpr double PixelHeight = 90.0 / (1 << 21);

// Strips of about this many bytes: large enough for few writes, small enough that converting a
// strip stays in the cache and costs no second copy of the picture.
constexpr qsizetype StripBytes = 256 * 1024;

// libtiff registers the GeoTIFF tags through a process-wide extender that is not thread-safe to
// install, so it is installed once while the program starts, before any worker thread exists.
// Without it the tags are silently refused.
[[maybe_unused]] const bool geoTiffTagsRegistered = (XTIFFInitialize(), true);

// libtiff reaches the save file through these. Closing leaves the file open: committing or
// cancelling it is the caller's decision. A single picture is only ever written, never read.
QIODevice *device(thandle_t handle)
{
    return static_cast<QIODevice *>(handle);
}

tmsize_t readFile(thandle_t, void *, tmsize_t)
{
    return -1;
}

tmsize_t writeFile(thandle_t handle, void *data, tmsize_t size)
{
    return device(handle)->write(static_cast<const char *>(data), size);
}

toff_t seekFile(thandle_t handle, toff_t offset, int whence)
{
    QIODevice *file = device(handle);
    qint64 position = qint64(offset);
    if (whence == SEEK_CUR)
        position += file->pos();
    else if (whence == SEEK_END)
        position += file->size();
    return file->seek(position) ? toff_t(file->pos()) : toff_t(-1);
}

int closeFile(thandle_t)
{
    return 0;
}

toff_t fileSize(thandle_t handle)
{
    return toff_t(device(handle)->size());
}

int mapFile(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapFile(thandle_t, void *, toff_t) { }

// Errors of one file are counted for that file only; other threads' files never see them.
int countError(TIFF *, void *errors, const char *, const char *, va_list)
{
    ++*static_cast<int *>(errors);
    return 1;
}

int ignoreWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

void countGeoTiffError(GTIF *geoTiff, int level, const char *, ...)
{
    if (level == LIBGEOTIFF_ERROR)
        ++*static_cast<int *>(GTIFGetUserData(geoTiff));
}

bool writeTags(TIFF *tiff, const QImage &image, int rowsPerStrip)
{
    const uint16_t extraSample = EXTRASAMPLE_UNASSALPHA;
    return TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(image.width()))
           && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(image.height()))
           && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8)
           && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4)
           && TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extraSample)
           && TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB)
           && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
           && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE)
           && TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT)
           && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip))
           && TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH)
           && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, double(image.logicalDpiX()))
           && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, double(image.logicalDpiY()));
}

// Places the picture's upper-left corner at (west, north) on WGS 84, each pixel covering an area
// of the source tiles' pixel size, so GIS programs show it in place without the .inf file.
bool writeGeoKeys(TIFF *tiff, double west, double north)
{
    const double pixelScale[3] = {PixelWidth, PixelHeight, 0.0};
    const double tiePoint[6] = {0.0, 0.0, 0.0, west, north, 0.0};
    // libgeotiff ignores whether the tags were accepted, so that is checked here.
    if (!TIFFSetField(tiff, TIFFTAG_GEOPIXELSCALE, 3, pixelScale)
        || !TIFFSetField(tiff, TIFFTAG_GEOTIEPOINTS, 6, tiePoint))
        return false;
    int errors = 0;
    GTIF *geoTiff = GTIFNewEx(tiff, countGeoTiffError, &errors);
    if (!geoTiff)
        return false;
    const bool written
            = GTIFKeySet(geoTiff, GTModelTypeGeoKey, TYPE_SHORT, 1, ModelTypeGeographic)
              && GTIFKeySet(geoTiff, GTRasterTypeGeoKey, TYPE_SHORT, 1, RasterPixelIsArea)
              && GTIFKeySet(geoTiff, GeographicTypeGeoKey, TYPE_SHORT, 1, GCS_WGS_84)
              && GTIFKeySet(geoTiff, GeogAngularUnitsGeoKey, TYPE_SHORT, 1, Angular_Degree)
              && GTIFWriteKeys(geoTiff);
    GTIFFree(geoTiff);
    return written && errors == 0;
}

// The picture's ARGB32 rows hold B, G, R, A bytes on little-endian machines and A, R, G, B on
// big-endian ones; TIFF wants R, G, B, A.
void toRgba(const QRgb *from, quint32 *to, int width)
{
    for (int x = 0; x < width; ++x) {
        const quint32 p = from[x];
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        to[x] = (p & 0xff00ff00) | ((p >> 16) & 0xff) | ((p & 0xff) << 16);
#else
        to[x] = (p << 8) | (p >> 24);
#endif
    }
}

bool writePixels(TIFF *tiff, const QImage &image, int rowsPerStrip)
{
    const int width = image.width();
    std::vector<quint32> strip(size_t(width) * size_t(rowsPerStrip));
    for (int y = 0, index = 0; y < image.height(); y += rowsPerStrip, ++index) {
        const int rows = qMin(rowsPerStrip, image.height() - y);
        for (int row = 0; row < rows; ++row) {
            toRgba(reinterpret_cast<const QRgb *>(image.constScanLine(y + row)),
                   strip.data() + size_t(row) * size_t(width), width);
        }
        const tmsize_t bytes = tmsize_t(rows) * width * 4;
        if (TIFFWriteEncodedStrip(tiff, uint32_t(index), strip.data(), bytes) != bytes)
            return false;
    }
    return true;
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

// Writes `image` into `file` as an 8-bit RGBA GeoTIFF with unassociated alpha, uncompressed, top
// row first, its upper-left corner at (west, north). Returns false on any error of libtiff,
// libgeotiff or the file, after which the file's contents are not to be kept.
bool writeGeoTiff(QIODevice *file, const QImage &picture, double west, double north)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    int errors = 0;
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, countError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
    TIFF *tiff = TIFFClientOpenExt("picture", "w", file, readFile, writeFile, seekFile, closeFile,
                                   fileSize, mapFile, unmapFile, options);
    TIFFOpenOptionsFree(options);
    if (!tiff)
        return false;
    const int rowsPerStrip = int(qBound(qsizetype(1), StripBytes / (qsizetype(image.width()) * 4),
                                        qsizetype(qMax(1, image.height()))));
    // A failed strip leaves a directory that still flushes fine, so every step counts.
    const bool written = writeTags(tiff, image, rowsPerStrip) && writeGeoKeys(tiff, west, north)
                         && writePixels(tiff, image, rowsPerStrip) && TIFFFlush(tiff);
    TIFFClose(tiff);
    return written && errors == 0;
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

    const QString baseName
            = m_variant == Summer ? m_key
                                  : m_key + QLatin1Char('_') + variantLetters(m_variant).toLower();
    const QString path = folder + baseName + QLatin1String(".tif");
    // Written beside the final name and renamed only when complete, so a full disk never leaves
    // a truncated picture and never destroys an older one.
    K_CheckedSaveFile file(path);
    // Unbuffered: libtiff hands over whole strips, which a buffer would only copy once more.
    const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                       && writeGeoTiff(&file, image, m_west, m_north);
    // A picture the writer gave up on is never committed, however much of it reached the disk.
    if (!saved || !file.finish()) {
        thread->appendLog(tr("Tile \"%1\" save error.").arg(variantKey()));
        return;
    }
    thread->recordPicture(path);

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
    if (info.size() > MaximumSize)
        return false;
    QStringDecoder decoder("Windows-1251");
    if (!decoder.isValid())
        return false;
    const QString text = decoder.decode(file.readAll());

    // The .inf must list pictures of exactly the variants asked for now: one written with the
    // seasons option off lacks the other variants, one written with it on has too many.
    int wanted = 1 << m_variant;
    for (const K_FlightSimulatorTile *variant : otherVariants)
        wanted |= 1 << variant->variant();
    int listed = 0;
    QString folder;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString dir = quotedValue(line, QLatin1String("SourceDir = "));
        if (!dir.isNull())
            folder = dir;
        const QString name = quotedValue(line, QLatin1String("SourceFile = "));
        if (name.isNull())
            continue;
        if (folder.isEmpty() || !QFileInfo(folder + name).isFile())
            return false;
        // Keys are digits, so only a variant's suffix ("_wi.tif") holds an underscore.
        const qsizetype cut = name.lastIndexOf(QLatin1Char('_'));
        const QString letters = cut < 0 ? variantLetters(Summer) : name.mid(cut + 1, 2).toUpper();
        for (int v = 0; v < VariantCount; ++v) {
            if (letters == variantLetters(Variant(v)))
                listed |= 1 << v;
        }
    }
    return listed == wanted;
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
