#include "k_flightsimulatorbmpreader.h"

#include "k_platform.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <squish.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr quint16 BmpSignature = 0x4D42; // "BM"
constexpr quint32 InfoHeaderSize = 40;
constexpr quint32 FourCcDxt1 = 0x31545844;
constexpr quint32 FourCcDxt3 = 0x33545844;
constexpr quint32 FourCcDxt5 = 0x35545844;
constexpr quint32 FsSignature = 0x30375346; // "FS70"
constexpr quint32 FsVersion = 20;
constexpr quint32 HeadersSize = 14 + 40 + 19;

// Turns one decoded row of R, G, B, A bytes into ARGB32 pixels at `dst`, folding every alpha
// into the two summaries.
inline void convertRow(const uchar *src, QRgb *dst, int width, uint &alphaAnd, uint &alphaOr)
{
    uint rowAnd = 0xff;
    uint rowOr = 0;
    for (int x = 0; x < width; ++x, src += 4) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        // One 32-bit load reads A, B, G, R from high to low; swapping R and B gives ARGB.
        quint32 v;
        std::memcpy(&v, src, sizeof(v));
        const uint a = v >> 24;
        dst[x] = (v & 0xff00ff00u) | ((v & 0xffu) << 16) | ((v >> 16) & 0xffu);
#else
        const uint a = src[3];
        dst[x] = (a << 24) | (uint(src[0]) << 16) | (uint(src[1]) << 8) | src[2];
#endif
        rowAnd &= a;
        rowOr |= a;
    }
    alphaAnd &= rowAnd;
    alphaOr |= rowOr;
}

inline void foldAlpha(const uchar *src, int width, uint &alphaAnd, uint &alphaOr)
{
    for (int x = 0; x < width; ++x) {
        alphaAnd &= src[x * 4 + 3];
        alphaOr |= src[x * 4 + 3];
    }
}

} // namespace

K_FlightSimulatorBMPReader::K_FlightSimulatorBMPReader(QObject *parent)
    : QObject(parent)
{ }

K_FlightSimulatorBMPReader::K_FlightSimulatorBMPReader()
    : QObject(nullptr)
{
    setFileName(QStringLiteral(""));
}

K_FlightSimulatorBMPReader::K_FlightSimulatorBMPReader(const QString &fileName)
    : QObject(nullptr)
{
    setFileName(fileName);
}

K_FlightSimulatorBMPReader::~K_FlightSimulatorBMPReader() = default;

void K_FlightSimulatorBMPReader::setFileName(const QString &fileName)
{
    m_fileName = fileName;
    reset();
}

void K_FlightSimulatorBMPReader::reset()
{
    m_errorString = QStringLiteral("");
    m_image = QImage();
    m_imageSize = QSize();
    m_opaque = false;
    m_completelyTransparent = false;
    m_compressionType = 0;
    m_unreadable = false;
    m_stamp = K_Platform::FileStamp();
}

bool K_FlightSimulatorBMPReader::read()
{
    reset();
    return readProcedure(Target());
}

bool K_FlightSimulatorBMPReader::read(const QString &fileName)
{
    setFileName(fileName);
    return readProcedure(Target());
}

bool K_FlightSimulatorBMPReader::readInto(uchar *pixels, qsizetype bytesPerLine, const QSize &size,
                                          bool mirror)
{
    reset();
    Target target;
    target.pixels = pixels;
    target.bytesPerLine = bytesPerLine;
    target.size = size;
    target.mirror = mirror;
    return readProcedure(target);
}

bool K_FlightSimulatorBMPReader::fail(const QString &text)
{
    m_errorString = text;
    return false;
}

bool K_FlightSimulatorBMPReader::failUnreadable(const QString &text)
{
    m_unreadable = true;
    return fail(text);
}

