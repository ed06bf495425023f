// Many conversions in a row, each stopped at a random moment, the window closed or destroyed right
// after; and the program's start and quit. Under ThreadSanitizer (scripts/tsan.sh) these show any
// race, deadlock or use after free between window and worker; under AddressSanitizer, any leak.

#include "engine/k_builderthread.h"
#include "tilebitmapwriter.h"
#include "ui/k_formmain.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class tst_Stress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stopsAtRandomMoments_data();
    void stopsAtRandomMoments();
    void windowStartsAndQuits();

private:
    QTemporaryDir m_config;
    QTemporaryDir m_source;
};

void tst_Stress::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_config.isValid() && m_source.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    // Two destination tiles at BGL LOD 11 of sixteen tiles each: about eighty progress steps in
    // which a break can land, between and inside destination tiles.
    const QStringList keys
            = TileBitmap::keysUnder("0123012301230") + TileBitmap::keysUnder("0123012301231");
    for (int i = 0; i < keys.size(); ++i)
        QVERIFY(TileBitmap::write(m_source.filePath(keys[i] + "SU.BMP"), TileBitmap::pattern(i)));
}

void tst_Stress::stopsAtRandomMoments_data()
{
    QTest::addColumn<QString>("ending");

    QTest::newRow("Break pressed, window closed after finished()") << "break";
    QTest::newRow("run to the end, window closed after finished()") << "complete";
    QTest::newRow("window destroyed while converting") << "destroy";
}

void tst_Stress::stopsAtRandomMoments()
{
    QFETCH(QString, ending);
    QRandomGenerator random(20240601u); // the same moments in every test run

    for (int run = 0; run < 12; ++run) {
        // The moment: after this many of the worker's progress signals have been handled.
        const int moment = int(random.bounded(90));
        const QByteArray where = QStringLiteral("run %1, moment %2").arg(run).arg(moment).toUtf8();
        QTemporaryDir destination;
        QScopedPointer<K_FormMain> window(new K_FormMain);
        window->setSourceFolder(m_source.path());
        window->setDestinationFolder(destination.path());
        window->setBglLod(11);
        window->show();
        window->findChild<QPushButton *>("convertPushButton")->click();
        int handled = 0;
        connect(window->findChild<K_BuilderThread *>(), &K_BuilderThread::progressBarValueChanged,
                window.get(), [&] { ++handled; });
        const auto stopped = [&] { return !window->isConverting(); };
        QVERIFY2(QTest::qWaitFor([&] { return handled >= moment || stopped(); }, 120000), where);
        if (ending == QLatin1String("destroy")) {
            // The destructor stops the worker and waits for it before the maps go.
            window.reset();
            continue;
        }
        if (ending == QLatin1String("break"))
            window->findChild<QPushButton *>("breakPushButton")->click();
        QVERIFY2(QTest::qWaitFor(stopped, 120000), where);
        QVERIFY(window->close());

        const QString log = window->findChild<QPlainTextEdit *>("logPlainTextEdit")->toPlainText();
        QCOMPARE(log.count("Break.") + log.count("Converting complete."), 1);
        QVERIFY(log.endsWith("Converting complete.")
                || (ending == "break" && log.endsWith("Break.")));
        QVERIFY(window->sourceTiles().isEmpty() && window->destinationTiles().isEmpty());
    }
}

void tst_Stress::windowStartsAndQuits()
{
    // As the program runs it: the window shown, the event loop run, File, Exit chosen.
    K_FormMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTimer::singleShot(0, &window,
                       [&window] { window.findChild<QAction *>("actionExit")->trigger(); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(tst_Stress)
#include "tst_stress.moc"
