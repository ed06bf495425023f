#ifndef BADFILES_H
#define BADFILES_H

#include "tiles/k_tilebitmapwriter.h"

#include <QVector>

// One file the reader must refuse: the fields that spoil a 256x256 DXT1 tile, and the message the
// reader gives. The reader's tests check every one; the fuzzer's seed corpus holds them all.
struct BadFile
{
    const char *name;
    QString error;
    K_TileBitmapWriter::Fields fields;

    QByteArray bytes() const;
};

QVector<BadFile> badFiles();

// What the decoder alone makes of `blocks`, turned upright: what the reader must give.
QImage decompressed(const QByteArray &blocks, const QSize &size, K_TileBitmapWriter::Dxt dxt);

#endif // BADFILES_H
