#include "tilebitmapwriter.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

#include <squish.h>

#include <vector>

namespace TileBitmap {

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
        return FourCcDxt1;
    case Dxt::Dxt3:
        return FourCcDxt3;
    case Dxt::Dxt5:
        return FourCcDxt5;
    }
    return FourCcDxt1;
}

} // namespace

QByteArray compress(const QImage &picture, Dxt dxt)
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
    // Range fit is far faster than the default cluster fit and good enough for test pictures.
    const int flags = squishFlag(dxt) | squish::kColourRangeFit;
    QByteArray blocks(squish::GetStorageRequirements(width, height, flags), Qt::Uninitialized);
    squish::CompressImage(rgba.data(), width, height, blocks.data(), flags);
    return blocks;
}

QImage decompress(const QByteArray &blocks, int width, int height, Dxt dxt)
{
    std::vector<squish::u8> rgba(size_t(width) * height * 4);
    squish::DecompressImage(rgba.data(), width, height, blocks.constData(), squishFlag(dxt));
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(height - 1 - y));
        const squish::u8 *in = rgba.data() + size_t(y) * width * 4;
        for (int x = 0; x < width; ++x)
            line[x] = qRgba(in[4 * x], in[4 * x + 1], in[4 * x + 2], in[4 * x + 3]);
    }
    return picture;
}

QByteArray build(const QByteArray &blocks, const Fields &fields)
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

QByteArray build(const QImage &picture, const Fields &fields)
{
    Fields sized = fields;
    if (!sized.width)
        sized.width = picture.width();
    if (!sized.height)
        sized.height = picture.height();
    return build(compress(picture, fields.dxt), sized);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

bool write(const QString &path, const QImage &picture, const Fields &fields)
{
    return writeBytes(path, build(picture, fields));
}

QStringList keysUnder(const QString &prefix)
{
    QStringList keys = {prefix};
    while (keys.first().size() < 15) {
        QStringList longer;
        for (const QString &key : qAsConst(keys)) {
            for (int digit = 0; digit < 4; ++digit)
                longer << key + QString::number(digit);
        }
        keys = longer;
    }
    return keys;
}

QByteArray BadFile::bytes() const
{
    return build(pattern(1), fields);
}

QVector<BadFile> badFiles()
{
    QVector<BadFile> files;
    auto row = [&files](const char *name, const QString &error, auto change) {
        Fields fields;
        change(fields);
        files.append({name, error, fields});
    };
    const QString fileHeader = QStringLiteral("BMP file header reading error");
    const QString infoHeader = QStringLiteral("BMP info header reading error");
    const QString infoSize = QStringLiteral("Unsupported BMP info header size");
    const QString compression = QStringLiteral("Unsupported image compression type");
    const QString dimensions = QStringLiteral("Unsupported image dimensions");
    const QString fsHeader = QStringLiteral("BMP FSX header reading error");
    const QString format = QStringLiteral("Unsupported BMP format");
    const QString version = QStringLiteral("Unsupported BMP version");
    const QString offset = QStringLiteral("BMP offset to the bitmap bits is incorrect");
    const QString data = QStringLiteral("Compressed image reading error");

    row("empty file", fileHeader, [](Fields &f) { f.cutAt = 0; });
    row("10 bytes", fileHeader, [](Fields &f) { f.cutAt = 10; });
    row("file header cut one byte short", fileHeader, [](Fields &f) { f.cutAt = 13; });
    row("signature MB", QStringLiteral("File is not BMP file"),
        [](Fields &f) { f.signature = 0x424D; });
    row("info header cut", infoHeader, [](Fields &f) { f.cutAt = 14 + 39; });
    row("info header of 108 bytes", infoSize, [](Fields &f) { f.infoHeaderSize = 108; });
    row("info header of 124 bytes", infoSize, [](Fields &f) { f.infoHeaderSize = 124; });
    row("24-bit BMP, compression 0", compression, [](Fields &f) { f.fourCc = 0; });
    row("FourCC DXT2", compression, [](Fields &f) { f.fourCc = 0x32545844; });
    row("FourCC dxt1 in lower case", compression, [](Fields &f) { f.fourCc = 0x31747864; });
    row("width 0", dimensions, [](Fields &f) { f.width = 0; });
    row("negative height (top-down BMP)", dimensions, [](Fields &f) { f.height = -256; });
    row("width 8193", dimensions, [](Fields &f) { f.width = 8193; });
    row("height 2^31-1", dimensions, [](Fields &f) { f.height = 0x7fffffff; });
    row("FS header cut", fsHeader, [](Fields &f) { f.cutAt = 54 + 10; });
    row("FS header one byte short", fsHeader, [](Fields &f) { f.cutAt = 72; });
    row("FS signature FS71", format, [](Fields &f) { f.fsSignature = 0x31375346; });
    row("FS signature fS70", format, [](Fields &f) { f.fsSignature = 0x30375366; });
    row("FS signature GS70", format, [](Fields &f) { f.fsSignature = 0x30375347; });
    row("FS signature FS7O", format, [](Fields &f) { f.fsSignature = 0x4f375346; });
    row("FS version 21", version, [](Fields &f) { f.fsVersion = 21; });
    row("data offset 72", offset, [](Fields &f) { f.dataOffset = 72; });
    row("data offset 0", offset, [](Fields &f) { f.dataOffset = 0; });
    row("cut inside the blocks", data, [](Fields &f) { f.cutAt = 73 + 32767; });
    row("no blocks at all", data, [](Fields &f) { f.cutAt = 73; });
    row("DXT5 with DXT1's length", data, [](Fields &f) { f.fourCc = FourCcDxt5; });
    row("data offset beyond the end", data, [](Fields &f) { f.dataOffset = 1 << 20; });
    row("data offset 2^32-1", data, [](Fields &f) { f.dataOffset = 0xffffffffu; });
    row("8192x8192 header on 32 KiB of blocks", data, [](Fields &f) {
        f.width = 8192;
        f.height = 8192;
    });
    return files;
}

QImage pattern(int seed, int alpha, int side)
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
            line[x] = qRgba(r, g, b & 0xff, a);
        }
    }
    return picture;
}

} // namespace TileBitmap
