#include "app/k_stopsignals.h"
#include "engine/k_builderthread.h"
#include "tiles/k_sampletiles.h"
#include "tiles/k_tilebitmapwriter.h"
#include "ui/k_formabout.h"
#include "ui/k_formmain.h"
#include "ui/k_formpreview.h"

#include "testconversion.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <utility>

using Preview = K_PreviewThread;

namespace {

// Hands the modal window that the next call opens to `answer` as soon as it shows, so that a test
// can read and close a box that exec() would otherwise wait on.
void answerNextModal(const std::function<void(QWidget *)> &answer)
{
    QTimer::singleShot(10, [answer] {
        QWidget *modal = QApplication::activeModalWidget();
        modal ? answer(modal) : answerNextModal(answer);
    });
}

// Everything the window restores and stores.
QString stateOf(const K_FormMain &w)
{
    return settingsText({w.sourceFolder(), w.destinationFolder(), w.bglLod(),
                         w.compressionQuality(), w.singleDestinationImage(),
                         w.passCompletelyTransparentTiles(), w.passBrokenTiles(),
                         w.verticalMirrorSourceTiles(), w.convertSeasons(), w.skipConverted(),
                         QFileInfo(w.resampler()).fileName(), w.resamplerJobs()})
           + '|' + QString::number(w.runResampler());
}

QString logOf(const K_FormMain &window)
{
    return window.findChild<QPlainTextEdit *>("logPlainTextEdit")->toPlainText();
}

void click(const K_FormMain &window, const char *name)
{
    window.findChild<QAbstractButton *>(name)->click();
}

} // namespace

class tst_FormMain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void drivesTheWindow();
    void breaksAtRandomMoments();
    void reportsWhatItDid_data();
    void reportsWhatItDid();
    void remembersGeometryAndTakesDroppedFolder();
    void makesSampleTileSet();
    void previewLayout_data();
    void previewLayout();
    void previewOfTheSample();

private:
    QTemporaryDir m_config;
    QTemporaryDir m_work;
};

void tst_FormMain::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    installEnglishPluralForms();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    QVERIFY(K_SampleTiles::write(m_work.filePath("tiles")));
}

