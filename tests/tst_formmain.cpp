#include "engine/k_builderthread.h"
#include "modalwatcher.h"
#include "tilebitmapwriter.h"
#include "ui/k_formmain.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

const int conversionTimeoutMs = 60000;

QStringList logLines(const K_FormMain &window)
{
    const QString text = window.findChild<QPlainTextEdit *>("logPlainTextEdit")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void click(K_FormMain &window, const char *buttonName)
{
    window.findChild<QAbstractButton *>(buttonName)->click();
}

// Writes tiles "010203010203" + each suffix + "SU.BMP", distinct pictures, into `folder`.
void writeTiles(const QString &folder, const QStringList &suffixes)
{
    int seed = 0;
    for (const QString &suffix : suffixes) {
        const QString path = folder + "/010203010203" + suffix + "SU.BMP";
        QVERIFY2(TileBitmap::write(path, TileBitmap::pattern(++seed)), qPrintable(path));
    }
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
    void snapshotTakesWindowChoices();
    void conversionFillsLogInOrder();
    void secondConvertStartsNothing();
    void breakDecidesLastLine_data();
    void breakDecidesLastLine();
    void closeIsRefusedWhileConverting_data();
    void closeIsRefusedWhileConverting();
    void folderChoice_data();
    void folderChoice();

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
    QTest::addColumn<QString>("sourceFolder");
    QTest::addColumn<int>("bglLod");
    QTest::addColumn<int>("compressionQuality");
    QTest::addColumn<bool>("singleDestinationImage");
    QTest::addColumn<bool>("passCompletelyTransparentTiles");
    QTest::addColumn<bool>("passBrokenTiles");
    QTest::addColumn<bool>("verticalMirrorSourceTiles");

    QTest::newRow("first start without a file")
            << QByteArray() << "" << 8 << 95 << false << true << true << false;
    QTest::newRow("every key stored")
            << QByteArray("SourceFolder=\"  /in put  \"\nDestinationFolder=/out\nBGLLOD=3\n"
                          "CompressionQuality=40\n[Options]\nSingleDestinationImage=true\n"
                          "PassCompletelyTransparentTiles=false\nPassBrokenTiles=false\n"
                          "VerticalMirrorSourceTiles=true\n")
            << "  /in put  " << 3 << 40 << true << false << false << true;
    QTest::newRow("absent keys keep the defaults")
            << QByteArray("BGLLOD=11\n[Options]\nPassBrokenTiles=false\n") << "" << 11 << 95
            << false << true << false << false;
    QTest::newRow("BGL LOD 20 shows as 13")
            << QByteArray("BGLLOD=20\n") << "" << 13 << 95 << false << true << true << false;
    QTest::newRow("negative BGL LOD shows as 0")
            << QByteArray("BGLLOD=-4\n") << "" << 0 << 95 << false << true << true << false;
    QTest::newRow("quality 0 shows as 1") << QByteArray("CompressionQuality=0\n") << "" << 8 << 1
                                          << false << true << true << false;
    QTest::newRow("quality 250 shows as 100") << QByteArray("CompressionQuality=250\n") << "" << 8
                                              << 100 << false << true << true << false;
    QTest::newRow("numbers that are not numbers read as 0")
            << QByteArray("BGLLOD=deep\nCompressionQuality=best\n") << "" << 0 << 1 << false << true
            << true << false;
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

    const K_FormMain window;
    QTEST(window.sourceFolder(), "sourceFolder");
    QTEST(window.bglLod(), "bglLod");
    QTEST(window.compressionQuality(), "compressionQuality");
    QTEST(window.singleDestinationImage(), "singleDestinationImage");
    QTEST(window.passCompletelyTransparentTiles(), "passCompletelyTransparentTiles");
    QTEST(window.passBrokenTiles(), "passBrokenTiles");
    QTEST(window.verticalMirrorSourceTiles(), "verticalMirrorSourceTiles");
}

void tst_FormMain::storesExactlyTheEightKeys()
{
    {
        QSettings foreign(settingsFile(), QSettings::IniFormat);
        foreign.setValue("Stray", 1);
        foreign.setValue("Options/Unknown", true);
    }
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
    }

    QSettings stored(settingsFile(), QSettings::IniFormat);
    QStringList keys = stored.allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"BGLLOD", "CompressionQuality", "DestinationFolder",
                                "Options/PassBrokenTiles", "Options/PassCompletelyTransparentTiles",
                                "Options/SingleDestinationImage",
                                "Options/VerticalMirrorSourceTiles", "SourceFolder"}));

    const K_FormMain restored;
    QCOMPARE(restored.sourceFolder(), QString(" /source "));
    QCOMPARE(restored.destinationFolder(), QString("/destination"));
    QCOMPARE(restored.bglLod(), 12);
    QCOMPARE(restored.compressionQuality(), 77);
    QCOMPARE(restored.singleDestinationImage(), true);
    QCOMPARE(restored.passCompletelyTransparentTiles(), false);
    QCOMPARE(restored.passBrokenTiles(), false);
    QCOMPARE(restored.verticalMirrorSourceTiles(), true);
}

