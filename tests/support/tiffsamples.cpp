#include "tiffsamples.h"

#include <QFile>

#include <tiffio.h>

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
