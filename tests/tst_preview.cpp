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
};

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"