void tst_FormMain::snapshotTakesWindowChoices()
{
    const QTemporaryDir work;
    K_FormMain window;
    // A missing source folder ends the run at once, without a word.
    window.setSourceFolder("  " + work.filePath("missing") + "  ");
    window.setDestinationFolder(work.filePath("out"));
    window.setBglLod(5);
    window.setCompressionQuality(60);
    window.setSingleDestinationImage(true);
    window.setPassCompletelyTransparentTiles(false);
    window.setPassBrokenTiles(false);
    window.setVerticalMirrorSourceTiles(true);

    click(window, "convertPushButton");
    const auto *thread = window.findChild<K_BuilderThread *>();
    QVERIFY(thread);
    const K_BuilderThread::Settings settings = thread->settings();
    QCOMPARE(settings.sourceFolder, work.filePath("missing") + QDir::separator());
    QCOMPARE(settings.destinationFolder, work.filePath("out") + QDir::separator());
    QCOMPARE(settings.bglLod, 5);
    QCOMPARE(settings.compressionQuality, 60);
    QCOMPARE(settings.singleDestinationImage, true);
    QCOMPARE(settings.passCompletelyTransparentTiles, false);
    QCOMPARE(settings.passBrokenTiles, false);
    QCOMPARE(settings.verticalMirrorSourceTiles, true);

    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), conversionTimeoutMs);
    QVERIFY(!window.findChild<K_BuilderThread *>());
    QCOMPARE(logLines(window), QStringList({QString("Source folder \"%1\" does not exist.")
                                                    .arg(work.filePath("missing"))}));
}

void tst_FormMain::conversionFillsLogInOrder()
{
    const QTemporaryDir source;
    const QTemporaryDir destination;
    writeTiles(source.path(), {"010", "011", "012", "013", "020"});
    K_FormMain window;
    window.setSourceFolder(source.path());
    window.setDestinationFolder(destination.path());
    window.setBglLod(12);
    window.appendLogText("earlier line");

    click(window, "convertPushButton");
    QVERIFY(window.isConverting());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), conversionTimeoutMs);

    QCOMPARE(logLines(window),
             QStringList({"earlier line", "Tile \"01020301020301\" saved.",
                          "Tile \"01020301020302\" saved.", "Converting complete."}));
    QCOMPARE(window.findChild<QLabel *>("progressTextLabel")->text(), QString());
    QCOMPARE(window.findChild<QProgressBar *>("progressBar")->value(), 0);
    QVERIFY(window.sourceTiles().isEmpty());
    QVERIFY(window.destinationTiles().isEmpty());
    QVERIFY(!window.findChild<K_BuilderThread *>());
    for (const QString key : {"01020301020301", "01020301020302"}) {
        QVERIFY2(QFile::exists(destination.filePath(key + ".inf")), qPrintable(key));
        const QDir images(destination.filePath("Source/" + key));
        QVERIFY2(!images.entryList({"*.tif"}, QDir::Files).isEmpty(), qPrintable(key));
    }
}

void tst_FormMain::secondConvertStartsNothing()
{
    const QTemporaryDir source;
    const QTemporaryDir destination;
    writeTiles(source.path(), {"010", "011"});
    K_FormMain window;
    window.setSourceFolder(source.path());
    window.setDestinationFolder(destination.path());
    window.setBglLod(12);

    click(window, "convertPushButton");
    click(window, "convertPushButton");
    QCOMPARE(window.findChildren<K_BuilderThread *>().size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), conversionTimeoutMs);

    QCOMPARE(logLines(window),
             QStringList({"Tile \"01020301020301\" saved.", "Converting complete."}));
}

