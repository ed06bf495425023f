#ifndef K_SAMPLETILES_H
#define K_SAMPLETILES_H

#include <QObject>
#include <QString>
#include <QStringList>

// The sample scenery that orvik-make-sample writes and the tests convert: two destination tiles
// at BGL LOD 8 made of DXT1, DXT3 and DXT5 tiles. The first holds a complete 4x4 block and a
// quartet whose fourth tile is completely transparent; the second holds a complete quartet, a
// lone tile beside a gap and one truncated (broken) file. The first also comes in winter (the
// 4x4 block) and as a night light map (the quartet, all four opaque), which only a conversion
// of seasons reads. Only static functions, safe on any thread.
class K_SampleTiles : public QObject
{
    Q_OBJECT

public:
    // The keys of the destination tiles at BGL LOD 8, in key order.
    static QStringList destinationKeys();

    // The 15-character keys of every file written, in key order.
    static QStringList keys();

    // The file names of the winter and night tiles, in key order.
    static QStringList seasonFileNames();

    // The key of the truncated file.
    static QString brokenKey();

    // The key of the completely transparent tile.
    static QString transparentKey();

    // Writes the tile bitmaps (key + "SU.BMP", and the season files) directly into `folder`,
    // creating it if missing. Only into a new or empty folder, and never over a file, not even
    // one that appears while it writes: false, with the reason in `error`, for a folder that
    // holds anything or a file that cannot be written. A file it began and could not finish is
    // removed; the files written before it stay.
    static bool write(const QString &folder, QString *error = nullptr);

    // What write() did, for the log and the console: the number of files and the folder.
    static QString writtenText(const QString &folder);
};

#endif // K_SAMPLETILES_H
