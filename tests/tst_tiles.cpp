#include "tiles/k_codepage1251.h"
#include "tiles/k_flightsimulatorbmpreader.h"
#include "tiles/k_flightsimulatortile.h"
#include "tiles/k_tilebitmapwriter.h"
#include "tiles/k_tilereadahead.h"

#include "badfiles.h"
#include "testplatform.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

using Writer = K_TileBitmapWriter;
using Dxt = Writer::Dxt;

class tst_Tiles : public QObject
{
    Q_OBJECT

private slots:
    void refusesBadFile_data();
    void refusesBadFile();
    void decodesTile_data();
    void decodesTile();
    void decodesKey_data();
    void decodesKey();
    void codePageTableIsTheToolkits();
    void readsAheadInOrder_data();
    void readsAheadInOrder();

private:
    QTemporaryDir m_dir;
};

void tst_Tiles::refusesBadFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "missing", "folder" and "pipe" name other paths
    QTest::addColumn<QString>("error");

    for (const BadFile &file : badFiles())
        QTest::newRow(file.name) << file.bytes() << file.error;
    QTest::newRow("missing file") << QByteArray("missing") << "File not exists";
    QTest::newRow("folder") << QByteArray("folder") << "File opening error";
    QTest::newRow("named pipe or held file") << QByteArray("pipe") << "File opening error";
}

void tst_Tiles::refusesBadFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QString path = m_dir.filePath(QString::fromLatin1(bytes));
    if (bytes == "folder")
        path = m_dir.path();
    else if (bytes == "pipe")
        QVERIFY(TestPlatform::makeUnopenable(path));
    else if (bytes != "missing")
        QVERIFY(Writer::writeBytes(path = m_dir.filePath("bad.bmp"), bytes));

    // Each read describes itself alone: nothing is left from the good one before.
    const QString good = m_dir.filePath("good.bmp");
    QVERIFY(Writer::writeBytes(good, Writer::build(Writer::pattern(2), {Dxt::Dxt3})));
    K_FlightSimulatorBMPReader reader(good);
    QVERIFY(reader.read());
    QVERIFY(!reader.read(path));
    // A file held open elsewhere (Windows) adds the system's reason, in its own words.
    QCOMPARE(reader.errorString().section(QStringLiteral(": "), 0, 0), error);
    QVERIFY(reader.image().isNull());
    QCOMPARE(reader.compressionType(), 0);

    QVERIFY(reader.read(good));
    QCOMPARE(reader.errorString(), QString());
    QCOMPARE(reader.compressionType(), 3);
}

void tst_Tiles::decodesTile_data()
{
    QTest::addColumn<Dxt>("dxt");
    QTest::addColumn<int>("alpha"); // -1: from 0 to 255 over the picture
    QTest::addColumn<int>("gap");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("results"); // compression type, opaque, completely transparent

    const auto row
            = [](const char *name, Dxt dxt, int alpha, int gap, QSize size, const char *results) {
                  QTest::newRow(name) << dxt << alpha << gap << size << QString(results);
              };
    const QSize tile(256, 256);
    row("DXT1 opaque", Dxt::Dxt1, 255, 0, tile, "2 1 0");
    row("DXT1 transparent", Dxt::Dxt1, 0, 0, tile, "2 0 1");
    row("DXT1 cut-out alpha", Dxt::Dxt1, -1, 0, tile, "2 0 0");
    row("DXT3 opaque, data offset 80", Dxt::Dxt3, 255, 7, tile, "3 1 0");
    row("DXT5 alpha 254, data offset 1000", Dxt::Dxt5, 254, 927, tile, "4 0 0");
    row("DXT5 5x3, partial blocks", Dxt::Dxt5, -1, 0, QSize(5, 3), "4 0 0");
    row("DXT3 128x128 is read, not placed", Dxt::Dxt3, 255, 0, QSize(128, 128), "3 1 0");
    // Opaque blocks read alike as DXT3 and DXT5; these are told apart.
    row("DXT3 alpha from 0 to 255", Dxt::Dxt3, -1, 0, tile, "3 0 0");
}

void tst_Tiles::decodesTile()
{
    QFETCH(Dxt, dxt);
    QFETCH(int, alpha);
    QFETCH(int, gap);
    QFETCH(QSize, size);

    const QImage source = Writer::pattern(7, alpha).copy(QRect(QPoint(), size));
    const QByteArray blocks = Writer::compress(source, dxt);
    Writer::Fields fields{dxt};
    fields.gap = gap;
    fields.width = size.width();
    fields.height = size.height();
    // Bytes after the blocks are never read.
    K_FlightSimulatorBMPReader reader(m_dir.filePath("tile.bmp"));
    QVERIFY(Writer::writeBytes(m_dir.filePath("tile.bmp"),
                               Writer::build(blocks + QByteArray(100, 'x'), fields)));
    QVERIFY2(reader.read(), qPrintable(reader.errorString()));
    const auto results = [&reader] {
        return QString::asprintf("%d %d %d", reader.compressionType(), reader.isOpaque(),
                                 reader.isCompletelyTransparent());
    };
    QTEST(results(), "results");
    const QImage image = reader.image();
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    QCOMPARE(image, decompressed(blocks, size, dxt));
    // Up to DXT loss the picture is the source, the right way up (DXT1 drops the colour of
    // transparent texels, so only visible ones compare).
    for (const QPoint &at : {QPoint(1, 1), QPoint(size.width() - 2, size.height() - 2)}) {
        const QRgb a = source.pixel(at), b = image.pixel(at);
        QVERIFY(qAlpha(b) == 0
                || (qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24));
    }

    // Straight into a 256x256 square of a larger picture, upright or mirrored; a picture of
    // another size is only measured.
    const bool placed = size == QSize(256, 256);
    for (const bool mirror : {false, true}) {
        QImage canvas(512, 512, QImage::Format_ARGB32);
        canvas.fill(0x01020304);
        QImage expected = canvas.copy();
        const QImage tile = image.mirrored(false, mirror);
        for (int y = 0; placed && y < 256; ++y)
            std::copy_n(tile.constScanLine(y), 1024, expected.scanLine(256 + y) + 1024);
        QVERIFY(reader.readInto(canvas.scanLine(256) + 256 * 4, canvas.bytesPerLine(),
                                QSize(256, 256), mirror));
        QCOMPARE(reader.imageSize(), size);
        QVERIFY(reader.image().isNull());
        QCOMPARE(canvas, expected);
        if (placed)
            QTEST(results(), "results");
    }
}