bool K_FlightSimulatorBMPReader::readProcedure(const Target &target)
{
    // One look at the file answers both questions. Only regular files are read: opening a named
    // pipe would wait for a writer forever, and a device has no size to check the blocks against.
    const QFileInfo info(m_fileName);
    m_unreadable = true;
    if (!info.exists()) {
        // A folder on the way that may not be entered hides whether the file is there.
        const QString why = K_Platform::whyUnreachable(m_fileName);
        return fail(why.isEmpty() ? tr("File not exists") : tr("File opening error: %1").arg(why));
    }
    if (!info.isFile())
        return fail(tr("File opening error"));
    QFile file(m_fileName);
    // Unbuffered: the headers are read in one call and the blocks in another, so a buffer in
    // between would only copy them once more.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(tr("File opening error: %1").arg(file.errorString()));
    m_stamp = K_Platform::stampOf(file);
    m_unreadable = false;

    const bool ok = parse(file, target);
    // A failing disk is no fault of the file's bytes.
    m_unreadable = m_unreadable || file.error() != QFileDevice::NoError;
    file.close();
    if (!ok) {
        m_compressionType = 0;
        m_image = QImage();
    }
    return ok;
}

bool K_FlightSimulatorBMPReader::parse(QFile &file, const Target &target)
{
    // A short read leaves the stream short too, so each header still fails where the file ends.
    const QByteArray headers = file.read(HeadersSize);
    QDataStream stream(headers);
    stream.setByteOrder(QDataStream::LittleEndian);
    Layout layout;
    if (!readBmpHeaders(stream, &layout) || !readFsHeader(stream))
        return false;
    if (layout.dataOffset < HeadersSize)
        return fail(tr("BMP offset to the bitmap bits is incorrect"));

    // Refuse a short file before allocating anything, so a crafted header cannot cost memory.
    if (file.size() - qint64(layout.dataOffset) < layout.dataLength)
        return fail(tr("Compressed image reading error"));
    if (!file.seek(layout.dataOffset))
        return fail(tr("Compressed image reading error"));
    std::unique_ptr<uchar[]> blocks(new (std::nothrow) uchar[size_t(layout.dataLength)]);
    if (!blocks)
        return failUnreadable(tr("Not enough memory to read the image"));
    if (file.read(reinterpret_cast<char *>(blocks.get()), layout.dataLength) != layout.dataLength)
        return fail(tr("Compressed image reading error"));
    return decode(layout, blocks.get(), target);
}

bool K_FlightSimulatorBMPReader::readBmpHeaders(QDataStream &stream, Layout *layout)
{
    quint16 signature = 0;
    quint32 fileSize = 0;
    quint16 reserved1 = 0;
    quint16 reserved2 = 0;
    stream >> signature >> fileSize >> reserved1 >> reserved2 >> layout->dataOffset;
    if (stream.status() != QDataStream::Ok)
        return fail(tr("BMP file header reading error"));
    if (signature != BmpSignature)
        return fail(tr("File is not BMP file"));

    quint32 headerSize = 0;
    quint16 planes = 0;
    quint16 bitsPerPixel = 0;
    quint32 compression = 0;
    quint32 unused[5] = {};
    stream >> headerSize >> layout->width >> layout->height >> planes >> bitsPerPixel
            >> compression;
    for (quint32 &value : unused)
        stream >> value;
    if (stream.status() != QDataStream::Ok)
        return fail(tr("BMP info header reading error"));
    if (headerSize != InfoHeaderSize)
        return fail(tr("Unsupported BMP info header size"));

    switch (compression) {
    case FourCcDxt1:
        m_compressionType = 2;
        layout->squishFlag = squish::kDxt1;
        layout->blockSize = 8;
        break;
    case FourCcDxt3:
        m_compressionType = 3;
        layout->squishFlag = squish::kDxt3;
        break;
    case FourCcDxt5:
        m_compressionType = 4;
        layout->squishFlag = squish::kDxt5;
        break;
    default:
        return fail(tr("Unsupported image compression type"));
    }
    // The header is not trusted: a negative, empty or huge picture would make the decoder run
    // past the blocks or the picture past memory.
    const qint32 width = layout->width;
    const qint32 height = layout->height;
    if (width <= 0 || height <= 0 || width > MaximumDimension || height > MaximumDimension)
        return fail(tr("Unsupported image dimensions"));
    // Partial blocks at the right and bottom edges still take a whole block each.
    layout->dataLength = ((qint64(width) + 3) / 4) * ((qint64(height) + 3) / 4) * layout->blockSize;
    return true;
}

