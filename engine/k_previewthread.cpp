#include "k_previewthread.h"

#include "engine/k_sourcefolder.h"
#include "tiles/k_flightsimulatorbmpreader.h"
#include "tiles/k_flightsimulatortile.h"
#include "tiles/k_tilereadahead.h"

#include <QDir>
#include <QHash>
#include <QMutexLocker>

#include <algorithm>

namespace {

constexpr int SourceLevel = 13;
constexpr int SourceSide = 256;

} // namespace

K_PreviewThread::K_PreviewThread(const Settings &settings, QObject *parent)
    : QThread(parent)
    , settings(settings)
{ }

K_PreviewThread::~K_PreviewThread()
{
    cancel();
    wait();
}

void K_PreviewThread::cancel()
{
    cancelled.store(true);
}

void K_PreviewThread::run()
{
    build();
}

QString K_PreviewThread::errorString() const
{
    const QMutexLocker locker(&mutex);
    return error;
}

K_PreviewThread::Layout K_PreviewThread::layout() const
{
    const QMutexLocker locker(&mutex);
    return found;
}

K_PreviewThread::Counts K_PreviewThread::counts() const
{
    const QMutexLocker locker(&mutex);
    return counted;
}

QList<K_PreviewThread::Destination> K_PreviewThread::destinations() const
{
    const QMutexLocker locker(&mutex);
    return destinationList;
}

bool K_PreviewThread::scan()
{
    const QString problem = K_SourceFolder::problem(settings.sourceFolder);
    if (!problem.isEmpty()) {
        const QMutexLocker locker(&mutex);
        error = problem;
        return false;
    }
    const QDir dir(settings.sourceFolder.trimmed());
    sourceDir = dir.absolutePath() + QLatin1Char('/');

    Layout layout;
    const QVector<Found> tiles = listTiles(dir, &layout);
    QList<Destination> destinations;
    QVector<Entry> sorted;
    if (!tiles.isEmpty()) {
        layOut(tiles, &layout);
        destinations = destinationsOf(tiles, layout);
        sorted = entriesOf(tiles, layout, destinations);
    } else {
        layout.noTilesText
                = layout.variants.isEmpty()
                          ? K_SourceFolder::noTilesText(settings.sourceFolder, true)
                          : tr("No tile bitmaps of variant %1 in \"%2\".")
                                    .arg(layout.variant, settings.sourceFolder.trimmed());
    }

    layout.tiles = int(sorted.size());
    const QMutexLocker locker(&mutex);
    found = layout;
    entries = sorted;
    destinationList = destinations;
    return true;
}

QVector<K_PreviewThread::Found> K_PreviewThread::listTiles(const QDir &dir, Layout *layout) const
{
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    // Every tile bitmap with its variant, named once.
    QVector<std::pair<QString, K_FlightSimulatorTile::Variant>> bitmaps;
    int present = 0;
    for (const QString &name : names) {
        if (const auto fileVariant = K_FlightSimulatorTile::variantOfFileName(name)) {
            present |= 1 << *fileVariant;
            bitmaps.append({name, *fileVariant});
        }
    }
    for (int v = 0; v < K_FlightSimulatorTile::VariantCount; ++v) {
        if (present & (1 << v))
            layout->variants << K_FlightSimulatorTile::variantLetters(
                    K_FlightSimulatorTile::Variant(v));
    }
    layout->variant = settings.variant;
    if (layout->variant.isEmpty())
        layout->variant
                = layout->variants.isEmpty() ? QStringLiteral("SU") : layout->variants.first();
    QVector<Found> tiles;
    for (const auto &[name, fileVariant] : qAsConst(bitmaps)) {
        if (K_FlightSimulatorTile::variantLetters(fileVariant) == layout->variant)
            tiles.append({tileOf(name.left(15)), name.left(15), name});
    }
    return tiles;
}