void tst_FormMain::drivesTheWindow()
{
    const QString settingsFile = m_config.filePath("Tovrel/ORVIK.ini");
    // At first half the cores run the resampler at once; the dialog offers up to all of them.
    const QString jobs = QString::number(qMax(1, QThread::idealThreadCount() / 2));
    const int cores = QThread::idealThreadCount();
    QCOMPARE(stateOf(K_FormMain()), "||8|95|011000||" + jobs + "|0");
    // Values out of range are clamped; keys of anyone else go when the window stores its own.
    QVERIFY(K_TileBitmapWriter::writeBytes(
            settingsFile,
            "BGLLOD=20\nCompressionQuality=0\nStray=1\n[Options]\nSingleDestinationImage="
            "true\nPassBrokenTiles=false\nUnknown=true\n"));
    QString stored;
    {
        K_FormMain window;
        QCOMPARE(stateOf(window), "||13|1|110000||" + jobs + "|0");

        // The dialog shows the window's flags; OK takes the toggled boxes, Cancel nothing. The
        // empty resampler field is filled from the SDK's usual folder.
        const QString sdk = m_work.filePath("Program Files/Microsoft Games/Microsoft Flight "
                                            "Simulator X SDK/SDK/Environment Kit/Terrain SDK");
        QVERIFY(QDir().mkpath(sdk) && K_TileBitmapWriter::writeBytes(sdk + "/resample.exe", ""));
        qputenv("ProgramFiles(x86)",
                QDir::toNativeSeparators(m_work.filePath("Program Files")).toUtf8());
        for (const bool ok : {true, false}) {
            QString shown;
            answerNextModal([&](QWidget *modal) {
                shown += modal->findChild<QLabel *>("resamplerNoteLabel")->isVisible() ? "found "
                                                                                       : "";
                modal->findChild<QSpinBox *>("resamplerJobsSpinBox")->setValue(ok ? cores : 1);
                for (QCheckBox *box : modal->findChildren<QCheckBox *>()) {
                    shown += QString::number(box->isChecked());
                    box->toggle();
                }
                modal->findChild<QDialogButtonBox *>()
                        ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                        ->click();
            });
            window.findChild<QAction *>("actionOptions")->trigger();
            QCOMPARE(shown, QString(ok ? "found 1010000" : "0101111"));
            QCOMPARE(stateOf(window), QString("||13|1|001111|resample.exe|%1|1").arg(cores));
            QCOMPARE(window.resampler(), QDir::toNativeSeparators(sdk + "/resample.exe"));
        }
        window.setRunResampler(false);

        window.setSourceFolder("  " + m_work.filePath("tiles") + "  ");
        window.setDestinationFolder(m_work.filePath("window"));
        window.setBglLod(8);
        window.show();
        // A Break while idle is undone by Convert; a second Convert while converting does nothing.
        click(window, "breakPushButton");
        click(window, "convertPushButton");
        click(window, "convertPushButton");
        QCOMPARE(window.findChildren<K_BuilderThread *>().size(), 1);
        K_BuilderThread::Settings s = window.findChild<K_BuilderThread *>()->settings();
        QCOMPARE(settingsText(s), QDir::toNativeSeparators(m_work.filePath("tiles/")) + '|'
                                          + QDir::toNativeSeparators(m_work.filePath("window/"))
                                          + "|8|1|001111||0");

        QString warning;
        answerNextModal([&](QWidget *modal) {
            warning = modal->windowTitle() + ": " + qobject_cast<QMessageBox *>(modal)->text();
            qobject_cast<QMessageBox *>(modal)->button(QMessageBox::Ok)->click();
        });
        window.close();
        QVERIFY2(warning.startsWith("Warning: Application closing is impossible"),
                 qPrintable(warning));
        QVERIFY(window.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), 60000);
        s.destinationFolder = m_work.filePath("engine");
        TestConversion engine;
        engine.run(s);
        QCOMPARE(logOf(window).split('\n'), engine.log());
        QVERIFY(window.sourceTiles().isEmpty() && window.destinationTiles().isEmpty());
        QVERIFY(!window.findChild<K_BuilderThread *>());

        click(window, "clearLogPushButton");
        QCOMPARE(logOf(window), QString());

        window.setSourceFolder(" /source ");
        window.setBglLod(12);
        window.setCompressionQuality(77);
        stored = stateOf(window);
        window.findChild<QAction *>("actionExit")->trigger();
        QVERIFY(!window.isVisible());
    }
    QStringList keys = QSettings(settingsFile, QSettings::IniFormat).allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"BGLLOD", "CompressionQuality", "DestinationFolder", "Geometry",
                                "Options/ConvertSeasons", "Options/PassBrokenTiles",
                                "Options/PassCompletelyTransparentTiles", "Options/Resampler",
                                "Options/ResamplerJobs", "Options/RunResampler",
                                "Options/SingleDestinationImage", "Options/SkipConverted",
                                "Options/VerticalMirrorSourceTiles", "SourceFolder"}));
    QCOMPARE(stateOf(K_FormMain()), stored);
}

// Conversions stopped by Break, or by destroying the window, at random moments between and inside
// destination tiles. Under ThreadSanitizer (scripts/tsan.sh) this shows any race, deadlock or use
// after free between window and worker.
void tst_FormMain::breaksAtRandomMoments()
{
    const QString source = m_work.filePath("many");
    QVERIFY(writeTiles(source, K_TileBitmapWriter::keysUnder("0123012301230")
                                       + K_TileBitmapWriter::keysUnder("0123012301231")));
    QRandomGenerator random(20240601u); // the same moments in every test run
    for (int run = 0; run < 12; ++run) {
        // After this many of the worker's progress signals have been handled; about eighty come.
        const int moment = int(random.bounded(90));
        const QByteArray where = QStringLiteral("run %1, moment %2").arg(run).arg(moment).toUtf8();
        const QTemporaryDir destination;
        QScopedPointer<K_FormMain> window(new K_FormMain);
        window->setSourceFolder(source);
        window->setDestinationFolder(destination.path());
        window->setBglLod(11);
        // Break, the window destroyed, or SIGTERM as the program takes it: the run stops as on
        // Break, then the window closes. Each comes right at its moment, or once the run is over.
        const int kind = run % 3;
        if (kind == 2) {
            window->show();
            QVERIFY(K_StopSignals::install(window.get(),
                                           [&window](int) { window->stopAndClose(); }));
        }
        bool stopped = false;
        const auto stop = [&] {
            if (std::exchange(stopped, true) || kind == 1)
                return;
            if (kind == 0)
                click(*window, "breakPushButton");
            else
#if defined(Q_OS_WIN)
                window->stopAndClose(); // Windows sends no SIGTERM
#else
                raise(SIGTERM);
#endif
        };
        click(*window, "convertPushButton");
        int handled = 0;
        // The status bar counts the 32 source tiles, not the 42 nodes of their trees.
        QSet<qint64> totals;
        connect(window->findChild<K_BuilderThread *>(), &K_BuilderThread::progressBarValueChanged,
                window.get(), [&] {
                    if (++handled == moment)
                        stop();
                    if (const auto *running = window->findChild<K_BuilderThread *>()) {
                        const K_BuilderThread::Progress progress = running->progress(0);
                        if (progress.step == 2)
                            totals.insert(progress.tilesTotal);
                    }
                });
        QTRY_VERIFY2_WITH_TIMEOUT(handled >= moment || !window->isConverting(), where, 120000);
        if (kind == 1) {
            // The destructor stops the worker and waits for it before the tiles go.
            window.reset();
            continue;
        }
        stop();
        if (kind == 2) {
            QTRY_VERIFY2_WITH_TIMEOUT(!window->isVisible(), where, 120000);
            K_StopSignals::remove();
        }
        QTRY_VERIFY2_WITH_TIMEOUT(!window->isConverting(), where, 120000);
        const QString log = logOf(*window);
        QVERIFY2(log.endsWith("\nBreak.") || log.endsWith("\nConverting complete.")
                         || log == "Break.",
                 where);
        QVERIFY2(totals.isEmpty() || totals == QSet<qint64>{32}, where);
        const QString summary = window->findChild<QLabel *>("statusLabel")->text();
        QVERIFY2(summary.startsWith("Stopped. ") == log.endsWith("Break."), qPrintable(summary));
        QVERIFY(window->sourceTiles().isEmpty() && window->destinationTiles().isEmpty());
    }
}

