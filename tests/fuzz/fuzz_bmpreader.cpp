// libFuzzer target for the tile bitmap reader. The reader reads files by name, so each input is
// written to one file in a temporary folder, then read through read() and through readInto() in
// both row orders into a 256x256 picture. Besides the sanitizers, a broken promise of the reader
// (an error text on success, an image after a failure, a write into the target when the sizes
// differ, readInto() decoding other pixels than read()) aborts, so the fuzzer keeps it as a crash.

#include "tiles/k_flightsimulatorbmpreader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_bmpreader: %s\n", what);
        std::abort();
    }
}

void checkResults(const K_FlightSimulatorBMPReader &reader, bool ok)
{
    const QSize size = reader.imageSize();
    const int type = reader.compressionType();
    constexpr int Maximum = K_FlightSimulatorBMPReader::MaximumDimension;
    check(ok == reader.errorString().isEmpty(), "error text and result disagree");
    check(ok ? type >= 2 && type <= 4 : type == 0, "compression type");
    check(!ok
                  || (size.width() >= 1 && size.width() <= Maximum && size.height() >= 1
                      && size.height() <= Maximum),
          "image size out of range");
    check(ok || reader.image().isNull(), "image after failure");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.bmp"));
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                  && file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
          "cannot write the tile");
    file.close();

    K_FlightSimulatorBMPReader reader(path);
    const bool ok = reader.read();
    checkResults(reader, ok);
    const QImage image = reader.image();
    check(!ok || image.size() == reader.imageSize(), "image of another size");

    // An exact allocation, so AddressSanitizer sees a write past the picture.
    constexpr int Side = 256, LineBytes = Side * 4;
    const std::vector<uchar> untouched(Side * LineBytes, 0x5A);
    for (const bool mirror : {false, true}) {
        std::vector<uchar> pixels = untouched;
        const bool intoOk = reader.readInto(pixels.data(), LineBytes, QSize(Side, Side), mirror);
        checkResults(reader, intoOk);
        check(intoOk == ok, "read() and readInto() disagree");
        check(reader.image().isNull(), "image after readInto()");
        if (!intoOk || reader.imageSize() != QSize(Side, Side)) {
            check(pixels == untouched, "picture touched without a decode");
            continue;
        }
        for (int y = 0; y < Side; ++y) {
            check(std::memcmp(pixels.data() + y * LineBytes,
                              image.constScanLine(mirror ? Side - 1 - y : y), LineBytes)
                          == 0,
                  "readInto() decoded other pixels than read()");
        }
    }
    return 0;
}
