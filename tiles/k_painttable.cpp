#include "k_painttable.h"

#include <QImage>
#include <QPainter>

namespace {

constexpr int TileSide = 256;

} // namespace

const K_PaintTable &K_PaintTable::instance()
{
    static const K_PaintTable table;
    return table;
}

K_PaintTable::K_PaintTable()
{
    QImage source(256, 256, QImage::Format_ARGB32);
    for (int a = 0; a < 256; ++a) {
        auto *row = reinterpret_cast<QRgb *>(source.scanLine(a));
        for (int c = 0; c < 256; ++c)
            row[c] = qRgba(c, c, c, a);
    }
    QImage painted(256, 256, QImage::Format_ARGB32);
    painted.fill(0);
    {
        QPainter painter(&painted);
        painter.drawImage(0, 0, source);
    }
    for (int a = 0; a < 256; ++a) {
        const auto *row = reinterpret_cast<const QRgb *>(painted.constScanLine(a));
        m_alpha[a] = uchar(qAlpha(row[0]));
        for (int c = 0; c < 256; ++c)
            m_colour[a][c] = uchar(qRed(row[c]));
    }
    for (int a = 0; a < 256 && m_idempotent; ++a) {
        m_idempotent = m_alpha[m_alpha[a]] == m_alpha[a];
        for (int c = 0; c < 256 && m_idempotent; ++c)
            m_idempotent = m_colour[m_alpha[a]][m_colour[a][c]] == m_colour[a][c];
    }
}

void K_PaintTable::apply(uchar *place, qsizetype bytesPerLine) const
{
    for (int y = 0; y < TileSide; ++y) {
        auto *row = reinterpret_cast<QRgb *>(place + y * bytesPerLine);
        for (int x = 0; x < TileSide; ++x) {
            const QRgb p = row[x];
            const int a = qAlpha(p);
            const uchar *c = m_colour[a];
            row[x] = qRgba(c[qRed(p)], c[qGreen(p)], c[qBlue(p)], m_alpha[a]);
        }
    }
}
