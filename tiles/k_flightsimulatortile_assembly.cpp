// Assembly of a destination tile's pictures.
//
// Instead of painting every node into a new picture of twice the side, the highest node that can
// be complete gets one canvas, and every source tile below it is decoded straight into its place
// there; a complete node's picture is then simply its square of the canvas. What painting would
// change is reproduced exactly: drawing onto a transparent picture runs every pixel through the
// premultiplied round trip, which a table taken from the painter itself applies to the tiles
// that are not opaque.

#include "k_flightsimulatortile.h"

#include "engine/k_builderthread.h"
#include "k_flightsimulatorbmpreader.h"
#include "k_flightsimulatortile_assembly.h"
#include "k_painttable.h"
#include "k_platform.h"
#include "k_tilereadahead.h"

#include <QScopeGuard>
#include <QVector>

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

constexpr int SourceSide = 256;
constexpr int SourceLevel = 13;

// A classic TIFF file addresses at most 4 GiB, headers included.
constexpr qint64 TiffSizeLimit = (qint64(1) << 32) - (qint64(1) << 20);

std::atomic<qint64> &sizeLimit()
{
    // On Linux a huge allocation may "succeed" and kill the process when touched, so a picture
    // larger than the physical memory is not even tried.
    static std::atomic<qint64> limit(K_Platform::physicalMemory());
    return limit;
}

qint64 pictureBytes(int level)
{
    const qint64 side = qint64(SourceSide) << (SourceLevel - level);
    return side * side * 4;
}

// Where quadrant `digit` of a square `half` * 2 pixels wide starts.
uchar *quadrantOf(uchar *place, int digit, int half, qsizetype bytesPerLine)
{
    return place + (digit / 2) * half * bytesPerLine + (digit % 2) * half * sizeof(QRgb);
}

void fill(uchar *place, int side, qsizetype bytesPerLine, QRgb value)
{
    for (int y = 0; y < side; ++y) {
        auto *row = reinterpret_cast<QRgb *>(place + y * bytesPerLine);
        std::fill(row, row + side, value);
    }
}

// Pictures carry 96 dpi whatever the screen, so the same tiles always give the same files. Set
// while the picture is not shared yet, which keeps it from being copied.
void setResolution(QImage &picture)
{
    constexpr int DotsPerMeter = 3780;
    picture.setDotsPerMeterX(DotsPerMeter);
    picture.setDotsPerMeterY(DotsPerMeter);
}

QImage view(uchar *place, int side, qsizetype bytesPerLine)
{
    QImage picture(place, side, side, bytesPerLine, QImage::Format_ARGB32);
    setResolution(picture);
    return picture;
}

// Whether every quadrant down to the source tiles is there, or need not be with a single picture.
bool canBeComplete(const K_FlightSimulatorTile &tile, bool singleDestinationImage)
{
    if (singleDestinationImage || tile.level() >= SourceLevel)
        return true;
    for (int digit = 0; digit < 4; ++digit) {
        const K_FlightSimulatorTile *quadrant = tile.child(digit);
        if (!quadrant || !canBeComplete(*quadrant, false))
            return false;
    }
    return true;
}

// Whether a node is one picture depends on the tiles and on what a TIFF file holds only, so the
// same tiles give the same files everywhere; a machine short of memory is the exception, and
// says so.
bool isOnePicture(const K_FlightSimulatorTile &tile, bool singleDestinationImage)
{
    const qint64 bytes = pictureBytes(tile.level());
    return bytes <= TiffSizeLimit && bytes <= K_TileAssembly::pictureSizeLimit()
           && canBeComplete(tile, singleDestinationImage);
}

} // namespace

struct K_FlightSimulatorTile::Assembly
{
    K_BuilderThread *thread = nullptr;
    QString folder;
    bool singleDestinationImage = false;
    bool passCompletelyTransparentTiles = false;
    bool passBrokenTiles = false;
    bool verticalMirrorSourceTiles = false;
    ResampleSources *sources = nullptr;