void K_PreviewThread::layOut(const QVector<Found> &tiles, Layout *layout)
{
    QRect bounds(tiles.first().tile, QSize(1, 1));
    for (const Found &tile : tiles)
        bounds |= QRect(tile.tile, QSize(1, 1));
    // Cells start on multiples of the factor, so each covers exactly one quad-tree node.
    int shift = 0;
    while (((bounds.right() >> shift) - (bounds.left() >> shift)) >= MaximumSide
           || ((bounds.bottom() >> shift) - (bounds.top() >> shift)) >= MaximumSide)
        ++shift;
    layout->factor = 1 << shift;
    layout->origin = QPoint((bounds.left() >> shift) << shift, (bounds.top() >> shift) << shift);
    layout->size = QSize((bounds.right() >> shift) - (bounds.left() >> shift) + 1,
                         (bounds.bottom() >> shift) - (bounds.top() >> shift) + 1);
}

QList<K_PreviewThread::Destination> K_PreviewThread::destinationsOf(const QVector<Found> &tiles,
                                                                    const Layout &layout) const
{
    const int shift = qCountTrailingZeroBits(uint(layout.factor));
    const int keyLength = destinationKeyLength();
    const int side = 1 << (SourceLevel - (keyLength - 2));
    QMap<QString, int> keys;
    for (const Found &tile : tiles)
        keys.insert(tile.key.left(keyLength), 0);
    QList<Destination> destinations;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        Destination destination;
        destination.key = it.key();
        destination.possible = qint64(1) << (2 * (15 - keyLength));
        const QPoint corner = tileOf(it.key()) * side - layout.origin;
        const int cells = qMax(1, side >> shift);
        destination.cells = QRect(corner.x() >> shift, corner.y() >> shift, cells, cells);
        destinations.append(destination);
    }
    return destinations;
}

QVector<K_PreviewThread::Entry>
K_PreviewThread::entriesOf(const QVector<Found> &tiles, const Layout &layout,
                           const QList<Destination> &destinations) const
{
    const int shift = qCountTrailingZeroBits(uint(layout.factor));
    const int keyLength = destinationKeyLength();
    QHash<QString, int> destinationIndex;
    for (int i = 0; i < destinations.size(); ++i)
        destinationIndex.insert(destinations.at(i).key, i);
    QVector<Entry> sorted;
    sorted.reserve(tiles.size());
    for (const Found &tile : tiles) {
        const QPoint cell((tile.tile.x() >> shift) - (layout.origin.x() >> shift),
                          (tile.tile.y() >> shift) - (layout.origin.y() >> shift));
        sorted.append({qint64(cell.y()) * layout.size.width() + cell.x(), tile.key, tile.fileName,
                       destinationIndex.value(tile.key.left(keyLength)), Unread, QString()});
    }
    // Stable, so that of names differing only in case the first by name is kept every time.
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry &a, const Entry &b) {
        return a.cell != b.cell ? a.cell < b.cell : a.key < b.key;
    });
    // Names that differ only in the case of the variant or extension give one tile.
    sorted.erase(std::unique(sorted.begin(), sorted.end(),
                             [](const Entry &a, const Entry &b) { return a.key == b.key; }),
                 sorted.end());
    return sorted;
}

int K_PreviewThread::destinationKeyLength() const
{
    return qBound(2, settings.bglLod + 2, 15);
}

bool K_PreviewThread::build()
{
    if (!scan())
        return false;
    emit scanned();
    const Layout layout = this->layout();
    if (layout.size.isEmpty())
        return true;
    // Cells with no tile stay fully transparent.
    map = QImage(layout.size, QImage::Format_ARGB32);
    if (map.isNull()) {
        const QMutexLocker locker(&mutex);
        error = tr("Not enough memory for the map.");
        return false;
    }
    map.fill(0);
    reportTimer.start();
    reportedRow = 0;

    // Tiles are decoded on every core, each thread into a buffer of its own.
    const int count = int(entries.size());
    QStringList paths;
    paths.reserve(count);
    for (const Entry &entry : qAsConst(entries))
        paths << sourceDir + entry.fileName;
    std::vector<QVector<QRgb>> buffers(static_cast<size_t>(K_TileReadAhead::slotCount(count)));
    for (QVector<QRgb> &buffer : buffers)
        buffer.resize(SourceSide * SourceSide);
    std::vector<TileSums> sums(static_cast<size_t>(count));
    K_TileReadAhead readAhead(count, [&paths, &buffers, &sums](int index, int slot) {
        sums[size_t(index)] = readTile(paths.at(index), buffers[size_t(slot)].data());
    });
    for (int first = 0; first < count;) {
        if (cancelled.load())
            return false;
        int end = first + 1;
        while (end < count && entries.at(end).cell == entries.at(first).cell)
            ++end;
        // A read that threw (out of memory) leaves a broken tile.
        for (int i = first; i < end; ++i) {
            QString failure;
            if (!readAhead.waitFor(i, &failure))
                sums[size_t(i)] = TileSums{Broken, 0, 0, 0, 0, failure};
        }
        readCell(first, end, sums);
        first = end;
        const int row = int(entries.at(first - 1).cell / layout.size.width());
        if (first == count || reportTimer.elapsed() >= 40)
            report(row, first == count);
    }
    return true;
}

