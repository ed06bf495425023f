#ifndef TILEBITMAPWRITER_H
#define TILEBITMAPWRITER_H

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <QVector>

#include <optional>

// Builds FS9 tile bitmaps, good and bad, for the tests, the benchmarks and the sample data:
// the BMP file header, the 40-byte info header, the 19-byte FS header, an optional gap, then the
// DXT blocks of the picture stored bottom row first. Every header field can be set on its own.
namespace TileBitmap {

enum class Dxt { Dxt1, Dxt3, Dxt5 };

constexpr quint32 FourCcDxt1 = 0x31545844;
constexpr quint32 FourCcDxt3 = 0x33545844;
constexpr quint32 FourCcDxt5 = 0x35545844;
constexpr quint32 FsSignature = 0x30375346;
constexpr int HeadersSize = 73;

struct Fields
{
    Dxt dxt = Dxt::Dxt1;
    quint16 signature = 0x4D42;
    quint32 infoHeaderSize = 40;
    std::optional<quint32> fourCc; // unset: the FourCC of `dxt`
    std::optional<qint32> width; // unset: the picture's width
    std::optional<qint32> height; // unset: the picture's height
    quint32 fsSignature = FsSignature;
    quint32 fsVersion = 20;
    int gap = 0; // bytes between the FS header and the blocks
    qint64 dataOffset = -1; // -1: 73 + gap
    qint64 cutAt = -1; // -1: whole file; otherwise the file ends after this many bytes
};

// The DXT blocks of `picture` (any format; converted to ARGB32) with its bottom row first.
QByteArray compress(const QImage &picture, Dxt dxt);

// What the decoder yields for `blocks`, as an upright ARGB32 picture.
QImage decompress(const QByteArray &blocks, int width, int height, Dxt dxt);

QByteArray build(const QImage &picture, const Fields &fields = Fields());
QByteArray build(const QByteArray &blocks, const Fields &fields);
bool write(const QString &path, const QImage &picture, const Fields &fields = Fields());
bool writeBytes(const QString &path, const QByteArray &bytes);

// Every source tile key (15 characters) below `prefix`, in key order.
QStringList keysUnder(const QString &prefix);

// One file the reader must refuse: the fields that spoil a 256x256 DXT1 tile of pattern(1), and
// the message the reader gives. The reader's tests check every case; the fuzzer starts from them.
struct BadFile
{
    const char *name;
    QString error;
    Fields fields;

    QByteArray bytes() const;
};

QVector<BadFile> badFiles();

// A 256x256 test picture that differs for every seed: colour gradients and noise with the given
// alpha everywhere (or, for alpha < 0, alpha varying over the picture from 0 to 255).
QImage pattern(int seed, int alpha = 255, int side = 256);

} // namespace TileBitmap

#endif // TILEBITMAPWRITER_H
