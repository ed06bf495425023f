// Writes the seed corpus of fuzz_bmpreader into the folder named on the command line: small good
// DXT1/3/5 tiles (opaque, alpha ramp, transparent, with a gap before the blocks), one with partial
// blocks, one full 256x256 tile, and every file the reader's tests expect it to refuse.

#include "badfiles.h"

#include <QDir>
#include <QRegularExpression>

#include <cstdio>

int main(int argc, char **argv)
{
    using Writer = K_TileBitmapWriter;
    const QDir dir(QString::fromLocal8Bit(argc == 2 ? argv[1] : ""));
    bool ok = argc == 2 && dir.mkpath(QStringLiteral("."));
    auto good = [&](const QString &name, Writer::Dxt dxt, const QImage &picture, int gap = 0) {
        Writer::Fields fields{dxt};
        fields.gap = gap;
        ok = ok && Writer::write(dir.filePath(name + QStringLiteral(".bmp")), picture, fields);
    };
    for (const Writer::Dxt dxt : {Writer::Dxt::Dxt1, Writer::Dxt::Dxt3, Writer::Dxt::Dxt5}) {
        const QString kind = QStringLiteral("dxt%1-").arg(2 * int(dxt) + 1);
        good(kind + "8x8-opaque", dxt, Writer::pattern(8, 255, 8));
        good(kind + "16x16-alpha-ramp", dxt, Writer::pattern(16, -1, 16));
        good(kind + "16x16-transparent", dxt, Writer::pattern(16, 0, 16));
        good(kind + "8x8-gap-7", dxt, Writer::pattern(8, 255, 8), 7);
    }
    good("dxt1-8x8-gap-927", Writer::Dxt::Dxt1, Writer::pattern(8, 255, 8), 927);
    good("dxt5-5x3-partial-blocks", Writer::Dxt::Dxt5, Writer::pattern(9, -1, 8).copy(0, 0, 5, 3));
    good("dxt5-256x256", Writer::Dxt::Dxt5, Writer::pattern(256, -1));
    // File names of letters, digits and dashes; case stays, since two cases differ only in it.
    for (const BadFile &file : badFiles()) {
        const QString name
                = QString::fromUtf8(file.name).replace(QRegularExpression("[^A-Za-z0-9]"), "-");
        ok = ok && Writer::writeBytes(dir.filePath("bad-" + name + ".bmp"), file.bytes());
    }
    if (!ok)
        std::fprintf(stderr, "usage: %s <corpus folder>, which must be writable\n", argv[0]);
    return ok ? 0 : 1;
}
