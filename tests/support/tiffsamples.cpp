#include "tiffsamples.h"

#include <QFile>

#include <geotiffio.h>
#include <tiffio.h>
#include <xtiffio.h>

#include <vector>

QImage readTiffSamples(const QString &path)
{
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
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
    TIFFClose(tiff);
    return picture;
}

QVector<double> readGeoReference(const QString &path)
{
    TIFF *tiff = XTIFFOpen(QFile::encodeName(path).constData(), "r");
    uint16_t scaleCount = 0, count = 0;
    uint32_t width = 0, height = 0;
    double *scale = nullptr, *tie = nullptr;
    QVector<double> values;
    if (tiff && TIFFGetField(tiff, TIFFTAG_GEOPIXELSCALE, &scaleCount, &scale)
        && TIFFGetField(tiff, TIFFTAG_GEOTIEPOINTS, &count, &tie)
        && TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width)
        && TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height)) {
        values = {double(scaleCount),
                  double(count),
                  tie[0],
                  tie[1],
                  tie[3],
                  tie[4],
                  tie[3] + width * scale[0],
                  tie[4] - height * scale[1]};
        GTIF *geoTiff = GTIFNew(tiff);
        for (const geokey_t key : {GTModelTypeGeoKey, GTRasterTypeGeoKey, GeographicTypeGeoKey,
                                   GeogAngularUnitsGeoKey}) {
            unsigned short value = 0;
            GTIFKeyGetSHORT(geoTiff, key, &value, 0, 1);
            values << value;
        }
        GTIFFree(geoTiff);
    }
    if (tiff)
        XTIFFClose(tiff);
    return values;
}
