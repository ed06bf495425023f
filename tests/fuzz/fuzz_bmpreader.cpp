// libFuzzer target for the tile bitmap reader: each input is written to a file, then read through
// read() and through readInto() in both row orders into a 256x256 picture allocated to the byte,
// so the sanitizers see any stray access. A broken promise of the reader aborts too, so the
// fuzzer keeps it as a crash.

#include "tiles/k_flightsimulatorbmpreader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.bmp"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();

    K_FlightSimulatorBMPReader reader(path);
    const bool ok = reader.read();
    const QImage image = reader.image();
    if (ok != reader.errorString().isEmpty() || ok != (reader.compressionType() != 0)
        || ok == image.isNull())
        std::abort();
    constexpr int Side = 256, LineBytes = Side * 4;
    const std::vector<uchar> untouched(Side * LineBytes, 0x5A);
    for (const bool mirror : {false, true}) {
        std::vector<uchar> pixels = untouched;
        if (reader.readInto(pixels.data(), LineBytes, QSize(Side, Side), mirror) != ok)
            std::abort();
        // Only a picture of exactly that size is decoded, and then as read() decoded it.
        for (int y = 0; y < Side; ++y) {
            const uchar *expected = image.size() == QSize(Side, Side)
                                            ? image.constScanLine(mirror ? Side - 1 - y : y)
                                            : untouched.data();
            if (std::memcmp(pixels.data() + y * LineBytes, expected, LineBytes) != 0)
                std::abort();
        }
    }
    return 0;
}
