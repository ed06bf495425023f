// The window and its worker under stress: many conversions in a row, each stopped at a random
// moment, the window closed or destroyed right after; and the program's start and quit. Built with
// ThreadSanitizer (scripts/tsan.sh) these show any race, deadlock or use after free between the
// two threads; with AddressSanitizer, any leak.

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

namespace {

const int conversionTimeoutMs = 120000;
const int runs = 12;

QStringList logLines(const K_FormMain &window)
{
    const QString text = window.findChild<QPlainTextEdit *>("logPlainTextEdit")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

} // namespace

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
    int seed = 0;
    for (const char *prefix : {"0123012301230", "0123012301231"}) {
        for (const QString &key : TileBitmap::keysUnder(QString::fromLatin1(prefix))) {
            QVERIFY(TileBitmap::write(m_source.filePath(key + "SU.BMP"),
                                      TileBitmap::pattern(++seed)));
        }
    }
}

void tst_Stress::stopsAtRandomMoments_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<quint32>("seed");

    QTest::newRow("Break pressed, window closed after finished()") << "break" << 20240601u;
    QTest::newRow("run to the end, window closed after finished()") << "complete" << 20240602u;
    QTest::newRow("window destroyed while converting") << "destroy" << 20240603u;
}

void tst_Stress::stopsAtRandomMoments()
{
    QFETCH(QString, ending);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);

    for (int run = 0; run < runs; ++run) {
        // The moment: after this many of the worker's progress signals have been handled.
        const int moment = int(random.bounded(90));
        const QString where = QStringLiteral("run %1, moment %2").arg(run).arg(moment);
        QTemporaryDir destination;
        QScopedPointer<K_FormMain> window(new K_FormMain);
        window->setSourceFolder(m_source.path());
        window->setDestinationFolder(destination.path());
        window->setBglLod(11);
        window->show();

        window->findChild<QPushButton *>("convertPushButton")->click();
        auto *thread = window->findChild<K_BuilderThread *>();
        QVERIFY2(thread, qPrintable(where));
        int handled = 0;
        connect(thread, &K_BuilderThread::progressBarValueChanged, window.get(),
                [&] { ++handled; });
        QVERIFY2(QTest::qWaitFor([&] { return handled >= moment || !window->isConverting(); },
                                 conversionTimeoutMs),
                 qPrintable(where));

        if (ending == QLatin1String("destroy")) {
            // The destructor stops the worker and waits for it before the maps go.
            window.reset();
            continue;
        }
        if (ending == QLatin1String("break"))
            window->findChild<QPushButton *>("breakPushButton")->click();
        QVERIFY2(QTest::qWaitFor([&] { return !window->isConverting(); }, conversionTimeoutMs),
                 qPrintable(where));
        QVERIFY2(window->close(), qPrintable(where));

        const QStringList lines = logLines(*window);
        QVERIFY2(!lines.isEmpty(), qPrintable(where));
        const QString last = lines.last();
        if (ending == QLatin1String("complete"))
            QCOMPARE(last, QString("Converting complete."));
        else
            QVERIFY2(last == "Break." || last == "Converting complete.", qPrintable(where));
        QCOMPARE(lines.count("Break.") + lines.count("Converting complete."), 1);
        QVERIFY(window->sourceTiles().isEmpty());
        QVERIFY(window->destinationTiles().isEmpty());
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