void tst_FormMain::reportsWhatItDid_data()
{
    // Where the sample goes below the source ("-": an empty field), the last log line and what
    // File -> Preview tile set shows (a warning or the dialog's counts): %1 the source, %2 the
    // number of sample tiles.
    QTest::addColumn<QString>("tiles");
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<QString>("preview");
    const auto row = [](const char *name, const char *tiles, const char *line, const char *shown) {
        QTest::newRow(name) << QString(tiles) << QString(line) << QString(shown);
    };
    row("empty source field", "-", "Source folder is not set.", "Source folder is not set.");
    const char *subfolder = "No FS9 tile bitmaps in \"%1\"; its subfolder \"texture\" holds %2.";
    row("tiles in a subfolder", "texture", subfolder, subfolder);
    row("the sample, with its broken tile", ".", "Converting complete.",
        "26 of 26 tiles read: 1 broken, 1 completely transparent; 2 destination tiles at BGL LOD "
        "8.");
}

void tst_FormMain::reportsWhatItDid()
{
    QFETCH(QString, tiles);
    QFETCH(QString, lastLine);
    const QTemporaryDir work;
    const QString source = work.filePath("scenery");
    QVERIFY(tiles == "-" || K_SampleTiles::write(QDir(source).filePath(tiles)));
    QVERIFY(QDir().mkpath(source + "/empty"));
    QLocale::setDefault(QLocale::c()); // the summary's size is written the way the locale does
    K_FormMain window;
    window.setSourceFolder(tiles == "-" ? " " : source);
    window.setDestinationFolder(work.filePath("out"));
    window.setBglLod(8);
    window.setConvertSeasons(true);
    click(window, "convertPushButton");
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), 60000);
    const auto filled = [&](QString text) {
        const int count = K_SampleTiles::keys().size() + K_SampleTiles::seasonFileNames().size();
        return text.replace("%1", source).replace("%2", QString::number(count));
    };
    QCOMPARE(logOf(window).section('\n', -1), filled(lastLine));
    const QString summary = window.findChild<QLabel *>("statusLabel")->text();
    QVERIFY2(summary.startsWith(summaryBeforeTime(work.filePath("out"), 1)), qPrintable(summary));
    QCOMPARE(window.findChild<QAction *>("actionOpenDestinationFolder")->isEnabled(), tiles == ".");

    QString shown;
    answerNextModal([&shown](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            shown = box->text();
        } else {
            const auto *bar = modal->findChild<QProgressBar *>();
            if (QTest::qWaitFor([bar] { return bar->value() == 100; }, 60000))
                shown = modal->findChild<QLabel *>("countsLabel")->text();
        }
        modal->close();
    });
    window.findChild<QAction *>("actionPreviewTileSet")->trigger();
    QFETCH(QString, preview);
    QCOMPARE(shown, filled(preview));
}

