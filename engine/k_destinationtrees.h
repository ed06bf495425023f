#ifndef K_DESTINATIONTREES_H
#define K_DESTINATIONTREES_H

#include "tiles/k_flightsimulatortile.h"

#include <QAtomicInteger>
#include <QVector>

// The quad trees of a conversion: the source tiles linked under destination tiles of the chosen
// level, one tree per destination and variant, and each destination's trees taken together. Plain
// functions for the builder thread, which alone touches the tiles while they run.
class K_DestinationTrees
{
public:
    // One destination's trees, one per variant, in variant order (summer first); all have the
    // destination's key.
    using Group = QVector<K_FlightSimulatorTile *>;

    // Links every tile of `sourceTiles` into trees under destination tiles whose keys are
    // `bglLod` + 2 characters long, creating the destination and intermediate tiles, which go
    // into `destinationTiles` under the destination's key followed by the variant's letters (none
    // for summer), and counting each one in `tilesCounter`. At BGL LOD 13 each source tile is a
    // destination tile of its own.
    static void group(const K_TileMap &sourceTiles, K_TileMap *destinationTiles, int bglLod,
                      QAtomicInteger<qint64> *tilesCounter);

    // The destinations of `destinationTiles`, in key order, each with its trees.
    static QVector<Group> groups(const K_TileMap &destinationTiles);

    // Adds the tile nodes of `trees`, themselves included, to `nodes`, and the source tiles among
    // them to `sources`.
    static void count(const Group &trees, qint64 *nodes, qint64 *sources);
};

#endif // K_DESTINATIONTREES_H
