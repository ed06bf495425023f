#include "tiles/k_flightsimulatorbmpreader.h"

#include "tilebitmapwriter.h"

#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using TileBitmap::Dxt;
using TileBitmap::Fields;

Q_DECLARE_METATYPE(TileBitmap::Dxt)

class tst_FlightSimulatorBMPReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refusesBadFile_data();
    void refusesBadFile();
    void refusesMissingAndUnopenableFiles();
    void decodesTile_data();
    void decodesTile();
    void firstBlockIsBottomLeftCorner();
    void decodesIntoPlace_data();
    void decodesIntoPlace();
    void resultsDescribeLastReadOnly();

private:
    QString writeTile(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
};

namespace {

Fields withDxt(Dxt dxt)
{
    Fields fields;
    fields.dxt = dxt;
    return fields;
}

} // namespace

void tst_FlightSimulatorBMPReader::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString tst_FlightSimulatorBMPReader::writeTile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    if (!TileBitmap::writeBytes(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_FlightSimulatorBMPReader::refusesBadFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    // The cases live beside the writer, so the fuzzer's seed corpus holds every one of them.
    for (const TileBitmap::BadFile &file : TileBitmap::badFiles())
        QTest::newRow(file.name) << file.bytes() << file.error;
}

void tst_FlightSimulatorBMPReader::refusesBadFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);

    const QString path = writeTile(QStringLiteral("bad.bmp"), bytes);
    K_FlightSimulatorBMPReader reader(path);
    QVERIFY(!reader.read());
    QCOMPARE(reader.errorString(), error);
    QVERIFY(reader.image().isNull());
    QCOMPARE(reader.compressionType(), 0);

    // The in-place path parses the same way and leaves the target alone.
    QImage target(256, 256, QImage::Format_ARGB32);
    target.fill(0x12345678);
    QVERIFY(!reader.readInto(target.bits(), target.bytesPerLine(), target.size(), false));
    QCOMPARE(reader.errorString(), error);
    QCOMPARE(target.pixel(17, 200), 0x12345678u);
}

