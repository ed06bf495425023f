#include "app/translators.h"
#include "engine/k_builderthread.h"
#include "modalwatcher.h"
#include "sampletiles.h"
#include "testconversion.h"
#include "tilebitmapwriter.h"
#include "ui/k_formabout.h"
#include "ui/k_formaboutsquish.h"
#include "ui/k_formmain.h"
#include "ui/k_formoptions.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

// The Options flags in the dialog's order: transparent tiles, broken tiles, single image, mirror.
const char *const checkBoxNames[]
        = {"passCompletelyTransparentTilesCheckBox", "passBrokenTilesCheckBox",
           "singleDestinationImageCheckBox", "verticalMirrorSourceTilesCheckBox"};

QString bits(std::initializer_list<bool> values)
{
    QString result;
    for (const bool value : values)
        result += value ? '1' : '0';
    return result;
}

QString flagsOf(const K_FormMain &w)
{
    return bits({w.passCompletelyTransparentTiles(), w.passBrokenTiles(),
                 w.singleDestinationImage(), w.verticalMirrorSourceTiles()});
}

// Everything the window restores and stores, as one string.
QString stateOf(const K_FormMain &w)
{
    return QString("%1|%2|%3|%4|")
                   .arg(w.sourceFolder(), w.destinationFolder())
                   .arg(w.bglLod())
                   .arg(w.compressionQuality())
           + flagsOf(w);
}

QStringList logLines(const K_FormMain &window)
{
    const auto *log = window.findChild<QPlainTextEdit *>("logPlainTextEdit");
    return log->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void click(K_FormMain &window, const char *name)
{
    window.findChild<QAbstractButton *>(name)->click();
}

} // namespace

class tst_FormMain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void restoresSettings_data();
    void restoresSettings();
    void storesExactlyTheEightKeys();
    void convertsAsTheEngine();
    void breakStopsTheRun();
    void optionsShowAndStoreFlags_data();
    void optionsShowAndStoreFlags();
    void aboutBoxes_data();
    void aboutBoxes();
    void windowSpeaksTheLocaleLanguage_data();
    void windowSpeaksTheLocaleLanguage();
    void reportsWhatItDid_data();
    void reportsWhatItDid();
    void remembersGeometryAndTakesDroppedFolder();
    void aboutLinksToAnExistingReadme();

private:
    QString settingsFile() const { return configDir.path() + "/Tovrel/ORVIK.ini"; }

    QTemporaryDir configDir;
};

void tst_FormMain::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(configDir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir.path());
}

void tst_FormMain::init()
{
    QFile::remove(settingsFile());
}

void tst_FormMain::restoresSettings_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("state");

    QTest::newRow("first start without a file") << QByteArray() << "||8|95|1100";
    QTest::newRow("too high, clamped")
            << QByteArray("BGLLOD=20\nCompressionQuality=250\n") << "||13|100|1100";
    QTest::newRow("too low, clamped")
            << QByteArray("BGLLOD=-4\nCompressionQuality=0\n") << "||0|1|1100";
}

void tst_FormMain::restoresSettings()
{
    QFETCH(QByteArray, ini);
    if (!ini.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(settingsFile()).path()));
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }
    QTEST(stateOf(K_FormMain()), "state");
}

void tst_FormMain::storesExactlyTheEightKeys()
{
    {
        QSettings foreign(settingsFile(), QSettings::IniFormat);
        foreign.setValue("Stray", 1);
        foreign.setValue("Options/Unknown", true);
    }
    QString stored;
    {
        K_FormMain window;
        window.setSourceFolder(" /source ");
        window.setDestinationFolder("/destination");
        window.setBglLod(12);
        window.setCompressionQuality(77);
        window.setSingleDestinationImage(true);
        window.setPassCompletelyTransparentTiles(false);
        window.setPassBrokenTiles(false);
        window.setVerticalMirrorSourceTiles(true);
        stored = stateOf(window);
    }
    QCOMPARE(stored, QString(" /source |/destination|12|77|0011"));

    QStringList keys = QSettings(settingsFile(), QSettings::IniFormat).allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"BGLLOD", "CompressionQuality", "DestinationFolder", "Geometry",
                                "Options/ConvertSeasons", "Options/PassBrokenTiles",
                                "Options/PassCompletelyTransparentTiles",
                                "Options/SingleDestinationImage", "Options/SkipConverted",
                                "Options/VerticalMirrorSourceTiles", "SourceFolder"}));
    QCOMPARE(stateOf(K_FormMain()), stored);
}

