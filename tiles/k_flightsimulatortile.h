#ifndef K_FLIGHTSIMULATORTILE_H
#define K_FLIGHTSIMULATORTILE_H

#include <QImage>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

#include "k_resamplefile.h"

#include <optional>

class K_BuilderThread;
class K_FlightSimulatorTile;

// Tiles by key, in the order of their keys: the builder's source and destination tiles, a tile's
// children.
using K_TileMap = QMap<QString, K_FlightSimulatorTile *>;

// One node of the FS9 quad tree: a key of a two-character region prefix and one quadrant digit per
// level (0 north-west, 1 north-east, 2 south-west, 3 south-east), and the rectangle on the globe
// that the key denotes.
//
// A tile owns the tiles in `children`; deleting a tile deletes its whole subtree. Tiles are
// created without a QObject parent and are used by one thread at a time (the builder thread while
// a conversion runs, the GUI thread after it).
class K_FlightSimulatorTile : public QObject
{
    Q_OBJECT

public:
    // The seasons and the night light map an FS9 tile may come in, in the order they are built
    // and listed in the .inf file. Each is a file of its own, named by the key and two letters.
    enum Variant { Summer, Spring, Fall, Winter, HardWinter, Night };
    static constexpr int VariantCount = 6;

    // The variant of an FS9 tile bitmap's file name: 15 key characters, the variant's letters
    // and ".BMP", the last six in any case. Nothing for any other name.
    static std::optional<Variant> variantOfFileName(const QString &fileName);
    // "SU", "SP", "FA", "WI", "HW" or "LM".
    static QString variantLetters(Variant variant);

    explicit K_FlightSimulatorTile(const QString &key, QObject *parent = nullptr);
    ~K_FlightSimulatorTile() override;

    QString key() const { return m_key; }
    // Summer, unless set when the tile is created; a tile's subtree is all of its variant.
    Variant variant() const { return m_variant; }
    void setVariant(Variant variant) { m_variant = variant; }
    // The key, followed by the variant's letters for every variant but summer: the tile's name
    // in the log and in the builder's tile maps.
    QString variantKey() const;
    int level() const { return m_level; }
    // The name its picture is saved under: "<key>.tif", or "<key>_<letters>.tif" with the
    // variant's letters in lower case for every variant but summer.
    QString pictureFileName() const;
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &filePath) { m_filePath = filePath; }

    double west() const { return m_west; }
    double east() const { return m_east; }
    double south() const { return m_south; }
    double north() const { return m_north; }

    // Child nodes keyed by their full key (this key plus one character); filled by the builder.
    K_TileMap children;
    // The child in quadrant `digit` (0 to 3), or null.
    K_FlightSimulatorTile *child(int digit) const
    {
        return children.value(m_key + QChar(u'0' + digit));
    }

    // Assembles this destination tile's subtree, then each tree of `otherVariants` (the same
    // destination in later variants, in variant order), each on its own; saves the pictures as
    // TIFF files under "Source/<key>/" in `destinationFolder` and writes one "<key>.inf" beside
    // that folder that lists them all, variant by variant. Returns true when the run was not
    // broken off and at least one picture was saved; `resampleFileContents` then receives what
    // the .inf holds, when it was written. Runs on the builder thread; reports through its
    // progress, log and break operations. A file that fails to be written leaves no partial file
    // behind and keeps an older file of the same name.
    bool build(K_BuilderThread *thread, QString destinationFolder, int compressionQuality,
               bool singleDestinationImage, bool passCompletelyTransparentTiles,
               bool passBrokenTiles, bool verticalMirrorSourceTiles,
               const QVector<K_FlightSimulatorTile *> &otherVariants = {},
               QByteArray *resampleFileContents = nullptr);

    // Assembles the picture of this node from its subtree. Returns the full picture when the node
    // is complete, or a null picture after saving the node's complete parts into `folder` when
    // it is not (or when a break was requested). Nodes are visited depth first in quadrant order,
    // each counted once in the thread's progress. A node too large for one picture saves each
    // complete quadrant as soon as it is assembled, so at most one quadrant picture is alive.
    QImage assembleImage(K_BuilderThread *thread, const QString &folder,
                         bool singleDestinationImage, bool passCompletelyTransparentTiles,
                         bool passBrokenTiles, bool verticalMirrorSourceTiles,
                         ResampleSources &sources);

    // Saves `image` as `folder` + pictureFileName(), an RGBA GeoTIFF placed at this tile's
    // upper-left corner on WGS 84, and records it in `sources`; logs a failure. The file appears
    // only when complete: a failed save leaves no file behind and keeps an older one of the same
    // name.
    void saveImage(K_BuilderThread *thread, const QString &folder, const QImage &image,
                   ResampleSources &sources);

    static void clearSources(ResampleSources &sources);

private:
    struct Assembly;
    struct Quadrants
    {
        K_FlightSimulatorTile *tiles[4] = {};
        QImage pictures[4];
    };

    void decodeKey();
    QImage assemble(Assembly &assembly, uchar *canvas, qsizetype bytesPerLine);
    QImage ownCanvas(Assembly &assembly) const;
    QImage assembleQuadrants(Assembly &assembly, uchar *canvas, qsizetype bytesPerLine);
    QImage completed(Assembly &assembly, int firstUnpainted, uchar *canvas,
                     qsizetype bytesPerLine) const;
    void saveQuadrants(Assembly &assembly, Quadrants &quadrants) const;
    QImage readSourceTile(Assembly &assembly, uchar *canvas, qsizetype bytesPerLine);

    QString m_key;
    int m_keyLength = 0;
    int m_level = 0;
    double m_west = 0.0;
    double m_east = 0.0;
    double m_south = 0.0;
    double m_north = 0.0;
    QString m_filePath;
    Variant m_variant = Summer;
};

#endif // K_FLIGHTSIMULATORTILE_H
