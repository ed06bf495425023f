#ifndef K_GEOTIFFWRITER_H
#define K_GEOTIFFWRITER_H

#include <QString>

class QIODevice;
class QImage;

// Writes `picture` into `file` (open for writing, at its start) as one 8-bit RGBA TIFF with
// unassociated alpha, uncompressed, top row first, placed on WGS 84 in degrees: its upper-left
// corner at (west, north), each pixel covering the source tiles' pixel size. GIS programs then
// show it in place without the .inf file. The three GeoTIFF tags go through libtiff alone, which
// learns them from a tag extender installed while the program starts, before any thread runs.
//
// Returns false on any error of libtiff or of the file, with libtiff's first message in
// `errorString` when there was one; the file's contents are then not to be kept. May run on
// several threads at once, each with a file of its own.
bool writeGeoTiff(QIODevice *file, const QImage &picture, double west, double north,
                  QString *errorString = nullptr);

#endif // K_GEOTIFFWRITER_H
