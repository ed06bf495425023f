#include "tiffsamples.h"

#include <QFile>

#include <tiffio.h>
#ifdef ORVIK_HAVE_LIBGEOTIFF
#include <geotiffio.h>
#include <xtiffio.h>
#endif

#include <vector>

namespace {

// libgeotiff's own open registers the GeoTIFF tags itself, so its reading does not rest on the
// writer's registration.
TIFF *openTiff(const QString &path)
{
#if defined(ORVIK_HAVE_LIBGEOTIFF)
    return XTIFFOpen(QFile::encodeName(path).constData(), "r");
#else
    return TIFFOpenW(reinterpret_cast<const wchar_t *>(path.utf16()), "r");
#endif
}

void closeTiff(TIFF *tiff)
{
#if defined(ORVIK_HAVE_LIBGEOTIFF)
    XTIFFClose(tiff);
#else
    TIFFClose(tiff);
#endif
}

// Model type, raster type, geographic type and angular unit. Without libgeotiff the key
// directory is looked up by hand.
QVector<double> geoKeys(TIFF *tiff)
{
    QVector<double> values;
#if defined(ORVIK_HAVE_LIBGEOTIFF)
    GTIF *geoTiff = GTIFNew(tiff);
    for (const geokey_t key :
         {GTModelTypeGeoKey, GTRasterTypeGeoKey, GeographicTypeGeoKey, GeogAngularUnitsGeoKey}) {
        unsigned short value = 0;
        GTIFKeyGetSHORT(geoTiff, key, &value, 0, 1);
        values << value;
    }
    GTIFFree(geoTiff);
#else
    uint16_t count = 0;
    uint16_t *keys = nullptr;
    const bool read
            = TIFFGetField(tiff, 34735, &count, &keys) && count >= 4 && count >= 4 + 4 * keys[3];
    for (const uint16_t key : {1024, 1025, 2048, 2054}) {
        uint16_t value = 0;
        for (int i = 0; read && i < keys[3]; ++i) {
            const uint16_t *entry = keys + 4 + 4 * i;
            if (entry[0] == key && entry[1] == 0 && entry[2] == 1)
                value = entry[3];
        }
        values << value;
    }
#endif
    return values;
}

} // namespace

QVector<double> readGeoReference(const QString &path)
{
    TIFF *tiff = openTiff(path);
    uint16_t scaleCount = 0, count = 0;
    uint32_t width = 0, height = 0;
    double *scale = nullptr, *tie = nullptr;
    QVector<double> values;
    if (tiff && TIFFGetField(tiff, 33550, &scaleCount, &scale)
        && TIFFGetField(tiff, 33922, &count, &tie) && TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width)
        && TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height)) {
        values << scaleCount << count << tie[0] << tie[1] << tie[3] << tie[4]
               << tie[3] + width * scale[0] << tie[4] - height * scale[1];
        values += geoKeys(tiff);
    }
    if (tiff)
        closeTiff(tiff);
    return values;
}

QImage readTiffSamples(const QString &path)
{
    TIFF *tiff = openTiff(path);
    if (!tiff)
        return QImage();
    uint32_t width = 0, height = 0;
    uint16_t samples = 0, bits = 0, planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    QImage picture;
    if (samples == 4 && bits == 8 && planar == PLANARCONFIG_CONTIG) {
        picture = QImage(int(width), int(height), QImage::Format_ARGB32);
        std::vector<uchar> line(TIFFScanlineSize(tiff));
        for (uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) {
                picture = QImage();
                break;
            }
            auto *row = reinterpret_cast<QRgb *>(picture.scanLine(int(y)));
            for (uint32_t x = 0; x < width; ++x)
                row[x] = qRgba(line[4 * x], line[4 * x + 1], line[4 * x + 2], line[4 * x + 3]);
        }
    }
    closeTiff(tiff);
    return picture;
}
