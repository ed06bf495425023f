#include "k_geotiffwriter.h"

#include <QIODevice>
#include <QImage>

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

// Pixel size of every picture in degrees: the pictures keep the source tiles' full resolution.
constexpr double PixelWidth = 120.0 / (1 << 21);
constexpr double PixelHeight = 90.0 / (1 << 21);

// Strips of about this many bytes: large enough for few writes, small enough that converting a
// strip stays in the cache and costs no second copy of the picture.
constexpr qsizetype StripBytes = 256 * 1024;

constexpr ttag_t ModelPixelScaleTag = 33550;
constexpr ttag_t ModelTiepointTag = 33922;
constexpr ttag_t GeoKeyDirectoryTag = 34735;

// libtiff refuses tags it does not know, and knows none of GeoTIFF's, so an extender teaches them
// to every file it opens. The extender is process-wide and not safe to install while another
// thread opens a file, so it is installed while the program starts; the one it replaces still
// runs.
TIFFExtendProc previousExtender = nullptr;

void registerGeoTiffTags(TIFF *tiff)
{
    static char pixelScaleName[] = "ModelPixelScaleTag";
    static char tiepointName[] = "ModelTiepointTag";
    static char keyDirectoryName[] = "GeoKeyDirectoryTag";
    static const TIFFFieldInfo fields[] = {
            {ModelPixelScaleTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, pixelScaleName},
            {ModelTiepointTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, tiepointName},
            {GeoKeyDirectoryTag, -1, -1, TIFF_SHORT, FIELD_CUSTOM, 1, 1, keyDirectoryName},
    };
    TIFFMergeFieldInfo(tiff, fields, sizeof(fields) / sizeof(fields[0]));
    if (previousExtender)
        previousExtender(tiff);
}

[[maybe_unused]] const bool geoTiffTagsRegistered
        = (previousExtender = TIFFSetTagExtender(registerGeoTiffTags), true);

// libtiff reaches the file through these. Closing leaves the file open: committing or cancelling
// it is the caller's decision. A single picture is only ever written, never read.
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
struct Errors
{
    int count = 0;
    QString first;
};

int countError(TIFF *, void *user, const char *, const char *format, va_list arguments)
{
    auto *errors = static_cast<Errors *>(user);
    if (errors->count++ == 0) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        errors->first = QString::fromLocal8Bit(text);
    }
    return 1;
}

int ignoreWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
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

// The upper-left corner at (west, north) on WGS 84, each pixel an area of the source tiles'
// pixel size: GeoTIFF 1.0 keys in ascending order, as readers expect them.
bool writeGeoKeys(TIFF *tiff, double west, double north)
{
    const double pixelScale[3] = {PixelWidth, PixelHeight, 0.0};
    const double tiePoint[6] = {0.0, 0.0, 0.0, west, north, 0.0};
    enum : uint16_t {
        ModelTypeGeoKey = 1024,
        RasterTypeGeoKey = 1025,
        GeographicTypeGeoKey = 2048,
        GeogAngularUnitsGeoKey = 2054,
        ModelTypeGeographic = 2,
        RasterPixelIsArea = 1,
        GcsWgs84 = 4326,
        AngularDegree = 9102,
    };
    // The directory is rows of four numbers: first version 1, revision 1.0 and the number of
    // keys; then per key its id, where its value is (0: in the row itself), count and value.
    struct Row
    {
        uint16_t numbers[4];
    };
    const Row directory[5] = {{{1, 1, 0, 4}},
                              {{ModelTypeGeoKey, 0, 1, ModelTypeGeographic}},
                              {{RasterTypeGeoKey, 0, 1, RasterPixelIsArea}},
                              {{GeographicTypeGeoKey, 0, 1, GcsWgs84}},
                              {{GeogAngularUnitsGeoKey, 0, 1, AngularDegree}}};
    static_assert(sizeof(directory) == 20 * sizeof(uint16_t), "rows without padding");
    // An unknown tag is refused with no more than a return value, so each one is checked.
    return TIFFSetField(tiff, ModelPixelScaleTag, 3, pixelScale)
           && TIFFSetField(tiff, ModelTiepointTag, 6, tiePoint)
           && TIFFSetField(tiff, GeoKeyDirectoryTag, 20, directory);
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

} // namespace

bool writeGeoTiff(QIODevice *file, const QImage &picture, double west, double north,
                  QString *errorString)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    Errors errors;
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, countError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
    TIFF *tiff = TIFFClientOpenExt("picture", "w", file, readFile, writeFile, seekFile, closeFile,
                                   fileSize, mapFile, unmapFile, options);
    TIFFOpenOptionsFree(options);
    bool written = false;
    if (tiff) {
        const int rowsPerStrip
                = int(qBound(qsizetype(1), StripBytes / (qsizetype(image.width()) * 4),
                             qsizetype(qMax(1, image.height()))));
        // A failed strip leaves a directory that still flushes fine, so every step counts.
        written = writeTags(tiff, image, rowsPerStrip) && writeGeoKeys(tiff, west, north)
                  && writePixels(tiff, image, rowsPerStrip) && TIFFFlush(tiff);
        TIFFClose(tiff);
    }
    if (errorString)
        *errorString = errors.first;
    return written && errors.count == 0;
}
