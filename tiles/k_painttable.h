#ifndef K_PAINTTABLE_H
#define K_PAINTTABLE_H

#include <QtGlobal>

// What drawing a pixel onto a transparent ARGB32 picture leaves, per alpha and colour channel,
// taken once from the toolkit's own painter, so that it matches whatever the painter does on this
// machine. The assembly decodes tiles straight into their place instead of painting them, and
// applies this table to the tiles that are not opaque, which gives the painted bytes exactly.
// Built on first use; read-only afterwards, so any thread may use it.
class K_PaintTable
{
public:
    static const K_PaintTable &instance();

    // Runs the painter's round trip over one 256 x 256 tile at `place`.
    void apply(uchar *place, qsizetype bytesPerLine) const;

    // True when a second pass changes nothing, so a tile needs one pass however deep it lies.
    bool isIdempotent() const { return m_idempotent; }

private:
    K_PaintTable();

    uchar m_alpha[256];
    uchar m_colour[256][256];
    bool m_idempotent = true;
};

#endif // K_PAINTTABLE_H
