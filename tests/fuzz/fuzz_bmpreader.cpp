// libFuzzer target for the tile bitmap reader. The reader reads files by name, so each input is
// written to one file in a temporary folder made once, then read through read() and through
// readInto() in both row orders into a 256x256 picture. Besides the sanitizers, a broken promise
// of the reader's results (an error text on success, an image after a failure, a write into the
// target when the sizes differ, readInto() decoding other pixels than read()) aborts, so the
// fuzzer keeps it as a crash.

#include "tiles/k_flightsimulatorbmpreader.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int Side = 256;
constexpr quint8 Untouched = 0x5A;

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_bmpreader: %s\n", what);
        std::abort();
    }
}

const QString &tilePath()
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.bmp"));
    check(dir.isValid(), "no temporary folder");
    return path;
}

void checkResults(const K_FlightSimulatorBMPReader &reader, bool ok)
{
    if (ok) {
        check(reader.errorString().isEmpty(), "error text after success");
        const int type = reader.compressionType();
        check(type >= 2 && type <= 4, "compression type after success");
        const QSize size = reader.imageSize();
        check(size.width() >= 1 && size.width() <= K_FlightSimulatorBMPReader::MaximumDimension
                      && size.height() >= 1
                      && size.height() <= K_FlightSimulatorBMPReader::MaximumDimension,
              "image size out of range");
    } else {
        check(!reader.errorString().isEmpty(), "no error text after failure");
        check(reader.compressionType() == 0, "compression type after failure");
        check(reader.image().isNull(), "image after failure");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString &path = tilePath();
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the tile");
        check(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
              "cannot write the tile");
    }

    K_FlightSimulatorBMPReader reader(path);
    const bool ok = reader.read();
    checkResults(reader, ok);
    const QImage image = reader.image();
    if (ok)
        check(image.size() == reader.imageSize(), "image of another size");

    // An exact allocation, so AddressSanitizer sees a write past the picture.
    constexpr qsizetype lineBytes = Side * 4;
    constexpr size_t bytes = size_t(Side) * lineBytes;
    static const std::unique_ptr<uchar[]> untouched = [] {
        std::unique_ptr<uchar[]> fill(new uchar[bytes]);
        std::memset(fill.get(), Untouched, bytes);
        return fill;
    }();
    const std::unique_ptr<uchar[]> pixels(new uchar[bytes]);
    for (const bool mirror : {false, true}) {
        std::memcpy(pixels.get(), untouched.get(), bytes);
        const bool intoOk = reader.readInto(pixels.get(), lineBytes, QSize(Side, Side), mirror);
        checkResults(reader, intoOk);
        check(intoOk == ok, "read() and readInto() disagree");
        check(reader.image().isNull(), "image after readInto()");
        if (!intoOk || reader.imageSize() != QSize(Side, Side)) {
            check(std::memcmp(pixels.get(), untouched.get(), bytes) == 0,
                  "picture touched without a decode");
            continue;
        }
        for (int y = 0; y < Side; ++y) {
            const uchar *expected = image.constScanLine(mirror ? Side - 1 - y : y);
            check(std::memcmp(pixels.get() + y * lineBytes, expected, size_t(lineBytes)) == 0,
                  "readInto() decoded other pixels than read()");
        }
    }
    return 0;
}
