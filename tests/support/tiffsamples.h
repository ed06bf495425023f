#ifndef TIFFSAMPLES_H
#define TIFFSAMPLES_H

#include <QImage>
#include <QString>
#include <QVector>

// An 8-bit RGBA TIFF file's samples as stored, else a null picture. Qt's own reader premultiplies
// pictures with alpha, which would hide the colour under low alpha.
QImage readTiffSamples(const QString &path);

// A TIFF file's pixel scale and tie-point counts, tie point (raster corner, west, north), the east
// and south its far corner reaches, then model, raster and geographic type and angular unit.
QVector<double> readGeoReference(const QString &path);

#endif // TIFFSAMPLES_H