    // Source tiles decoded into a canvas that are not opaque and still owe the painter's round
    // trip to the next complete node above them.
    struct Unpainted
    {
        uchar *place;
        qsizetype bytesPerLine;
    };
    QVector<Unpainted> unpainted;

    // The source tiles below the node that owns the canvas, in the order the walk reaches them,
    // each decoded into its place by whichever thread gets to it first.
    struct SourceRead
    {
        const K_FlightSimulatorTile *tile = nullptr;
        uchar *place = nullptr;
        bool read = false;
        QSize size;
        bool opaque = false;
        bool transparent = false;
        bool unreadable = false;
        K_Platform::FileStamp stamp;
        QString errorString;
    };
    std::vector<SourceRead> reads;
    int nextRead = 0;
    K_TileReadAhead *readAhead = nullptr;

    void collectReads(const K_FlightSimulatorTile *tile, uchar *place, qsizetype bytesPerLine)
    {
        if (tile->level() >= SourceLevel) {
            SourceRead source;
            source.tile = tile;
            source.place = place;
            reads.push_back(source);
            return;
        }
        const int half = (SourceSide << (SourceLevel - tile->level())) / 2;
        for (int digit = 0; digit < 4; ++digit) {
            if (const K_FlightSimulatorTile *child = tile->child(digit)) {
                collectReads(child, quadrantOf(place, digit, half, bytesPerLine), bytesPerLine);
            }
        }
    }

    // Runs on any thread: touches only its own record and its own square of the canvas.
    void read(SourceRead &source, qsizetype bytesPerLine) const
    {
        K_FlightSimulatorBMPReader reader(source.tile->filePath());
        source.read = reader.readInto(source.place, bytesPerLine, QSize(SourceSide, SourceSide),
                                      verticalMirrorSourceTiles);
        source.size = reader.imageSize();
        source.errorString = reader.errorString();
        source.unreadable = reader.isUnreadable();
        source.stamp = reader.stamp();
        source.opaque = reader.isOpaque();
        // A picture of another size is not decoded, yet its transparency still decides whether
        // it is dropped or painted white.
        source.transparent = reader.isCompletelyTransparent();
    }
};

qint64 K_TileAssembly::pictureSizeLimit()
{
    return sizeLimit().load();
}

void K_TileAssembly::setPictureSizeLimit(qint64 bytes)
{
    sizeLimit().store(bytes);
}

QImage K_FlightSimulatorTile::assembleImage(K_BuilderThread *thread, const QString &folder,
                                            bool singleDestinationImage,
                                            bool passCompletelyTransparentTiles,
                                            bool passBrokenTiles, bool verticalMirrorSourceTiles,
                                            ResampleSources &sources)
{
    Assembly assembly;
    assembly.thread = thread;
    assembly.folder = folder;
    assembly.singleDestinationImage = singleDestinationImage;
    assembly.passCompletelyTransparentTiles = passCompletelyTransparentTiles;
    assembly.passBrokenTiles = passBrokenTiles;
    assembly.verticalMirrorSourceTiles = verticalMirrorSourceTiles;
    assembly.sources = &sources;
    return assemble(assembly, nullptr, 0);
}

qint64 K_TileAssembly::pictureFileBound(int level)
{
    // TIFF adds a header of a few hundred bytes and eight bytes for each strip of 256 KiB.
    constexpr qint64 PictureOverhead = 1024;
    return pictureBytes(level) + pictureBytes(level) / 1024 + PictureOverhead;
}

QVector<const K_FlightSimulatorTile *>
K_TileAssembly::plannedPictures(const K_FlightSimulatorTile &tree, bool singleDestinationImage)
{
    // The nodes that the assembly makes one picture each when every tile reads as it should.
    if (isOnePicture(tree, singleDestinationImage))
        return {&tree};
    QVector<const K_FlightSimulatorTile *> pictures;
    for (const K_FlightSimulatorTile *child : tree.children)
        pictures += plannedPictures(*child, singleDestinationImage);
    return pictures;
}

