// libFuzzer target for the tile bitmap reader: each input is written to a file, then read through
// read() and through readInto() in both row orders into a 256x256 picture allocated to the byte,
// so the sanitizers see any stray access. Results that contradict each other abort, so the fuzzer
// keeps them as a crash.

#include "tiles/k_flightsimulatorbmpreader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
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
    if (ok != reader.errorString().isEmpty() || ok == image.isNull())
        std::abort();
    QImage untouched(256, 256, QImage::Format_ARGB32);
    untouched.fill(0x5A5A5A5A);
    for (const bool mirror : {false, true}) {
        std::vector<uchar> pixels(256 * 1024, 0x5A);
        const bool intoOk = reader.readInto(pixels.data(), 1024, QSize(256, 256), mirror);
        // Decoded only at exactly that size, and then as read() decoded it.
        const QImage into(pixels.data(), 256, 256, 1024, QImage::Format_ARGB32);
        if (intoOk != ok
            || into != (image.size() == into.size() ? image.mirrored(false, mirror) : untouched))
            std::abort();
    }
    return 0;
}
