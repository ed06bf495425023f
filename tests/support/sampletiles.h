#ifndef SAMPLETILES_H
#define SAMPLETILES_H

#include <QString>
#include <QStringList>

// The sample scenery that orvik-make-sample writes and the tests convert: two destination tiles
// at BGL LOD 8 made of DXT1, DXT3 and DXT5 tiles. The first holds a complete 4x4 block and a
// quartet whose fourth tile is completely transparent; the second holds a complete quartet, a
// lone tile beside a gap and one truncated (broken) file. The first also comes in winter (the
// 4x4 block) and as a night light map (the quartet, all four opaque), which only a conversion
// of seasons reads.
namespace SampleTiles {

// The keys of the destination tiles at BGL LOD 8, in key order.
QStringList destinationKeys();

// The 15-character keys of every file written, in key order.
QStringList keys();

// The file names of the winter and night tiles, in key order.
QStringList seasonFileNames();

// The key of the truncated file.
QString brokenKey();

// The key of the completely transparent tile.
QString transparentKey();

// Writes the tile bitmaps (key + "SU.BMP", and the season files) directly into `folder`, creating
// it if missing. Returns false when the folder or a file cannot be written.
bool write(const QString &folder);

} // namespace SampleTiles

#endif // SAMPLETILES_H
