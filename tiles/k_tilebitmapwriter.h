#ifndef K_TILEBITMAPWRITER_H
#define K_TILEBITMAPWRITER_H

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// Writes FS9 tile bitmaps as the reader expects them: the BMP file header, the 40-byte info
// header, the 19-byte FS header, an optional gap, then the DXT blocks of the picture stored bottom
// row first. Every header field can be set on its own, so spoilt files are as easy to make as good
// ones. Serves orvik-make-sample, the benchmarks and the tests.
//
// Only static functions, each safe to call from any thread; a failed write leaves no file behind.
class K_TileBitmapWriter : public QObject
{
    Q_OBJECT

public:
    enum class Dxt { Dxt1, Dxt3, Dxt5 };

    static constexpr quint32 FourCcDxt1 = 0x31545844;
    static constexpr quint32 FourCcDxt3 = 0x33545844;
    static constexpr quint32 FourCcDxt5 = 0x35545844;
    static constexpr quint32 FsSignature = 0x30375346;
    static constexpr int HeadersSize = 73;

    // A tile of the given kind; every other field as a good tile has it unless changed.
    struct Fields
    {
        Fields(Dxt kind = Dxt::Dxt1)
            : dxt(kind)
        { }

        Dxt dxt;
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
    static QByteArray compress(const QImage &picture, Dxt dxt);

    // Without fields: a DXT1 tile of the picture's size.
    static QByteArray build(const QImage &picture);
    static QByteArray build(const QImage &picture, const Fields &fields);
    static QByteArray build(const QByteArray &blocks, const Fields &fields);
    static bool write(const QString &path, const QImage &picture);
    static bool write(const QString &path, const QImage &picture, const Fields &fields);
    static bool writeBytes(const QString &path, const QByteArray &bytes);

    // Every key of `length` characters below `prefix` (source tiles by default), in key order.
    static QStringList keysUnder(const QString &prefix, int length = 15);

    // A picture of `side` pixels square that differs for every seed: colour gradients and noise
    // with the given alpha everywhere (or, for alpha < 0, alpha varying from 0 to 255).
    static QImage pattern(int seed, int alpha = 255, int side = 256);
};

#endif // K_TILEBITMAPWRITER_H
