// Writes the seed corpus of fuzz_bmpreader into the folder named on the command line: good
// DXT1/3/5 tiles, small ones so the fuzzer runs fast and one full 256x256 tile, tiles with a gap
// before the blocks and with partial blocks, and every file the reader's tests expect it to refuse.

#include "tilebitmapwriter.h"

#include <QDir>
#include <QString>

#include <cstdio>

namespace {

using TileBitmap::Dxt;
using TileBitmap::Fields;

bool writeGood(const QDir &dir, const QString &name, Dxt dxt, int side, int alpha, int gap = 0)
{
    Fields fields;
    fields.dxt = dxt;
    fields.gap = gap;
    return TileBitmap::write(dir.filePath(name), TileBitmap::pattern(side, alpha, side), fields);
}

// Keeps the corpus file names plain: letters, digits and dashes. Case stays, since two cases
// differ only in it ("FS70" and "fS70").
QString fileName(const char *caseName)
{
    QString name;
    for (const QChar c : QString::fromUtf8(caseName))
        name += c.isLetterOrNumber() ? c : QChar(u'-');
    return QStringLiteral("bad-") + name + QStringLiteral(".bmp");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    const struct
    {
        const char *name;
        Dxt dxt;
    } kinds[] = {{"dxt1", Dxt::Dxt1}, {"dxt3", Dxt::Dxt3}, {"dxt5", Dxt::Dxt5}};
    bool ok = true;
    for (const auto &kind : kinds) {
        const QString prefix = QString::fromLatin1(kind.name);
        ok &= writeGood(dir, prefix + QStringLiteral("-8x8-opaque.bmp"), kind.dxt, 8, 255);
        ok &= writeGood(dir, prefix + QStringLiteral("-16x16-alpha-ramp.bmp"), kind.dxt, 16, -1);
        ok &= writeGood(dir, prefix + QStringLiteral("-16x16-transparent.bmp"), kind.dxt, 16, 0);
        ok &= writeGood(dir, prefix + QStringLiteral("-8x8-gap-7.bmp"), kind.dxt, 8, 255, 7);
    }
    ok &= writeGood(dir, QStringLiteral("dxt5-256x256.bmp"), Dxt::Dxt5, 256, -1);
    ok &= writeGood(dir, QStringLiteral("dxt1-8x8-gap-927.bmp"), Dxt::Dxt1, 8, 255, 927);

    // Partial blocks at the right and bottom edges.
    Fields partial;
    partial.dxt = Dxt::Dxt5;
    const QImage corner = TileBitmap::pattern(9, -1, 8).copy(0, 0, 5, 3);
    ok &= TileBitmap::write(dir.filePath(QStringLiteral("dxt5-5x3-partial-blocks.bmp")), corner,
                            partial);

    for (const TileBitmap::BadFile &file : TileBitmap::badFiles())
        ok &= TileBitmap::writeBytes(dir.filePath(fileName(file.name)), file.bytes());

    if (!ok) {
        std::fprintf(stderr, "cannot write the seed corpus into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