// `canvas` is this node's square in an ancestor's canvas, or null when no ancestor has one.
QImage K_FlightSimulatorTile::assemble(Assembly &assembly, uchar *canvas, qsizetype bytesPerLine)
{
    K_BuilderThread *thread = assembly.thread;
    if (thread->isBreak())
        return QImage();
    const qint64 processed = qint64(thread->processedTilesCount()) + 1;
    thread->setProcessedTilesCount(int(processed));
    thread->reportProgress(int(processed * 100 / qMax(1, thread->tilesCount())));

    QImage own = canvas ? QImage() : ownCanvas(assembly);
    if (!own.isNull()) {
        canvas = own.bits();
        bytesPerLine = own.bytesPerLine();
    }
    // The node that owns the canvas has every source tile below it decoded on all cores, ahead
    // of the walk, which still takes them one by one in its own order.
    std::unique_ptr<K_TileReadAhead> readAhead;
    if (!own.isNull()) {
        assembly.reads.clear();
        assembly.nextRead = 0;
        assembly.collectReads(this, canvas, bytesPerLine);
        readAhead = std::make_unique<K_TileReadAhead>(
                int(assembly.reads.size()), [&assembly, bytesPerLine](int index, int) {
                    assembly.read(assembly.reads[size_t(index)], bytesPerLine);
                });
        assembly.readAhead = readAhead.get();
    }
    const auto readAheadEnds = qScopeGuard([&assembly, &readAhead] {
        if (readAhead)
            assembly.readAhead = nullptr;
    });

    QImage picture;
    if (m_level >= SourceLevel) {
        thread->countSourceTile();
        picture = readSourceTile(assembly, canvas, bytesPerLine);
    } else {
        picture = assembleQuadrants(assembly, canvas, bytesPerLine);
    }
    return picture.isNull() || own.isNull() ? picture : own;
}

QImage K_FlightSimulatorTile::ownCanvas(Assembly &assembly) const
{
    if (pictureBytes(m_level) > TiffSizeLimit
        || !canBeComplete(*this, assembly.singleDestinationImage))
        return QImage();
    const int side = SourceSide << (SourceLevel - m_level);
    QImage own;
    // Only the memory is left to ask: the rest of isOnePicture() is answered above.
    if (pictureBytes(m_level) <= K_TileAssembly::pictureSizeLimit())
        own = QImage(side, side, QImage::Format_ARGB32);
    if (!own.isNull()) {
        setResolution(own);
        // A canvas is written whole, so large pages cost no memory and save most page faults.
        K_Platform::adviseHugePages(own.bits(), own.sizeInBytes());
    } else if (m_level < SourceLevel) {
        assembly.thread->appendInfo(tr("Tile \"%1\" does not fit into memory, its quarters are "
                                       "saved separately.")
                                            .arg(variantKey()));
    }
    return own;
}

QImage K_FlightSimulatorTile::assembleQuadrants(Assembly &assembly, uchar *canvas,
                                                qsizetype bytesPerLine)
{
    K_BuilderThread *thread = assembly.thread;
    const int side = SourceSide << (SourceLevel - m_level);
    const int half = side / 2;
    const int firstUnpainted = int(assembly.unpainted.size());
    Quadrants quadrants;
    bool allPresent = true;
    for (int digit = 0; digit < 4; ++digit) {
        if (thread->isBreak())
            break;
        uchar *place = canvas ? quadrantOf(canvas, digit, half, bytesPerLine) : nullptr;
        quadrants.tiles[digit] = child(digit);
        if (quadrants.tiles[digit])
            quadrants.pictures[digit]
                    = quadrants.tiles[digit]->assemble(assembly, place, bytesPerLine);
        if (!canvas) {
            // Without a canvas this node is never one picture, so each complete quadrant is saved
            // and freed before the next is assembled: one quadrant picture at a time.
            if (!quadrants.pictures[digit].isNull()) {
                quadrants.tiles[digit]->saveImage(thread, assembly.folder,
                                                  quadrants.pictures[digit], *assembly.sources);
            }
            quadrants.pictures[digit] = QImage();
            assembly.unpainted.resize(firstUnpainted);
            allPresent = false;
        } else if (quadrants.pictures[digit].isNull()) {
            if (assembly.singleDestinationImage && place) {
                fill(place, half, bytesPerLine, 0);
                quadrants.pictures[digit] = view(place, half, bytesPerLine);
            } else {
                allPresent = false;
            }
        }
    }
    if (thread->isBreak()) {
        assembly.unpainted.resize(firstUnpainted);
        return QImage();
    }
    if (allPresent && canvas)
        return completed(assembly, firstUnpainted, canvas, bytesPerLine);
    // Not complete: its complete quadrants, squares of the canvas, become pictures of their own,
    // and nothing above paints them any more.
    assembly.unpainted.resize(firstUnpainted);
    saveQuadrants(assembly, quadrants);
    return QImage();
}

