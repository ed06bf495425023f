// The preview map, orvik-preview, the preview dialog, and skipping what a former run converted.

#include "app/k_previewcommandline.h"
#include "engine/k_previewthread.h"
#include "tiles/k_tilefilename.h"
#include "ui/k_formmain.h"
#include "ui/k_formoptions.h"
#include "ui/k_formpreview.h"

#include "sampletiles.h"
#include "testconversion.h"
#include "tilebitmapwriter.h"

#include <QCheckBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_Preview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void fileNames_data();
    void fileNames();
    void layout_data();
    void layout();
    void sampleSet();
    void commandLine_data();
    void commandLine();
    void skipConverted();
    void skipOptionIsKept();
};

void tst_Preview::fileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("variant");
    QTest::newRow("summer") << "012301230123012SU.BMP"
                            << "SU";
    QTest::newRow("winter, lower case") << "012301230123012wi.bmp"
                                        << "WI";
    QTest::newRow("light map, mixed case") << "012301230123012Lm.Bmp"
                                           << "LM";
    QTest::newRow("unknown variant") << "012301230123012XX.BMP"
                                     << "";
    QTest::newRow("20 characters") << "01230123012301SU.BMP"
                                   << "";
    QTest::newRow("not a bitmap") << "012301230123012SU.PNG"
                                  << "";
}

void tst_Preview::fileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, variant);
    QString key, found;
    QCOMPARE(TileFileName::parse(name, &key, &found), !variant.isEmpty());
    QCOMPARE(found, variant);
    QCOMPARE(key, variant.isEmpty() ? QString() : name.left(15));
}

void tst_Preview::layout_data()
{
    QTest::addColumn<QList<QPoint>>("tiles");
    QTest::addColumn<int>("factor");
    QTest::addColumn<QSize>("size");
    QTest::newRow("one tile") << QList<QPoint>{{8200, 300}} << 1 << QSize(1, 1);
    QTest::newRow("4,096 wide") << QList<QPoint>{{5, 1}, {4100, 2}} << 1 << QSize(4096, 2);
    QTest::newRow("4,097 wide") << QList<QPoint>{{5, 2}, {4101, 3}} << 2 << QSize(2049, 1);
    QTest::newRow("across regions")
            << QList<QPoint>{{8191, 8191}, {8192, 8192}} << 1 << QSize(2, 2);
}

void tst_Preview::layout()
{
    QFETCH(QList<QPoint>, tiles);
    QTemporaryDir source;
    for (const QPoint &tile : tiles) {
        const QString key = K_PreviewThread::keyAt(tile, 13);
        QCOMPARE(K_PreviewThread::tileOf(key), tile);
        QVERIFY(TileBitmap::write(source.filePath(key + "SU.BMP"), TileBitmap::pattern(1)));
    }
    K_PreviewThread preview({source.path(), 8, QString()});
    QVERIFY(preview.build());
    QTEST(preview.layout().factor, "factor");
    QTEST(preview.layout().size, "size");
    QCOMPARE(preview.picture(1).size(), preview.layout().size);
}

void tst_Preview::sampleSet()
{
    QTemporaryDir source;
    QVERIFY(SampleTiles::write(source.path()));
    K_PreviewThread cancelled({source.path(), 8, QString()});
    cancelled.cancel();
    QVERIFY(!cancelled.build());

    K_FormPreview dialog(source.path(), 8);
    const K_PreviewThread *preview = dialog.previewThread();
    QTRY_VERIFY(preview->isFinished());
    QStringList lines;
    for (const K_PreviewThread::Destination &destination : preview->destinations())
        lines << K_PreviewCommandLine::destinationLine(destination);
    QCOMPARE(lines,
             QStringList({"0123012301: 20 of 1024 tiles, 0 broken, 1 completely transparent",
                          "0123012310: 6 of 1024 tiles, 1 broken, 0 completely transparent"}));

    const QImage map = preview->picture(1);
    const QPoint origin = preview->layout().origin;
    const auto cell = [&](const QString &key) { return K_PreviewThread::tileOf(key) - origin; };
    const QPoint broken = cell(SampleTiles::brokenKey());
    const QPoint transparent = cell(SampleTiles::transparentKey());
    QCOMPARE(map.pixel(broken), K_PreviewThread::BrokenColour);
    QCOMPARE(map.pixel(transparent),
             K_PreviewThread::checkerColour(transparent.x(), transparent.y()));
    QCOMPARE(qAlpha(map.pixel(cell(SampleTiles::keys().first()))), 255);
    QCOMPARE(map.pixel(broken + QPoint(0, 1)), 0u);
    QVERIFY(dialog.hoverText(broken).startsWith(SampleTiles::brokenKey() + " \u2014 "));
    QVERIFY(dialog.hoverText(broken).endsWith("broken"));
}