K_PreviewThread::TileSums K_PreviewThread::readTile(const QString &path, QRgb *pixels)
{
    K_FlightSimulatorBMPReader reader(path);
    TileSums sums;
    // Rows stay in the file's order: the average does not care.
    if (!reader.readInto(reinterpret_cast<uchar *>(pixels), SourceSide * sizeof(QRgb),
                         QSize(SourceSide, SourceSide), true)) {
        sums.error = reader.errorString();
        return sums;
    }
    if (reader.imageSize() != QSize(SourceSide, SourceSide)) {
        sums.error = tr("Image dimensions not 256x256");
        return sums;
    }
    if (reader.isCompletelyTransparent()) {
        sums.state = Transparent;
        return sums;
    }
    sums.state = Imagery;
    for (const QRgb *pixel = pixels; pixel != pixels + SourceSide * SourceSide; ++pixel) {
        const uint a = qAlpha(*pixel);
        sums.alpha += a;
        sums.red += qRed(*pixel) * a;
        sums.green += qGreen(*pixel) * a;
        sums.blue += qBlue(*pixel) * a;
    }
    return sums;
}

void K_PreviewThread::readCell(int first, int end, std::vector<TileSums> &sums)
{
    quint64 alpha = 0;
    quint64 red = 0;
    quint64 green = 0;
    quint64 blue = 0;
    int usable = 0;
    int transparent = 0;
    bool broken = false;
    for (int i = first; i < end; ++i) {
        TileSums &tile = sums[size_t(i)];
        const State state = tile.state;
        if (state != Broken)
            ++usable;
        if (state == Transparent)
            ++transparent;
        alpha += tile.alpha;
        red += tile.red;
        green += tile.green;
        blue += tile.blue;
        broken = broken || state == Broken;

        const QMutexLocker locker(&mutex);
        entries[i].state = state;
        entries[i].error = std::move(tile.error);
        Destination &destination = destinationList[entries.at(i).destination];
        ++destination.present;
        ++counted.read;
        if (state == Broken) {
            ++destination.broken;
            ++counted.broken;
        } else if (state == Transparent) {
            ++destination.transparent;
            ++counted.transparent;
        }
    }

    const qint64 cell = entries.at(first).cell;
    const int x = int(cell % map.width());
    const int y = int(cell / map.width());
    QRgb colour = 0;
    if (broken) {
        colour = BrokenColour;
    } else if (usable == transparent) {
        colour = checkerColour(x, y);
    } else {
        const quint64 covered = quint64(usable) * SourceSide * SourceSide;
        // A faint tile stays visible, however little of it is covered.
        const int meanAlpha = qMax(1, int((alpha + covered / 2) / covered));
        colour = qRgba(int((red + alpha / 2) / alpha), int((green + alpha / 2) / alpha),
                       int((blue + alpha / 2) / alpha), meanAlpha);
    }
    reinterpret_cast<QRgb *>(map.scanLine(y))[x] = colour;
}

void K_PreviewThread::report(int row, bool last)
{
    reportTimer.restart();
    emit rowsReady(reportedRow, map.copy(0, reportedRow, map.width(), row - reportedRow + 1));
    // The current row may still change, so it is sent again next time.
    reportedRow = last ? map.height() : row;
    const Counts now = counts();
    emit progressChanged(now.read, found.tiles);
}