bool K_FlightSimulatorBMPReader::readFsHeader(QDataStream &stream)
{
    quint32 fsSignature = 0;
    quint32 fsVersion = 0;
    qint8 fsBytes[5] = {};
    quint16 fsWord = 0;
    quint32 fsLong = 0;
    stream >> fsSignature >> fsVersion;
    for (qint8 &value : fsBytes)
        stream >> value;
    stream >> fsWord >> fsLong;
    if (stream.status() != QDataStream::Ok)
        return fail(tr("BMP FSX header reading error"));
    if (fsSignature != FsSignature)
        return fail(tr("Unsupported BMP format"));
    if (fsVersion != FsVersion)
        return fail(tr("Unsupported BMP version"));
    return true;
}

bool K_FlightSimulatorBMPReader::decode(const Layout &layout, const uchar *blocks,
                                        const Target &target)
{
    const int width = layout.width;
    const int height = layout.height;
    m_imageSize = QSize(width, height);
    uchar *pixels = nullptr;
    qsizetype bytesPerLine = 0;
    bool mirror = false;
    if (target.pixels) {
        // A picture of another size is reported through imageSize() and decoded only for its
        // alpha, without writing anything.
        if (m_imageSize == target.size)
            pixels = target.pixels;
        bytesPerLine = target.bytesPerLine;
        mirror = target.mirror;
    } else {
        m_image = QImage(width, height, QImage::Format_ARGB32);
        if (m_image.isNull())
            return failUnreadable(tr("Not enough memory to read the image"));
        pixels = m_image.bits();
        bytesPerLine = m_image.bytesPerLine();
    }

    // On this thread alone: callers that read many tiles run one reader per core. Each row of
    // blocks is decoded into a strip of four rows that stays in the cache, and each strip row then
    // goes straight to its row of the target, turned upright unless the caller wants the file's
    // order (bottom row first). So a large target is written once, row by row, in place.
    const int blocksAcross = (width + 3) / 4;
    const int blocksDown = (height + 3) / 4;
    const qsizetype stripLine = qsizetype(blocksAcross) * 4 * 4;
    std::unique_ptr<uchar[]> strip(new (std::nothrow) uchar[size_t(stripLine) * 4]);
    if (!strip)
        return failUnreadable(tr("Not enough memory to read the image"));
    const uchar *block = blocks;
    uchar decoded[4 * 4 * 4];
    uint alphaAnd = 0xff;
    uint alphaOr = 0;
    for (int blockY = 0; blockY < blocksDown; ++blockY) {
        for (int blockX = 0; blockX < blocksAcross; ++blockX, block += layout.blockSize) {
            squish::Decompress(decoded, block, layout.squishFlag);
            for (int row = 0; row < 4; ++row)
                std::memcpy(strip.get() + row * stripLine + blockX * 16, decoded + row * 16, 16);
        }
        const int rows = qMin(4, height - blockY * 4);
        for (int row = 0; row < rows; ++row) {
            const int fileRow = blockY * 4 + row;
            const int y = mirror ? fileRow : height - 1 - fileRow;
            const uchar *decodedRow = strip.get() + row * stripLine;
            if (pixels) {
                convertRow(decodedRow, reinterpret_cast<QRgb *>(pixels + y * bytesPerLine), width,
                           alphaAnd, alphaOr);
            } else {
                foldAlpha(decodedRow, width, alphaAnd, alphaOr);
            }
        }
    }
    m_opaque = alphaAnd == 0xff;
    m_completelyTransparent = alphaOr == 0;
    return true;
}