void tst_FormMain::breakDecidesLastLine_data()
{
    QTest::addColumn<bool>("breakWhileIdle");
    QTest::addColumn<QString>("lastLine");

    QTest::newRow("Break during the run stops it") << false << "Break.";
    QTest::newRow("Break while idle is undone by Convert") << true << "Converting complete.";
}

void tst_FormMain::breakDecidesLastLine()
{
    QFETCH(bool, breakWhileIdle);
    const QTemporaryDir source;
    const QTemporaryDir destination;
    // Enough tiles that the run is still going when Break follows Convert.
    QStringList suffixes;
    for (int i = 0; i < 64; ++i)
        suffixes << QString("%1%2%3").arg(i / 16).arg(i / 4 % 4).arg(i % 4);
    writeTiles(source.path(), suffixes);
    K_FormMain window;
    window.setSourceFolder(source.path());
    window.setDestinationFolder(destination.path());
    window.setBglLod(10);

    if (breakWhileIdle)
        click(window, "breakPushButton");
    click(window, "convertPushButton");
    if (!breakWhileIdle)
        click(window, "breakPushButton");
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), conversionTimeoutMs);

    const QStringList lines = logLines(window);
    QVERIFY(!lines.isEmpty());
    QTEST(lines.last(), "lastLine");
    QCOMPARE(lines.count("Break.") + lines.count("Converting complete."), 1);
    QVERIFY(window.sourceTiles().isEmpty());
    QVERIFY(window.destinationTiles().isEmpty());
}

void tst_FormMain::closeIsRefusedWhileConverting_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("close button") << "close";
    QTest::newRow("File, Exit") << "exit";
    QTest::newRow("Ctrl+Q") << "shortcut";
}

void tst_FormMain::closeIsRefusedWhileConverting()
{
    QFETCH(QString, how);
    const QTemporaryDir work;
    K_FormMain window;
    window.setSourceFolder(work.filePath("missing"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto requestClose = [&] {
        if (how == "close")
            window.close();
        else if (how == "exit")
            window.findChild<QAction *>("actionExit")->trigger();
        else {
            // The shortcut reaches only the active window, which the box took over.
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
        }
    };

    QString title;
    QString text;
    answerNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    click(window, "convertPushButton");
    requestClose();

    QCOMPARE(title, QString("Warning"));
    QCOMPARE(text, QString("Application closing is impossible until termination of conversion "
                           "process."));
    QVERIFY(window.isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(!window.isConverting(), conversionTimeoutMs);
    requestClose();
    QVERIFY(!window.isVisible());
}

void tst_FormMain::folderChoice_data()
{
    QTest::addColumn<QString>("toolButton");
    QTest::addColumn<QString>("lineEdit");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("choose");

    QTest::newRow("source chosen") << "sourceFolderToolButton"
                                   << "sourceFolderLineEdit"
                                   << "Select source folder" << true;
    QTest::newRow("source cancelled") << "sourceFolderToolButton"
                                      << "sourceFolderLineEdit"
                                      << "Select source folder" << false;
    QTest::newRow("destination chosen") << "destinationFolderToolButton"
                                        << "destinationFolderLineEdit"
                                        << "Select destination folder" << true;
    QTest::newRow("destination cancelled") << "destinationFolderToolButton"
                                           << "destinationFolderLineEdit"
                                           << "Select destination folder" << false;
}

void tst_FormMain::folderChoice()
{
    QFETCH(QString, toolButton);
    QFETCH(QString, lineEdit);
    QFETCH(bool, choose);
    const QTemporaryDir work;
    QVERIFY(QDir(work.path()).mkdir("typed"));
    QVERIFY(QDir(work.path()).mkdir("chosen"));
    K_FormMain window;
    auto *edit = window.findChild<QLineEdit *>(lineEdit);
    edit->setText(work.filePath("typed"));

    QString caption;
    answerNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        caption = dialog->windowTitle();
        if (choose) {
            dialog->setDirectory(work.filePath("chosen"));
            static_cast<QDialog *>(dialog)->accept();
        } else {
            dialog->reject();
        }
    });
    QTest::mouseClick(window.findChild<QToolButton *>(toolButton), Qt::LeftButton);

    QTEST(caption, "caption");
    QCOMPARE(edit->text(), work.filePath(choose ? "chosen" : "typed"));
}

QTEST_MAIN(tst_FormMain)
#include "tst_formmain.moc"