QImage K_FlightSimulatorTile::completed(Assembly &assembly, int firstUnpainted, uchar *canvas,
                                        qsizetype bytesPerLine) const
{
    const K_PaintTable &table = K_PaintTable::instance();
    for (int i = firstUnpainted; i < assembly.unpainted.size(); ++i)
        table.apply(assembly.unpainted.at(i).place, assembly.unpainted.at(i).bytesPerLine);
    if (table.isIdempotent())
        assembly.unpainted.resize(firstUnpainted);
    if (assembly.thread->isBreak())
        return QImage();
    return view(canvas, SourceSide << (SourceLevel - m_level), bytesPerLine);
}

void K_FlightSimulatorTile::saveQuadrants(Assembly &assembly, Quadrants &quadrants) const
{
    for (int digit = 0; digit < 4; ++digit) {
        if (assembly.thread->isBreak())
            break;
        // Only a tile of its own has a picture here: substitutes exist only in complete nodes.
        if (quadrants.pictures[digit].isNull())
            continue;
        quadrants.tiles[digit]->saveImage(assembly.thread, assembly.folder,
                                          quadrants.pictures[digit], *assembly.sources);
        quadrants.pictures[digit] = QImage();
    }
}

QImage K_FlightSimulatorTile::readSourceTile(Assembly &assembly, uchar *canvas,
                                             qsizetype bytesPerLine)
{
    K_BuilderThread *thread = assembly.thread;
    if (!canvas) {
        thread->appendLog(tr("Tile \"%1\" begin painting error.").arg(variantKey()));
        return QImage();
    }

    // A read that threw (out of memory) is a read error of its own, whatever it left behind.
    QString failure;
    const bool worked = assembly.readAhead->waitFor(assembly.nextRead, &failure);
    const Assembly::SourceRead &source = assembly.reads.at(size_t(assembly.nextRead++));
    Q_ASSERT(source.tile == this && source.place == canvas);
    const bool read = worked && source.read;
    thread->noteSourceTile(*this, source.stamp, !worked || source.unreadable);
    bool present = read && source.size == QSize(SourceSide, SourceSide);
    bool opaque = present && source.opaque;
    const bool transparent = worked && source.transparent;
    if (!read) {
        thread->appendLog(tr("BMP tile \"%1\" read error: ").arg(variantKey())
                          + (worked ? source.errorString : failure) + QLatin1String("."));
    } else if (!present) {
        thread->appendLog(tr("BMP tile \"%1\" image dimensions not 256x256.").arg(variantKey()));
    }

    if (!present && !assembly.passBrokenTiles) {
        fill(canvas, SourceSide, bytesPerLine, 0xffffffff);
        present = true;
        opaque = true;
    }
    if (present && assembly.passCompletelyTransparentTiles && transparent)
        present = false;
    if (!present)
        return QImage();
    if (!opaque)
        assembly.unpainted.append({canvas, bytesPerLine});
    return view(canvas, SourceSide, bytesPerLine);
}