void tst_FlightSimulatorBMPReader::refusesMissingAndUnopenableFiles()
{
    K_FlightSimulatorBMPReader reader;
    QVERIFY(!reader.read(m_dir.filePath(QStringLiteral("missing.bmp"))));
    QCOMPARE(reader.errorString(), QStringLiteral("File not exists"));

    // A folder exists but cannot be opened as a file, whoever runs the test.
    QVERIFY(!reader.read(m_dir.path()));
    QCOMPARE(reader.errorString(), QStringLiteral("File opening error"));
    QCOMPARE(reader.compressionType(), 0);

#ifdef Q_OS_UNIX
    // A named pipe with a tile's name must not make the reader wait for a writer.
    const QString pipe = m_dir.filePath(QStringLiteral("012301230123012SU.BMP"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(!reader.read(pipe));
    QCOMPARE(reader.errorString(), QStringLiteral("File opening error"));
#endif
}

void tst_FlightSimulatorBMPReader::decodesTile_data()
{
    QTest::addColumn<Dxt>("dxt");
    QTest::addColumn<int>("alpha");
    QTest::addColumn<int>("gap");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("compressionType");
    QTest::addColumn<bool>("opaque");
    QTest::addColumn<bool>("transparent");

    const QSize tile(256, 256);
    QTest::newRow("DXT1 opaque") << Dxt::Dxt1 << 255 << 0 << tile << 2 << true << false;
    QTest::newRow("DXT1 transparent") << Dxt::Dxt1 << 0 << 0 << tile << 2 << false << true;
    QTest::newRow("DXT1 cut-out alpha") << Dxt::Dxt1 << -1 << 0 << tile << 2 << false << false;
    QTest::newRow("DXT3 opaque") << Dxt::Dxt3 << 255 << 0 << tile << 3 << true << false;
    QTest::newRow("DXT3 alpha 0") << Dxt::Dxt3 << 0 << 0 << tile << 3 << false << true;
    QTest::newRow("DXT3 alpha 1 to 254") << Dxt::Dxt3 << -1 << 0 << tile << 3 << false << false;
    QTest::newRow("DXT5 opaque") << Dxt::Dxt5 << 255 << 0 << tile << 4 << true << false;
    QTest::newRow("DXT5 alpha 0") << Dxt::Dxt5 << 0 << 0 << tile << 4 << false << true;
    QTest::newRow("DXT5 alpha 128") << Dxt::Dxt5 << 128 << 0 << tile << 4 << false << false;
    QTest::newRow("DXT1 data offset 80") << Dxt::Dxt1 << 255 << 7 << tile << 2 << true << false;
    QTest::newRow("DXT5 data offset 1000") << Dxt::Dxt5 << 255 << 927 << tile << 4 << true << false;
    QTest::newRow("DXT1 130x66, partial blocks")
            << Dxt::Dxt1 << 255 << 0 << QSize(130, 66) << 2 << true << false;
    QTest::newRow("DXT5 5x3, partial blocks")
            << Dxt::Dxt5 << -1 << 0 << QSize(5, 3) << 4 << false << false;
}

void tst_FlightSimulatorBMPReader::decodesTile()
{
    QFETCH(Dxt, dxt);
    QFETCH(int, alpha);
    QFETCH(int, gap);
    QFETCH(QSize, size);

    const QImage source = TileBitmap::pattern(7, alpha).copy(QRect(QPoint(), size));
    const QByteArray blocks = TileBitmap::compress(source, dxt);
    Fields fields = withDxt(dxt);
    fields.gap = gap;
    fields.width = size.width();
    fields.height = size.height();
    // Bytes after the blocks are never read.
    const QString path = writeTile(QStringLiteral("good.bmp"),
                                   TileBitmap::build(blocks + QByteArray(100, 'x'), fields));

    K_FlightSimulatorBMPReader reader(path);
    QVERIFY2(reader.read(), qPrintable(reader.errorString()));
    QCOMPARE(reader.errorString(), QString());
    QVERIFY(!reader.errorString().isNull());
    QTEST(reader.compressionType(), "compressionType");
    QTEST(reader.isOpaque(), "opaque");
    QTEST(reader.isCompletelyTransparent(), "transparent");

    const QImage image = reader.image();
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    QCOMPARE(image.size(), size);
    QCOMPARE(image, TileBitmap::decompress(blocks, size.width(), size.height(), dxt));

    // Up to DXT loss the picture is the source, the right way up (DXT1 drops the colour of
    // transparent texels, so only visible ones compare).
    for (const QPoint &at : {QPoint(1, 1), QPoint(size.width() - 2, size.height() - 2)}) {
        const QRgb a = source.pixel(at);
        const QRgb b = image.pixel(at);
        if (qAlpha(b) == 0)
            continue;
        QVERIFY2(qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24,
                 qPrintable(QStringLiteral("%1 against %2").arg(b, 8, 16).arg(a, 8, 16)));
    }
}

void tst_FlightSimulatorBMPReader::firstBlockIsBottomLeftCorner()
{
    // Only the first block in the file is red; the rest is blue.
    QImage blue(256, 256, QImage::Format_ARGB32);
    blue.fill(0xff0000ff);
    QByteArray blocks = TileBitmap::compress(blue, Dxt::Dxt1);
    QImage red(4, 4, QImage::Format_ARGB32);
    red.fill(0xffff0000);
    blocks.replace(0, 8, TileBitmap::compress(red, Dxt::Dxt1));
    Fields fields;
    fields.width = 256;
    fields.height = 256;
    const QString path = writeTile(QStringLiteral("corner.bmp"), TileBitmap::build(blocks, fields));

    K_FlightSimulatorBMPReader reader(path);
    QVERIFY(reader.read());
    const QImage image = reader.image();
    QCOMPARE(image.pixel(0, 255), 0xffff0000u);
    QCOMPARE(image.pixel(3, 252), 0xffff0000u);
    QCOMPARE(image.pixel(4, 255), 0xff0000ffu);
    QCOMPARE(image.pixel(0, 251), 0xff0000ffu);
    QCOMPARE(image.pixel(0, 0), 0xff0000ffu);
}

void tst_FlightSimulatorBMPReader::decodesIntoPlace_data()
{
    QTest::addColumn<Dxt>("dxt");
    QTest::addColumn<bool>("mirror");
    QTest::addColumn<QSize>("fileSize");

    QTest::newRow("DXT1 upright") << Dxt::Dxt1 << false << QSize(256, 256);
    QTest::newRow("DXT5 mirrored") << Dxt::Dxt5 << true << QSize(256, 256);
    QTest::newRow("128x128 file is not decoded") << Dxt::Dxt3 << false << QSize(128, 128);
}

void tst_FlightSimulatorBMPReader::decodesIntoPlace()
{
    QFETCH(Dxt, dxt);
    QFETCH(bool, mirror);
    QFETCH(QSize, fileSize);

    const QImage source = TileBitmap::pattern(3, -1, fileSize.width());
    const QString path
            = writeTile(QStringLiteral("place.bmp"), TileBitmap::build(source, withDxt(dxt)));
    K_FlightSimulatorBMPReader plain(path);
    QVERIFY(plain.read());

    QImage canvas(512, 512, QImage::Format_ARGB32);
    canvas.fill(0x01020304);
    K_FlightSimulatorBMPReader reader(path);
    QVERIFY(reader.readInto(canvas.scanLine(256) + 256 * 4, canvas.bytesPerLine(), QSize(256, 256),
                            mirror));
    QCOMPARE(reader.imageSize(), fileSize);
    QVERIFY(reader.image().isNull());
    QCOMPARE(reader.compressionType(), plain.compressionType());

    QImage outside = canvas.copy(0, 0, 512, 256);
    QImage expectedOutside(512, 256, QImage::Format_ARGB32);
    expectedOutside.fill(0x01020304);
    QCOMPARE(outside, expectedOutside);
    if (fileSize != QSize(256, 256)) {
        QCOMPARE(canvas.pixel(300, 300), 0x01020304u);
        return;
    }
    QCOMPARE(reader.isOpaque(), plain.isOpaque());
    QCOMPARE(reader.isCompletelyTransparent(), plain.isCompletelyTransparent());
    const QImage expected = mirror ? plain.image().mirrored(false, true) : plain.image();
    QCOMPARE(canvas.copy(256, 256, 256, 256), expected);
}

void tst_FlightSimulatorBMPReader::resultsDescribeLastReadOnly()
{
    const QString good = writeTile(QStringLiteral("again.bmp"),
                                   TileBitmap::build(TileBitmap::pattern(2), withDxt(Dxt::Dxt3)));
    K_FlightSimulatorBMPReader reader(m_dir.filePath(QStringLiteral("nothing.bmp")));
    QVERIFY(!reader.read());
    QVERIFY(reader.read(good));
    QCOMPARE(reader.errorString(), QString());
    QCOMPARE(reader.compressionType(), 3);
    QVERIFY(!reader.image().isNull());
    QVERIFY(!reader.read(m_dir.filePath(QStringLiteral("nothing.bmp"))));
    QVERIFY(reader.image().isNull());
    QCOMPARE(reader.compressionType(), 0);
    reader.setFileName(good);
    QCOMPARE(reader.errorString(), QString());
    QVERIFY(reader.read());
}

QTEST_GUILESS_MAIN(tst_FlightSimulatorBMPReader)
#include "tst_flightsimulatorbmpreader.moc"
