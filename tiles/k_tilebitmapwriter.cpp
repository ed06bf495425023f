#include "k_tilebitmapwriter.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

#include <squish.h>

#include <vector>

using Dxt = K_TileBitmapWriter::Dxt;

namespace {

int squishFlag(Dxt dxt)
{
    switch (dxt) {
    case Dxt::Dxt1:
        return squish::kDxt1;
    case Dxt::Dxt3:
        return squish::kDxt3;
    case Dxt::Dxt5:
        return squish::kDxt5;
    }
    return squish::kDxt1;
}

quint32 fourCcOf(Dxt dxt)
{
    switch (dxt) {
    case Dxt::Dxt1:
        return K_TileBitmapWriter::FourCcDxt1;
    case Dxt::Dxt3:
        return K_TileBitmapWriter::FourCcDxt3;
    case Dxt::Dxt5:
        return K_TileBitmapWriter::FourCcDxt5;
    }
    return K_TileBitmapWriter::FourCcDxt1;
}

} // namespace

QByteArray K_TileBitmapWriter::compress(const QImage &picture, Dxt dxt)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width();
    const int height = argb.height();
    std::vector<squish::u8> rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        // The file stores the bottom row first.
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(height - 1 - y));
        squish::u8 *out = rgba.data() + size_t(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            out[4 * x + 0] = squish::u8(qRed(line[x]));
            out[4 * x + 1] = squish::u8(qGreen(line[x]));
            out[4 * x + 2] = squish::u8(qBlue(line[x]));
            out[4 * x + 3] = squish::u8(qAlpha(line[x]));
        }
    }
    // Range fit is far faster than the default cluster fit and good enough for generated pictures.
    const int flags = squishFlag(dxt) | squish::kColourRangeFit;
    QByteArray blocks(squish::GetStorageRequirements(width, height, flags), Qt::Uninitialized);
    squish::CompressImage(rgba.data(), width, height, blocks.data(), flags);
    return blocks;
}

QByteArray K_TileBitmapWriter::build(const QByteArray &blocks, const Fields &fields)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const qint64 dataOffset = fields.dataOffset >= 0 ? fields.dataOffset : HeadersSize + fields.gap;
    const quint32 fourCc = fields.fourCc.value_or(fourCcOf(fields.dxt));

    out << fields.signature << quint32(dataOffset + blocks.size()) << quint16(0) << quint16(0)
        << quint32(dataOffset);
    out << fields.infoHeaderSize << fields.width.value_or(0) << fields.height.value_or(0)
        << quint16(1) << quint16(32) << fourCc << quint32(blocks.size()) << quint32(0) << quint32(0)
        << quint32(0) << quint32(0);
    out << fields.fsSignature << fields.fsVersion;
    for (int i = 0; i < 5; ++i)
        out << qint8(0);
    out << quint16(0) << quint32(0);
    for (int i = 0; i < fields.gap; ++i)
        out << quint8(0xA5);
    out.writeRawData(blocks.constData(), int(blocks.size()));
    if (fields.cutAt >= 0 && fields.cutAt < bytes.size())
        bytes.truncate(fields.cutAt);
    return bytes;
}

QByteArray K_TileBitmapWriter::build(const QImage &picture, const Fields &fields)
{
    Fields sized = fields;
    if (!sized.width)
        sized.width = picture.width();
    if (!sized.height)
        sized.height = picture.height();
    return build(compress(picture, fields.dxt), sized);
}

QByteArray K_TileBitmapWriter::build(const QImage &picture)
{
    return build(picture, Fields());
}

bool K_TileBitmapWriter::writeBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

bool K_TileBitmapWriter::write(const QString &path, const QImage &picture, const Fields &fields)
{
    return writeBytes(path, build(picture, fields));
}

bool K_TileBitmapWriter::write(const QString &path, const QImage &picture)
{
    return write(path, picture, Fields());
}

QStringList K_TileBitmapWriter::keysUnder(const QString &prefix, int length)
{
    QStringList keys = {prefix};
    while (keys.first().size() < length) {
        QStringList longer;
        for (const QString &key : qAsConst(keys)) {
            for (int digit = 0; digit < 4; ++digit)
                longer << key + QString::number(digit);
        }
        keys = longer;
    }
    return keys;
}

QImage K_TileBitmapWriter::pattern(int seed, int alpha, int side)
{
    QImage picture(side, side, QImage::Format_ARGB32);
    quint32 noise = 2166136261u ^ quint32(seed) * 16777619u;
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < side; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int r = (x + seed * 37) & 0xff;
            const int g = (y + seed * 91) & 0xff;
            const int b = int((noise >> 24) & 0x3f) + ((seed * 53) & 0xbf);
            const int a = alpha >= 0 ? alpha : ((x + y) * 255) / (2 * side - 2);
            line[x] = qRgba(r, g, b, a);
        }
    }
    return picture;
}