void tst_FormMain::convertsAsTheEngine()
{
    const QTemporaryDir work;
    QVERIFY(SampleTiles::write(work.filePath("tiles")));
    K_BuilderThread::Settings settings;
    settings.sourceFolder = work.filePath("tiles");
    settings.destinationFolder = work.filePath("engine");
    TestConversion engine;
    engine.run(settings);
    QVERIFY(engine.log().size() > 3);

    K_FormMain window;
    window.setSourceFolder(work.filePath("tiles"));
    window.setDestinationFolder(work.filePath("window"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // A Break while idle is undone by Convert; a second Convert while converting starts nothing.
    click(window, "breakPushButton");
    click(window, "convertPushButton");
    click(window, "convertPushButton");
    QCOMPARE(window.findChildren<K_BuilderThread *>().size(), 1);

    QString warning;
    answerNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        warning = box->windowTitle() + ": " + box->text();
        box->button(QMessageBox::Ok)->click();
    });
    window.close();
    QVERIFY2(warning.startsWith("Warning: Application closing is impossible"), qPrintable(warning));
    QVERIFY(window.isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), 60000);
    QCOMPARE(logLines(window), engine.log());
    QVERIFY(window.sourceTiles().isEmpty());
    QVERIFY(window.destinationTiles().isEmpty());
    QVERIFY(!window.findChild<K_BuilderThread *>());
    window.close();
    QVERIFY(!window.isVisible());
}

void tst_FormMain::breakStopsTheRun()
{
    const QTemporaryDir work;
    // Enough tiles that the run is still going when Break follows Convert.
    for (int i = 0; i < 64; ++i) {
        const QString digits = QString::number(i, 4).rightJustified(3, QLatin1Char('0'));
        QVERIFY(TileBitmap::write(work.filePath("010203010203" + digits + "SU.BMP"),
                                  TileBitmap::pattern(i)));
    }
    K_FormMain window;
    window.setSourceFolder(work.path());
    window.setDestinationFolder(work.filePath("out"));
    window.setBglLod(10);

    click(window, "convertPushButton");
    click(window, "breakPushButton");
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), 60000);

    const QStringList lines = logLines(window);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.last(), QString("Break."));
    QVERIFY(!lines.contains("Converting complete."));
    QVERIFY(window.sourceTiles().isEmpty());
    QVERIFY(window.destinationTiles().isEmpty());
}

void tst_FormMain::optionsShowAndStoreFlags_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected");

    QTest::newRow("OK stores the toggled boxes") << "1100" << true << "0011";
    QTest::newRow("Cancel changes nothing") << "1010" << false << "1010";
}

void tst_FormMain::optionsShowAndStoreFlags()
{
    QFETCH(QString, initial);
    QFETCH(bool, ok);
    const QTemporaryDir work;
    K_FormMain window;
    window.setPassCompletelyTransparentTiles(initial[0] == '1');
    window.setPassBrokenTiles(initial[1] == '1');
    window.setSingleDestinationImage(initial[2] == '1');
    window.setVerticalMirrorSourceTiles(initial[3] == '1');

    QString shown;
    answerNextModal([&](QWidget *modal) {
        for (const char *name : checkBoxNames) {
            auto *box = modal->findChild<QCheckBox *>(name);
            QVERIFY(box);
            shown += box->isChecked() ? "1" : "0";
            box->toggle();
        }
        modal->findChild<QDialogButtonBox *>()
                ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                ->click();
    });
    window.findChild<QAction *>("actionOptions")->trigger();
    QCOMPARE(shown, initial);
    QTEST(flagsOf(window), "expected");

    // The next conversion takes them; a missing source folder ends it at once.
    window.setSourceFolder("  " + work.filePath("missing") + "  ");
    click(window, "convertPushButton");
    const auto *thread = window.findChild<K_BuilderThread *>();
    QVERIFY(thread);
    const K_BuilderThread::Settings s = thread->settings();
    QCOMPARE(s.sourceFolder, work.filePath("missing") + QDir::separator());
    QTEST(bits({s.passCompletelyTransparentTiles, s.passBrokenTiles, s.singleDestinationImage,
                s.verticalMirrorSourceTiles}),
          "expected");
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), 60000);
}

void tst_FormMain::aboutBoxes_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("texts"); // the title first

    QTest::newRow("About ORVIK") << "actionAboutORVIK"
                                 << QStringList{"About ORVIK", "ORVIK - Kelvaro v0.05",
                                                "the ORVIK developers",
                                                K_FormAbout::readmeAddress()};
    QTest::newRow("About Squish") << "actionAboutSquish"
                                  << QStringList{"About Squish", "squish library version 1.10",
                                                 K_FormAboutSquish::projectAddress};
}

