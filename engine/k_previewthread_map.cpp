// The preview's map read back: where a key lies and which key a cell covers, the scale a map is
// shown at, and the picture of it.

#include "k_previewthread.h"

#include "tiles/k_flightsimulatortile.h"

#include <QMutexLocker>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int SourceLevel = 13;

// The six regions of 120 x 90 degrees as three columns and two rows.
const char *const regionPrefixes[2][3] = {{"00", "01", "10"}, {"02", "03", "12"}};

} // namespace

QPoint K_PreviewThread::tileOf(const QString &key)
{
    // The tile's own decoding places it; its corner lies on a whole multiple of its size.
    const K_FlightSimulatorTile tile(key);
    const double tiles = double(1 << qMax(0, tile.level()));
    return QPoint(qRound((tile.west() + 180.0) / 120.0 * tiles),
                  qRound((90.0 - tile.north()) / 90.0 * tiles));
}

QString K_PreviewThread::keyAt(const QPoint &tile, int level)
{
    const int column = qBound(0, tile.x() >> level, 2);
    const int row = qBound(0, tile.y() >> level, 1);
    QString key = QLatin1String(regionPrefixes[row][column]);
    for (int bit = level - 1; bit >= 0; --bit)
        key += QChar(u'0' + ((tile.y() >> bit) & 1) * 2 + ((tile.x() >> bit) & 1));
    return key;
}

int K_PreviewThread::scaleFor(const QSize &cells)
{
    const int longer = qMax(1, qMax(cells.width(), cells.height()));
    return qBound(1, 2048 / longer, 32);
}

K_PreviewThread::CellInfo K_PreviewThread::cellInfo(const QPoint &cell) const
{
    const QMutexLocker locker(&mutex);
    CellInfo info;
    if (!QRect(QPoint(0, 0), found.size).contains(cell))
        return info;
    const int shift = qCountTrailingZeroBits(uint(found.factor));
    const QPoint node(found.origin.x() >> shift, found.origin.y() >> shift);
    info.key = keyAt(node + cell, SourceLevel - shift);
    const qint64 index = qint64(cell.y()) * found.size.width() + cell.x();
    auto it = std::lower_bound(entries.begin(), entries.end(), index,
                               [](const Entry &entry, qint64 value) { return entry.cell < value; });
    for (; it != entries.end() && it->cell == index; ++it) {
        if (++info.present == 1) {
            info.key = shift == 0 ? it->key : info.key;
            info.fileName = it->fileName;
            info.state = it->state;
            info.error = it->error;
        } else {
            info.fileName.clear();
            info.error.clear();
            info.state = qMax(info.state, it->state);
        }
    }
    return info;
}

QImage K_PreviewThread::picture(int scale) const
{
    if (map.isNull())
        return QImage();
    QImage result = map.scaled(map.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QMutexLocker locker(&mutex);
    if (scale >= 2) {
        // A cell of completely transparent tiles gets a checker of its own, not just a shade.
        const int half = scale / 2;
        for (auto first = entries.begin(); first != entries.end();) {
            auto end = first;
            bool transparent = true;
            for (; end != entries.end() && end->cell == first->cell; ++end)
                transparent = transparent && end->state == Transparent;
            const int x = int(first->cell % map.width());
            const int y = int(first->cell / map.width());
            first = end;
            if (!transparent)
                continue;
            for (int dy = 0; dy < scale; ++dy) {
                auto *line = reinterpret_cast<QRgb *>(result.scanLine(y * scale + dy));
                for (int dx = 0; dx < scale; ++dx)
                    line[x * scale + dx] = checkerColour(dx / half, dy / half);
            }
        }
    }
    if (scale >= 4) {
        QPainter painter(&result);
        painter.setPen(QColor::fromRgba(OutlineColour));
        for (const Destination &destination : destinationList) {
            const QRect r(destination.cells.topLeft() * scale, destination.cells.size() * scale);
            painter.drawLine(r.topLeft(), QPoint(r.right(), r.top()));
            painter.drawLine(r.topLeft(), QPoint(r.left(), r.bottom()));
        }
    }
    return result;
}
