#ifndef K_FLIGHTSIMULATORTILE_ASSEMBLY_H
#define K_FLIGHTSIMULATORTILE_ASSEMBLY_H

#include <QtGlobal>

class K_FlightSimulatorTile;

// What the assembly of destination pictures (K_FlightSimulatorTile::assembleImage) tells before it
// runs and takes from outside: the room its pictures can need, and how large a picture it may
// hold in memory. Safe on any thread.
namespace K_TileAssembly {

// At least the bytes on disk of the pictures that building `tree` can save, known from the tree
// alone before any tile is read.
qint64 picturesSizeBound(const K_FlightSimulatorTile &tree, bool singleDestinationImage);

// The largest picture, in bytes, that this machine's memory is trusted with: a larger node that a
// TIFF file could still hold is saved as its complete quadrants instead, and the log says so. By
// default the physical memory; tests lower it.
qint64 pictureSizeLimit();
void setPictureSizeLimit(qint64 bytes);

} // namespace K_TileAssembly

#endif // K_FLIGHTSIMULATORTILE_ASSEMBLY_H