void tst_FormMain::aboutBoxes()
{
    QFETCH(QString, action);
    QFETCH(QStringList, texts);
    K_FormMain window;
    QString shown;
    answerNextModal([&](QWidget *modal) {
        shown = modal->windowTitle();
        for (const QLabel *label : modal->findChildren<QLabel *>())
            shown += "\n" + label->text();
        modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    window.findChild<QAction *>(qPrintable(action))->trigger();
    QVERIFY2(shown.startsWith(texts.first() + "\n"), qPrintable(shown));
    for (const QString &text : texts)
        QVERIFY2(shown.contains(text), qPrintable(text + " not in:\n" + shown));
}

void tst_FormMain::windowSpeaksTheLocaleLanguage_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QStringList>("texts"); // Convert button, File menu, the toolkit's Cancel

    QTest::newRow("Russian") << "ru_RU" << QStringList{"Конвертировать", "&Файл", "Отмена"};
    QTest::newRow("unknown locale") << "xx_YY" << QStringList{"Convert", "&File", "Cancel"};
}

void tst_FormMain::windowSpeaksTheLocaleLanguage()
{
    QFETCH(QString, localeName);
    const QTemporaryDir emptyToolkitFolder;
    QTranslator toolkit;
    QTranslator program;
    // The toolkit's catalogue comes from the copy shipped beside the program.
    installTranslators(*QCoreApplication::instance(), toolkit, program, localeName,
                       emptyToolkitFolder.path(), ORVIK_TRANSLATIONS_DIR);
    QStringList texts;
    {
        K_FormMain window;
        const K_FormOptions options(&window);
        texts << window.findChild<QAbstractButton *>("convertPushButton")->text()
              << window.findChild<QMenu *>("menu_File")->title()
              << options.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->text();
    }
    QCoreApplication::removeTranslator(&program);
    QCoreApplication::removeTranslator(&toolkit);
    QTEST(texts, "texts");
}

void tst_FormMain::reportsWhatItDid_data()
{
    QTest::addColumn<QString>("tiles"); // where the sample goes below the source; "-": no source
    QTest::addColumn<QString>("lastLine"); // %1 is the source, %2 the number of sample tiles

    QTest::newRow("empty source field") << "-"
                                        << "Source folder is not set.";
    QTest::newRow("tiles in a subfolder")
            << "texture"
            << "No FS9 tile bitmaps in \"%1\"; its subfolder \"texture\" holds %2.";
    QTest::newRow("the sample, with its broken tile") << "."
                                                      << "Converting complete.";
}

void tst_FormMain::reportsWhatItDid()
{
    QFETCH(QString, tiles);
    QFETCH(QString, lastLine);
    const QTemporaryDir work;
    const QString source = work.filePath("scenery");
    QVERIFY(QDir().mkpath(source + "/empty"));
    if (tiles != "-")
        QVERIFY(SampleTiles::write(QDir(source).filePath(tiles)));
    QLocale::setDefault(QLocale::c()); // the summary's size is written the way the locale does
    K_FormMain window;
    window.setSourceFolder(tiles == "-" ? " " : source);
    window.setDestinationFolder(work.filePath("out"));
    click(window, "convertPushButton");
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), 60000);

    QCOMPARE(logLines(window).constLast(), lastLine.arg(source).arg(SampleTiles::keys().size()));
    const QString summary = window.findChild<QLabel *>("statusLabel")->text();
    QVERIFY2(summary.startsWith(summaryBeforeTime(work.filePath("out"), 1)), qPrintable(summary));
    QCOMPARE(window.findChild<QAction *>("actionOpenDestinationFolder")->isEnabled(), tiles == ".");
}

void tst_FormMain::remembersGeometryAndTakesDroppedFolder()
{
    const QTemporaryDir work;
    {
        K_FormMain window;
        window.resize(700, 520);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(work.path())});
        auto *field = window.findChild<QLineEdit *>("sourceFolderLineEdit");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(field, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(field, &drop);
    }
    const K_FormMain window;
    QCOMPARE(window.size(), QSize(700, 520));
    QCOMPARE(window.sourceFolder(), QDir::toNativeSeparators(work.path()));
}

void tst_FormMain::aboutLinksToAnExistingReadme()
{
    // Run from the build tree, so the README is the source tree's.
    const QUrl address(K_FormAbout::readmeAddress());
    QVERIFY(QFileInfo(address.toLocalFile()).isFile());
}

QTEST_MAIN(tst_FormMain)
#include "tst_formmain.moc"