void tst_Preview::commandLine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("withBroken");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("broken tile found") << QStringList() << true << 1;
    QTest::newRow("all tiles good") << QStringList{"--bgl-lod", "8"} << false << 0;
    QTest::newRow("variant absent") << QStringList{"--variant", "wi"} << true << 1;
    QTest::newRow("unknown variant") << QStringList{"--variant", "xx"} << true << 2;
    QTest::newRow("BGL LOD too high") << QStringList{"--bgl-lod", "14"} << true << 2;
    QTest::newRow("no output") << QStringList{"-"} << true << 2;
}

void tst_Preview::commandLine()
{
    QFETCH(QStringList, options);
    QFETCH(bool, withBroken);
    QTemporaryDir dir;
    const QString source = dir.filePath("source");
    QVERIFY(SampleTiles::write(source));
    if (!withBroken)
        QVERIFY(QFile::remove(source + "/" + SampleTiles::brokenKey() + "SU.BMP"));
    const QString output = dir.filePath("map.png");
    const QStringList arguments = options == QStringList{"-"}
                                          ? QStringList{"orvik-preview", source}
                                          : QStringList{"orvik-preview", source, output} + options;
    K_PreviewCommandLine commandLine;
    QTEST(commandLine.exec(arguments), "exitCode");
    if (!QFile::exists(output))
        return;
    QPoint first(INT_MAX, INT_MAX), last(0, 0);
    for (const QString &key : SampleTiles::keys()) {
        const QPoint tile = K_PreviewThread::tileOf(key);
        first = QPoint(qMin(first.x(), tile.x()), qMin(first.y(), tile.y()));
        last = QPoint(qMax(last.x(), tile.x()), qMax(last.y(), tile.y()));
    }
    const QSize cells(last.x() - first.x() + 1, last.y() - first.y() + 1);
    const int scale = K_PreviewThread::scaleFor(cells);
    const QImage png(output);
    QCOMPARE(png.size(), cells * scale);
    // The second destination tile's left edge, beside its broken tile.
    const QPoint edge = (K_PreviewThread::tileOf(SampleTiles::brokenKey()) - first) * scale;
    const int x
            = ((K_PreviewThread::tileOf(SampleTiles::destinationKeys()[1]) * 32).x() - first.x())
              * scale;
    QCOMPARE(png.pixel(x, edge.y() + 1), K_PreviewThread::OutlineColour);
    QCOMPARE(png.pixel(x + 1, edge.y() + 1), png.pixel(x + 2, edge.y() + 1));
}

void tst_Preview::skipConverted()
{
    QTemporaryDir dir;
    const QString source = dir.filePath("source");
    const QString destination = dir.filePath("destination");
    QVERIFY(SampleTiles::write(source));
    K_BuilderThread::Settings settings;
    settings.sourceFolder = source;
    settings.destinationFolder = destination;
    const QStringList keys = SampleTiles::destinationKeys();
    {
        TestConversion uninterrupted;
        uninterrupted.run(settings);
    }
    const QMap<QString, QByteArray> expected = contentsBelow(destination);
    QVERIFY(QDir(destination).removeRecursively());

    TestConversion broken;
    broken.onEvent = [&](const QString &event) {
        if (event == "log: Tile \"" + keys[0] + "\" saved.")
            broken.requestBreak();
    };
    broken.run(settings);
    QCOMPARE(broken.log().last(), "Break.");

    settings.skipConverted = true;
    TestConversion resumed;
    resumed.run(settings);
    QCOMPARE(resumed.log().filter("Tile \""),
             QStringList({"Tile \"" + keys[0] + "\" already converted.",
                          "Tile \"" + keys[1] + "\" saved."}));
    const QStringList events = resumed.events;
    QVERIFY(events.mid(events.indexOf("text: Step 2 of 2. Build images..."))
                    .contains("value: 100"));
    QCOMPARE(contentsBelow(destination), expected);
}

void tst_Preview::skipOptionIsKept()
{
    {
        K_FormMain window;
        window.setSkipConverted(true);
    }
    K_FormMain window;
    QVERIFY(window.skipConverted());
    K_FormOptions options(&window);
    auto *box = options.findChild<QCheckBox *>("skipConvertedCheckBox");
    QVERIFY(box->isChecked());
    box->setChecked(false);
    options.accept();
    QVERIFY(!window.skipConverted());
}

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"
