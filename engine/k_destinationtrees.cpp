#include "k_destinationtrees.h"

#include <algorithm>

namespace {

void countBelow(const K_FlightSimulatorTile *tile, qint64 *nodes, qint64 *sources)
{
    ++*nodes;
    if (tile->children.isEmpty())
        ++*sources;
    for (const K_FlightSimulatorTile *child : tile->children)
        countBelow(child, nodes, sources);
}

} // namespace

void K_DestinationTrees::group(const K_TileMap &sourceTiles, K_TileMap *destinationTiles,
                               int bglLod, QAtomicInteger<qint64> *tilesCounter)
{
    const int destinationKeyLength = bglLod + 2;
    for (K_FlightSimulatorTile *source : sourceTiles) {
        const QString key = source->key();
        // At the deepest level every source tile is a destination tile of its own.
        if (destinationKeyLength >= key.length()) {
            destinationTiles->insert(source->variantKey(), source);
            continue;
        }
        // Each variant has trees of its own; their roots are told apart by the variant letters
        // after the key, which keeps a destination's roots next to each other in the map.
        const QString destinationKey = key.left(destinationKeyLength);
        const QString mapKey = destinationKey + source->variantKey().mid(key.length());
        K_FlightSimulatorTile *node = destinationTiles->value(mapKey);
        if (!node) {
            node = new K_FlightSimulatorTile(destinationKey, nullptr);
            node->setVariant(source->variant());
            ++*tilesCounter;
            destinationTiles->insert(mapKey, node);
        }
        for (int length = destinationKeyLength + 1; length < key.length(); ++length) {
            const QString prefix = key.left(length);
            K_FlightSimulatorTile *child = node->children.value(prefix);
            if (!child) {
                child = new K_FlightSimulatorTile(prefix, nullptr);
                child->setVariant(source->variant());
                ++*tilesCounter;
                node->children.insert(prefix, child);
            }
            node = child;
        }
        node->children.insert(key, source);
    }
}

QVector<K_DestinationTrees::Group> K_DestinationTrees::groups(const K_TileMap &destinationTiles)
{
    // The variants of one destination lie next to each other in the map; they are built together,
    // in variant order, into one .inf file.
    QVector<Group> groups;
    for (auto it = destinationTiles.cbegin(); it != destinationTiles.cend();) {
        Group variants{it.value()};
        for (++it; it != destinationTiles.cend() && it.value()->key() == variants.first()->key();
             ++it)
            variants.append(it.value());
        std::sort(variants.begin(), variants.end(),
                  [](const K_FlightSimulatorTile *a, const K_FlightSimulatorTile *b) {
                      return a->variant() < b->variant();
                  });
        groups.append(variants);
    }
    return groups;
}

void K_DestinationTrees::count(const Group &trees, qint64 *nodes, qint64 *sources)
{
    for (const K_FlightSimulatorTile *tree : trees)
        countBelow(tree, nodes, sources);
}
