#ifndef K_FLIGHTSIMULATORTILE_ASSEMBLY_H
#define K_FLIGHTSIMULATORTILE_ASSEMBLY_H

#include <QVector>
#include <QtGlobal>

class K_FlightSimulatorTile;

// What the assembly of destination pictures (K_FlightSimulatorTile::assembleImage) tells before it
// runs and takes from outside: the room its pictures can need, and how large a picture it may
// hold in memory. Safe on any thread.
namespace K_TileAssembly {

// The nodes of `tree` that building it saves as one picture each when every tile reads as it
// should, known from the tree alone before any tile is read. Broken or completely transparent
// tiles that are left out only split the pictures they are in, into fewer bytes in all.
QVector<const K_FlightSimulatorTile *> plannedPictures(const K_FlightSimulatorTile &tree,
                                                       bool singleDestinationImage);
// At least the bytes of the TIFF file of a picture of a node of `level`.
qint64 pictureFileBound(int level);

// The largest picture, in bytes, that this machine's memory is trusted with: a larger node that a
// TIFF file could still hold is saved as its complete quadrants instead, and the log says so. By
// default the physical memory; tests lower it.
qint64 pictureSizeLimit();
void setPictureSizeLimit(qint64 bytes);

} // namespace K_TileAssembly

#endif // K_FLIGHTSIMULATORTILE_ASSEMBLY_H