void tst_Tiles::decodesKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("level");
    QTest::addColumn<QVector<double>>("bounds"); // west, east, south, north
    // Regions 00 and 03 begin the keys below.

    QTest::newRow("region 10") << "10" << 0 << QVector<double>{60, 180, 0, 90};
    QTest::newRow("region 11 falls into the last") << "11" << 0 << QVector<double>{60, 180, -90, 0};
    QTest::newRow("region of letters") << "ab" << 0 << QVector<double>{60, 180, -90, 0};
    QTest::newRow("digit 4 acts as 1") << "004" << 1 << QVector<double>{-120, -60, 45, 90};
    QTest::newRow("level 13") << "030123012301230" << 13
                              << QVector<double>{-20.009765625, -19.9951171875, -18.006591796875,
                                                 -17.99560546875};
}

void tst_Tiles::decodesKey()
{
    QFETCH(QString, key);
    QFETCH(QVector<double>, bounds);
    const K_FlightSimulatorTile tile(key);
    QCOMPARE(tile.key(), key);
    QTEST(tile.level(), "level");
    // Bounds are sums of powers of two, so they must be exact.
    QCOMPARE(QVector<double>({tile.west(), tile.east(), tile.south(), tile.north()}), bounds);
}

void tst_Tiles::codePageTableIsTheToolkits()
{
    if (!QStringEncoder("Windows-1251").isValid())
        QSKIP("This toolkit has no converter of its own for the page.");
    QString every;
    for (char32_t c = 1; c <= 0x10ffff; ++c) {
        if (!QChar::isSurrogate(c))
            every += QString::fromUcs4(&c, 1);
    }
    QVERIFY(K_CodePage1251::encodeByTable(every) == K_CodePage1251::encode(every));
}

void tst_Tiles::readsAheadInOrder_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("taken"); // the consumer stops after this many, as after a Break
    QTest::addColumn<int>("throwing"); // the tile whose work throws, or -1
    QTest::addColumn<QString>("error"); // what waitFor() gives for it
    QTest::newRow("none") << 0 << 0 << -1 << "";
    QTest::newRow("many") << 500 << 500 << -1 << "";
    QTest::newRow("broken off") << 500 << 3 << -1 << "";
    QTest::newRow("out of memory in tile 7") << 500 << 500 << 7 << "Not enough memory";
    QTest::newRow("another exception in the first tile") << 20 << 20 << 0 << "Unexpected error";
}

void tst_Tiles::readsAheadInOrder()
{
    QFETCH(int, count);
    QFETCH(int, taken);
    QFETCH(int, throwing);
    QFETCH(QString, error);
    std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
    std::vector<int> results(static_cast<size_t>(count), 0);
    const int slotTotal = K_TileReadAhead::slotCount(count);
    std::atomic<bool> slotsInRange{true};
    {
        K_TileReadAhead readAhead(count, [&](int index, int slot) {
            if (slot < 0 || slot >= slotTotal)
                slotsInRange = false;
            // The other threads are slow, so the consumer has to wait for their tiles.
            QThread::usleep(slot == 0 ? 0 : 1000);
            ++runs[size_t(index)];
            if (index == throwing && error.startsWith("Not enough"))
                throw std::bad_alloc();
            if (index == throwing)
                throw std::runtime_error("tile");
            results[size_t(index)] = index + 1;
        });
        // A tile that threw is failed, with a reason; the others are done as ever.
        for (int i = 0; i < taken; ++i) {
            QString reason;
            QCOMPARE(readAhead.waitFor(i, &reason), i != throwing);
            QCOMPARE(reason, i == throwing ? error : QString());
            QCOMPARE(results[size_t(i)], i == throwing ? 0 : i + 1);
        }
    }
    // The destructor waited for whatever was running; nothing ran twice.
    int total = 0;
    for (const std::atomic<int> &run : runs) {
        QVERIFY(run <= 1);
        total += run;
    }
    QVERIFY(total >= taken);
    if (taken == count)
        QCOMPARE(total, count);
    QVERIFY(slotsInRange);
}

QTEST_GUILESS_MAIN(tst_Tiles)
#include "tst_tiles.moc"
