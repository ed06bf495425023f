#include "badfiles.h"

#include <squish.h>

#include <vector>

using Fields = K_TileBitmapWriter::Fields;

QByteArray BadFile::bytes() const
{
    return K_TileBitmapWriter::build(K_TileBitmapWriter::pattern(1), fields);
}

QVector<BadFile> badFiles()
{
    QVector<BadFile> files;
    auto row = [&files](const char *name, const char *error, auto change) {
        Fields fields;
        change(fields);
        files.append({name, QString::fromLatin1(error), fields});
    };
    const char *infoSize = "Unsupported BMP info header size";
    const char *compression = "Unsupported image compression type";
    const char *dimensions = "Unsupported image dimensions";
    const char *format = "Unsupported BMP format";
    const char *offset = "BMP offset to the bitmap bits is incorrect";
    const char *data = "Compressed image reading error";

    row("10 bytes", "BMP file header reading error", [](Fields &f) { f.cutAt = 10; });
    row("signature MB before a cut info header", "File is not BMP file",
        [](Fields &f) { f.signature = 0x424D, f.cutAt = 40; });
    row("info header cut", "BMP info header reading error", [](Fields &f) { f.cutAt = 53; });
    row("info header of 108 bytes before compression 0", infoSize,
        [](Fields &f) { f.infoHeaderSize = 108, f.fourCc = 0; });
    row("24-bit BMP, compression 0, before width 0", compression,
        [](Fields &f) { f.fourCc = 0, f.width = 0; });
    row("FourCC DXT2", compression, [](Fields &f) { f.fourCc = 0x32545844; });
    row("width 0 before FS signature FS71", dimensions,
        [](Fields &f) { f.width = 0, f.fsSignature = 0x31375346; });
    row("negative height (top-down BMP)", dimensions, [](Fields &f) { f.height = -256; });
    row("height 2^31-1 before a cut FS header", dimensions,
        [](Fields &f) { f.height = 0x7fffffff, f.cutAt = 72; });
    row("FS header one byte short", "BMP FSX header reading error",
        [](Fields &f) { f.cutAt = 72; });
    row("FS signature fS70", format, [](Fields &f) { f.fsSignature = 0x30375366; });
    row("FS version 21 before data offset 72", "Unsupported BMP version",
        [](Fields &f) { f.fsVersion = 21, f.dataOffset = 72; });
    row("data offset 72 before blocks cut short", offset,
        [](Fields &f) { f.dataOffset = 72, f.cutAt = 1000; });
    row("cut inside the blocks", data, [](Fields &f) { f.cutAt = 73 + 32767; });
    row("DXT5 with DXT1's length", data,
        [](Fields &f) { f.fourCc = K_TileBitmapWriter::FourCcDxt5; });
    row("data offset 2^32-1", data, [](Fields &f) { f.dataOffset = 0xffffffffu; });
    row("8192x8192 header on 32 KiB of blocks", data, [](Fields &f) {
        f.width = 8192;
        f.height = 8192;
    });
    return files;
}

QImage decompressed(const QByteArray &blocks, const QSize &size, K_TileBitmapWriter::Dxt dxt)
{
    const int flags[] = {squish::kDxt1, squish::kDxt3, squish::kDxt5};
    std::vector<squish::u8> rgba(size_t(size.width()) * size.height() * 4);
    squish::DecompressImage(rgba.data(), size.width(), size.height(), blocks.constData(),
                            flags[int(dxt)]);
    QImage picture(size, QImage::Format_ARGB32);
    const squish::u8 *in = rgba.data();
    // The blocks hold the bottom row first.
    for (int y = size.height() - 1; y >= 0; --y) {
        for (int x = 0; x < size.width(); ++x, in += 4)
            picture.setPixel(x, y, qRgba(in[0], in[1], in[2], in[3]));
    }
    return picture;
}
