// Writes the seed corpus of fuzz_bmpreader into the folder named on the command line: small good
// DXT1/3/5 tiles (opaque, alpha ramp, transparent, with a gap before the blocks), one with partial
// blocks, one full 256x256 tile, and every file the reader's tests expect it to refuse.

#include "badfiles.h"

#include <QDir>
#include <QRegularExpression>

int main(int argc, char **argv)
{
    using Writer = K_TileBitmapWriter;
    const QDir dir(QString::fromLocal8Bit(argc == 2 ? argv[1] : ""));
    bool ok = argc == 2 && dir.mkpath(QStringLiteral("."));
    auto write = [&](const QString &name, const QByteArray &bytes) {
        ok = ok && Writer::writeBytes(dir.filePath(name + QStringLiteral(".bmp")), bytes);
    };
    for (const Writer::Dxt dxt : {Writer::Dxt::Dxt1, Writer::Dxt::Dxt3, Writer::Dxt::Dxt5}) {
        const QString kind = QStringLiteral("dxt%1-").arg(2 * int(dxt) + 1);
        Writer::Fields gap(dxt);
        gap.gap = 7;
        write(kind + "8x8-opaque", Writer::build(Writer::pattern(8, 255, 8), dxt));
        write(kind + "16x16-alpha-ramp", Writer::build(Writer::pattern(16, -1, 16), dxt));
        write(kind + "16x16-transparent", Writer::build(Writer::pattern(16, 0, 16), dxt));
        write(kind + "8x8-gap-7", Writer::build(Writer::pattern(8, 255, 8), gap));
    }
    write("dxt5-5x3-partial-blocks",
          Writer::build(Writer::pattern(9, -1, 8).copy(0, 0, 5, 3), Writer::Dxt::Dxt5));
    write("dxt5-256x256", Writer::build(Writer::pattern(256, -1), Writer::Dxt::Dxt5));
    // File names of letters, digits and dashes; case stays, since two cases differ only in it.
    for (const BadFile &file : badFiles())
        write("bad-"
                      + QString::fromUtf8(file.name).replace(QRegularExpression("[^A-Za-z0-9]"),
                                                             "-"),
              file.bytes());
    return ok ? 0 : 1;
}
