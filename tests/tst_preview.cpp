#include "app/k_previewcommandline.h"
#include "ui/k_formpreview.h"

#include "testconversion.h"
#include "tiles/k_sampletiles.h"
#include "tiles/k_tilebitmapwriter.h"

#include <QComboBox>
#include <QGraphicsView>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using Preview = K_PreviewThread;

class tst_Preview : public QObject
{
    Q_OBJECT

    QTemporaryDir sample;

private slots:
    void initTestCase()
    {
        installEnglishPluralForms();
        QVERIFY(K_SampleTiles::write(sample.filePath("tiles")));
    }

    void layout_data()
    {
        QTest::addColumn<QList<QPoint>>("tiles"); // blue, then yellow with a clear blue half
        QTest::addColumn<int>("factor");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("corner"); // the top-left cell, alpha-weighted
        QTest::newRow("4,096 wide")
                << QList<QPoint>{{5, 1}, {4100, 2}} << 1 << QSize(4096, 2) << qRgb(0, 0, 255);
        QTest::newRow("4,097 wide") << QList<QPoint>{{4, 2}, {5, 2}, {4101, 3}} << 2
                                    << QSize(2049, 1) << qRgba(85, 85, 170, 191);
        QTest::newRow("across regions")
                << QList<QPoint>{{8191, 8191}, {8192, 8192}} << 1 << QSize(2, 2) << qRgb(0, 0, 255);
    }

    void layout()
    {
        QFETCH(QList<QPoint>, tiles);
        QTemporaryDir source;
        for (int i = 0; i < tiles.size(); ++i) {
            const QString key = Preview::keyAt(tiles[i], 13);
            QCOMPARE(Preview::tileOf(key), tiles[i]);
            QImage picture(256, 256, QImage::Format_ARGB32);
            picture.fill(i % 2 ? qRgb(255, 255, 0) : qRgb(0, 0, 255));
            for (int y = 0; y < 256; ++y)
                std::fill_n(reinterpret_cast<QRgb *>(picture.scanLine(y)), i % 2 * 128,
                            0x000000ffu);
            QVERIFY(K_TileBitmapWriter::write(source.filePath(key + "SU.BMP"), picture,
                                              {K_TileBitmapWriter::Dxt::Dxt5}));
        }
        Preview preview({source.path(), 8, QString()});
        QVERIFY(preview.build());
        QTEST(preview.layout().factor, "factor");
        QTEST(preview.picture(1).size(), "size");
        QTEST(preview.picture(1).pixel(0, 0), "corner");
    }

    void sampleSet()
    {
        Preview cancelled({sample.filePath("tiles"), 8, QString()});
        cancelled.cancel();
        QVERIFY(!cancelled.build());

        K_FormPreview dialog(sample.filePath("tiles"), 8);
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
        const QPoint broken = cell(K_SampleTiles::brokenKey());
        const QPoint clear = cell(K_SampleTiles::transparentKey());
        QCOMPARE(map.pixel(broken), Preview::BrokenColour);
        QCOMPARE(map.pixel(clear), Preview::checkerColour(clear.x(), clear.y()));
        QCOMPARE(map.pixel(broken + QPoint(0, 1)), 0u);
        // Outlines along the top and left edges of the destination tiles, one pixel wide.
        const QPoint edge
                = QPoint(cell(K_SampleTiles::destinationKeys()[1] + "00000").x(), broken.y()) * 4;
        QCOMPARE(preview->picture(4).pixel(edge.x(), edge.y() + 1), Preview::OutlineColour);
        QCOMPARE(preview->picture(4).pixel(edge.x() + 1, edge.y() + 1), 0u);
    }

    void hover_data()
    {
        // The dialog shows `variant`, the mouse comes to rest on tile `key` while another variant
        // is shown, and `variant` is chosen again: the text under the map.
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        const QString broken = K_SampleTiles::brokenKey();
        const QString winter = K_SampleTiles::seasonFileNames().filter("WI").first().left(15);
        QTest::newRow("broken, with the reader's reason")
                << "SU" << broken
                << broken + " \u2014 " + broken
                           + "SU.BMP \u2014 broken: Compressed image reading error";
        QTest::newRow("the file of the variant shown")
                << "WI" << winter << winter + " \u2014 " + winter + "WI.BMP \u2014 imagery";
    }