// Also: run from the build tree, the About box links to the source tree's README.
void tst_FormMain::remembersGeometryAndTakesDroppedFolder()
{
    QVERIFY(QFileInfo(QUrl(K_FormAbout::readmeAddress()).toLocalFile()).isFile());
    {
        K_FormMain window;
        window.resize(700, 520);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(m_work.path())});
        auto *field = window.findChild<QLineEdit *>("sourceFolderLineEdit");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(field, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(field, &drop);
    }
    const K_FormMain window;
    QCOMPARE(window.size(), QSize(700, 520));
    QCOMPARE(window.sourceFolder(), QDir::toNativeSeparators(m_work.path()));
}

// File -> Make sample tile set, answered with the same folder twice: the first time the sample
// goes into a new subfolder, which becomes the source; the second time that subfolder exists.
void tst_FormMain::makesSampleTileSet()
{
    const QTemporaryDir parent;
    const QString sample = QDir::toNativeSeparators(parent.filePath("ORVIK sample tiles"));
    K_FormMain window;
    QString warning;
    for (const bool exists : {false, true}) {
        window.setSourceFolder("typed");
        answerNextModal([&](QWidget *modal) {
            // Typed, as the name field may hold focus and keep its own text against selectFile().
            modal->findChild<QLineEdit *>("fileNameEdit")->setText(parent.path());
            qobject_cast<QDialog *>(modal)->accept();
            if (exists) {
                answerNextModal([&](QWidget *box) {
                    warning = qobject_cast<QMessageBox *>(box)->text();
                    box->close();
                });
            }
        });
        window.findChild<QAction *>("actionMakeSampleTileSet")->trigger();
        QCOMPARE(window.sourceFolder(), exists ? QString("typed") : sample);
    }
    QVERIFY(logOf(window).endsWith(" FS9 tile bitmaps written into \"" + sample + "\"."));
    QCOMPARE(warning,
             "\"" + sample + "\" already exists. Choose another folder, or move it away first.");
}

void tst_FormMain::previewLayout_data()
{
    QTest::addColumn<QList<QPoint>>("tiles"); // blue, then yellow with a clear blue half
    QTest::addColumn<int>("factor");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRgb>("corner"); // the top-left cell, alpha-weighted
    QTest::newRow("4,096 wide") << QList<QPoint>{{5, 1}, {4100, 2}} << 1 << QSize(4096, 2)
                                << qRgb(0, 0, 255);
    QTest::newRow("4,097 wide") << QList<QPoint>{{4, 2}, {5, 2}, {4101, 3}} << 2 << QSize(2049, 1)
                                << qRgba(85, 85, 170, 191);
    QTest::newRow("across regions")
            << QList<QPoint>{{8191, 8191}, {8192, 8192}} << 1 << QSize(2, 2) << qRgb(0, 0, 255);
}

void tst_FormMain::previewLayout()
{
    QFETCH(QList<QPoint>, tiles);
    QTemporaryDir source;
    for (int i = 0; i < tiles.size(); ++i) {
        const QString key = Preview::keyAt(tiles[i], 13);
        QCOMPARE(Preview::tileOf(key), tiles[i]);
        QImage picture(256, 256, QImage::Format_ARGB32);
        picture.fill(i % 2 ? qRgb(255, 255, 0) : qRgb(0, 0, 255));
        for (int y = 0; y < 256; ++y)
            std::fill_n(reinterpret_cast<QRgb *>(picture.scanLine(y)), i % 2 * 128, 0x000000ffu);
        QVERIFY(K_TileBitmapWriter::write(source.filePath(key + "SU.BMP"), picture,
                                          {K_TileBitmapWriter::Dxt::Dxt5}));
    }
    Preview preview({source.path(), 8, QString()});
    QVERIFY(preview.build());
    QTEST(preview.layout().factor, "factor");
    QTEST(preview.picture(1).size(), "size");
    QTEST(preview.picture(1).pixel(0, 0), "corner");
}

void tst_FormMain::previewOfTheSample()
{
    Preview cancelled({m_work.filePath("tiles"), 8, QString()});
    cancelled.cancel();
    QVERIFY(!cancelled.build());

    K_FormPreview dialog(m_work.filePath("tiles"), 8);
    const Preview *preview = dialog.previewThread();
    QTRY_VERIFY(preview->isFinished());
    const QImage map = preview->picture(1);
    const auto cell
            = [&](const QString &key) { return Preview::tileOf(key) - preview->layout().origin; };
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

QTEST_MAIN(tst_FormMain)
#include "tst_formmain.moc"
