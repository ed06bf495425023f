#ifndef TIFFSAMPLES_H
#define TIFFSAMPLES_H

#include <QImage>
#include <QString>
#include <QVector>

// Reads a TIFF file's samples as they are stored, through libtiff: Qt's own reader hands back
// premultiplied pixels for pictures with alpha, which would hide the colour under low alpha.
// Returns a Format_ARGB32 picture of the stored (unassociated) samples, or a null picture when
// the file is not 8-bit RGBA.
QImage readTiffSamples(const QString &path);

// A TIFF file's georeference: the counts of pixel scales and tie-point values, the tie point's
// raster corner, the west and north it lies on, the east and south that the far corner reaches,
// then the model type, raster type, geographic type and angular unit. Empty when it has none.
QVector<double> readGeoReference(const QString &path);

#endif // TIFFSAMPLES_H