    void hover()
    {
        QFETCH(QString, variant);
        QFETCH(QString, key);
        K_FormPreview dialog(sample.filePath("tiles"), 8);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *view = dialog.findChild<QGraphicsView *>("mapGraphicsView");
        auto *combo = dialog.findChild<QComboBox *>("variantComboBox");
        const auto choose = [&](const QString &shown) {
            QTRY_COMPARE(combo->count(), 3);
            emit combo->activated(combo->findData(shown));
            QTRY_COMPARE(dialog.findChild<QProgressBar *>()->value(), 100);
        };
        choose(variant);
        const QPoint cell = Preview::tileOf(key) - dialog.previewThread()->layout().origin;
        const QPoint at = view->mapFromScene(QPointF(cell) + QPointF(0.5, 0.5));
        choose(variant == "SU" ? "WI" : "SU");
        QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &move);
        choose(variant);
        QFETCH(QString, text);
        QTRY_COMPARE(dialog.findChild<QLabel *>("hoverLabel")->text(), text);
    }

    void skipConverted_data()
    {
        // Between a run broken off after the first destination tile and its resumption; file times
        // an hour or more apart, so that no file system's time resolution decides.
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("first"); // what the resumed run does with the first tile
        for (const char *row :
             {"nothing||already converted.", "a tile modified after the .inf|modified|saved.",
              "a tile moved in after the .inf, with its old date|moved|saved.",
              "a listed picture missing|lost picture|saved.",
              "seasons asked for only when resuming|seasons later|saved.",
              "a save error in the first run|save error|saved.",
              "a season without a picture, both runs with seasons|empty season|already converted.",
              "a complete tile broken off when built again|break inside|saved.",
              "a byte-order mark before the record, as an editor leaves it|bom|already "
              "converted."}) {
            const QStringList column = QString(row).split('|');
            QTest::newRow(qPrintable(column[0])) << column[1] << column[2];
        }
    }

    void skipConverted()
    {
        QFETCH(QString, change);
        QTemporaryDir dir;
        K_BuilderThread::Settings settings{dir.filePath("source"), dir.filePath("destination")};
        QVERIFY(K_SampleTiles::write(settings.sourceFolder));
        const QStringList keys = K_SampleTiles::destinationKeys();
        // The second destination's only winter tile is completely transparent: no picture.
        QVERIFY(QFile::copy(settings.sourceFolder + "/" + K_SampleTiles::transparentKey()
                                    + "SU.BMP",
                            settings.sourceFolder + "/" + keys[1] + "30010WI.BMP"));
        settings.convertSeasons = change == "seasons later" || change == "empty season";
        TestConversion().run(settings);
        const QMap<QString, QByteArray> expected = contentsBelow(settings.destinationFolder);
        const QString firstPicture = expected.keys().filter(".tif").first();

        // Again, broken off right after the first destination tile, or at its first tile when
        // it is built over a complete one.
        if (change != "break inside")
            QVERIFY(QDir(settings.destinationFolder).removeRecursively());
        const QString blocker = settings.destinationFolder + "/" + firstPicture;
        QVERIFY(change != "save error" || QDir().mkpath(blocker));
        settings.convertSeasons = change == "empty season";
        TestConversion broken;
        broken.onEvent = [&](const QString &event) {
            if (change == "break inside"
                        ? event.startsWith("value: ")
                                  && broken.events.contains("text: Step 2 of 2. Build images...")
                        : event.startsWith("log: Tile") && event.endsWith(" saved."))
                broken.requestBreak();
        };
        broken.run(settings);
        QCOMPARE(broken.log().filter(QRegularExpression("^Tile .* saved")).size(),
                 change == "break inside" ? 0 : 1);
        QVERIFY(change != "save error" || QDir(blocker).removeRecursively());

        QFile inf(settings.destinationFolder + "/" + keys[0] + ".inf");
        const QDateTime now = QDateTime::currentDateTime();
        // Setting a file's modification time makes its status change time now: "moved" leaves
        // every tile older than the .inf but for that.
        QVERIFY(!inf.exists()
                || (inf.open(QIODevice::ReadWrite)
                    && inf.setFileTime(now.addSecs(change == "moved" ? -3600 : 3600),
                                       QFileDevice::FileModificationTime)));
        inf.close();
        const QStringList tiles = QDir(settings.sourceFolder).entryList(QDir::Files);
        for (const QString &name : tiles) {
            QFile tile(settings.sourceFolder + "/" + name);
            const bool first = name.startsWith(K_SampleTiles::keys().first());
            QVERIFY(!(change == "moved" || (change == "modified" && first))
                    || (tile.open(QIODevice::ReadWrite)
                        && tile.setFileTime(now.addDays(change == "moved" ? -1 : 1),
                                            QFileDevice::FileModificationTime)));
#if defined(Q_OS_WIN)
            // Windows has no status change time: a moved file shows its move as its creation.
            if (change == "moved" && tile.setFileTime(now, QFileDevice::FileBirthTime)
                && qAbs(QFileInfo(tile).birthTime().secsTo(now)) > 60)
                QSKIP("The file system keeps no creation time of its own (as under Wine).");
#endif
        }
        QVERIFY(change != "lost picture"
                || QFile::remove(settings.destinationFolder + "/" + firstPicture));
        QFile record(settings.destinationFolder + "/ORVIK-converted.txt");
        if (change == "bom") {
            QVERIFY(record.open(QIODevice::ReadWrite));
            const QByteArray text = "\xef\xbb\xbf" + record.readAll();
            QVERIFY(record.seek(0) && record.write(text) == text.size());
            record.close();
        }

        settings.skipConverted = true;
        settings.convertSeasons = change == "seasons later" || change == "empty season";
        TestConversion resumed;
        resumed.run(settings);
        QFETCH(QString, first);
        QCOMPARE(resumed.log().filter("Tile \""), QStringList({"Tile \"" + keys[0] + "\" " + first,
                                                               "Tile \"" + keys[1] + "\" saved."}));
        const QStringList &events = resumed.events;
        QVERIFY(events.mid(events.indexOf("text: Step 2 of 2. Build images..."))
                        .contains("value: 100"));
        QCOMPARE(contentsBelow(settings.destinationFolder), expected);
    }
};

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"
