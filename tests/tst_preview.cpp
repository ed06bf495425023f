// The preview map, orvik-preview, the preview dialog, and skipping what a former run converted.

#include "app/k_previewcommandline.h"
#include "ui/k_formpreview.h"

#include "sampletiles.h"
#include "testconversion.h"
#include "tilebitmapwriter.h"

#include <QTemporaryDir>
#include <QTest>

using Preview = K_PreviewThread;

class tst_Preview : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<QList<QPoint>>("tiles");
        QTest::addColumn<int>("factor");
        QTest::addColumn<QSize>("size");
        QTest::newRow("4,096 wide") << QList<QPoint>{{5, 1}, {4100, 2}} << 1 << QSize(4096, 2);
        QTest::newRow("4,097 wide") << QList<QPoint>{{5, 2}, {4101, 3}} << 2 << QSize(2049, 1);
        QTest::newRow("across regions")
                << QList<QPoint>{{8191, 8191}, {8192, 8192}} << 1 << QSize(2, 2);
    }

    void layout()
    {
        QFETCH(QList<QPoint>, tiles);
        QTemporaryDir source;
        for (const QPoint &tile : tiles) {
            const QString key = Preview::keyAt(tile, 13);
            QCOMPARE(Preview::tileOf(key), tile);
            QVERIFY(TileBitmap::write(source.filePath(key + "SU.BMP"), TileBitmap::pattern(1)));
        }
        Preview preview({source.path(), 8, QString()});
        QVERIFY(preview.build());
        QTEST(preview.layout().factor, "factor");
        QTEST(preview.picture(1).size(), "size");
    }

    void sampleSet()
    {
        QTemporaryDir source;
        QVERIFY(SampleTiles::write(source.path()));
        Preview cancelled({source.path(), 8, QString()});
        cancelled.cancel();
        QVERIFY(!cancelled.build());

        K_FormPreview dialog(source.path(), 8);
        const Preview *preview = dialog.previewThread();
        QTRY_VERIFY(preview->isFinished());
        QStringList lines;
        for (const Preview::Destination &destination : preview->destinations())
            lines << K_PreviewCommandLine::destinationLine(destination);
        QCOMPARE(lines.join('|'),
                 "0123012301: 20 of 1024 tiles, 0 broken, 1 completely transparent|"
                 "0123012310: 6 of 1024 tiles, 1 broken, 0 completely transparent");
        const QImage map = preview->picture(1);
        const auto cell = [&](const QString &key) {
            return Preview::tileOf(key) - preview->layout().origin;
        };
        const QPoint broken = cell(SampleTiles::brokenKey());
        const QPoint clear = cell(SampleTiles::transparentKey());
        QCOMPARE(map.pixel(broken), Preview::BrokenColour);
        QCOMPARE(map.pixel(clear), Preview::checkerColour(clear.x(), clear.y()));
        QCOMPARE(qAlpha(map.pixel(cell(SampleTiles::keys().first()))), 255);
        QCOMPARE(map.pixel(broken + QPoint(0, 1)), 0u);
        // Outlines along the top and left edges of the destination tiles, one pixel wide.
        const QPoint edge
                = QPoint(cell(SampleTiles::destinationKeys()[1] + "00000").x(), broken.y()) * 4;
        QCOMPARE(preview->picture(4).pixel(edge.x(), edge.y() + 1), Preview::OutlineColour);
        QCOMPARE(preview->picture(4).pixel(edge.x() + 1, edge.y() + 1), 0u);
        QCOMPARE(dialog.hoverText(broken), SampleTiles::brokenKey() + " \u2014 "
                                                   + SampleTiles::brokenKey()
                                                   + "SU.BMP \u2014 broken");
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("withBroken");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("broken tile found") << QStringList() << true << 1;
        QTest::newRow("all tiles good") << QStringList{"--bgl-lod", "8"} << false << 0;
        QTest::newRow("variant absent") << QStringList{"--variant", "hw"} << true << 1;
        QTest::newRow("unknown variant") << QStringList{"--variant", "xx"} << true << 2;
    }

    void commandLine()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, withBroken);
        QTemporaryDir dir;
        QVERIFY(SampleTiles::write(dir.path()));
        if (!withBroken)
            QVERIFY(QFile::remove(dir.filePath(SampleTiles::brokenKey() + "SU.BMP")));
        const QString output = dir.filePath("map.png");
        QTEST(K_PreviewCommandLine().exec(QStringList{"orvik-preview", dir.path(), output}
                                          + options),
              "exitCode");
        // The sample spans 48 x 16 tiles, each drawn 32 pixels wide.
        QCOMPARE(QImage(output).size(), QFile::exists(output) ? QSize(1536, 512) : QSize(0, 0));
    }

    // A run broken off after its first destination tile, then run again with the option.
    void skipConverted()
    {
        QTemporaryDir dir;
        K_BuilderThread::Settings settings;
        settings.sourceFolder = dir.filePath("source");
        settings.destinationFolder = dir.filePath("destination");
        QVERIFY(SampleTiles::write(settings.sourceFolder));
        TestConversion().run(settings);
        const QMap<QString, QByteArray> expected = contentsBelow(settings.destinationFolder);
        QVERIFY(QDir(settings.destinationFolder).removeRecursively());

        const QStringList keys = SampleTiles::destinationKeys();
        TestConversion broken;
        broken.onEvent = [&](const QString &event) {
            if (event == "log: Tile \"" + keys[0] + "\" saved.")
                broken.requestBreak();
        };
        broken.run(settings);

        settings.skipConverted = true;
        TestConversion resumed;
        resumed.run(settings);
        QCOMPARE(resumed.log().filter("Tile \""),
                 QStringList({"Tile \"" + keys[0] + "\" already converted.",
                              "Tile \"" + keys[1] + "\" saved."}));
        const QStringList &events = resumed.events;
        QVERIFY(events.mid(events.indexOf("text: Step 2 of 2. Build images..."))
                        .contains("value: 100"));
        QCOMPARE(contentsBelow(settings.destinationFolder), expected);
    }
};

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"
