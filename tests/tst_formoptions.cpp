#include "modalwatcher.h"
#include "ui/k_formmain.h"
#include "ui/k_formoptions.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The four flags in the dialog's order: transparent, broken, single image, mirror.
using Flags = QVector<bool>;

const char *const checkBoxNames[]
        = {"passCompletelyTransparentTilesCheckBox", "passBrokenTilesCheckBox",
           "singleDestinationImageCheckBox", "verticalMirrorSourceTilesCheckBox"};

Flags windowFlags(const K_FormMain &window)
{
    return {window.passCompletelyTransparentTiles(), window.passBrokenTiles(),
            window.singleDestinationImage(), window.verticalMirrorSourceTiles()};
}

} // namespace

class tst_FormOptions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showsAndStoresFlags_data();
    void showsAndStoresFlags();

private:
    QTemporaryDir configDir;
};

void tst_FormOptions::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(configDir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir.path());
}

void tst_FormOptions::showsAndStoresFlags_data()
{
    QTest::addColumn<Flags>("initial");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<Flags>("expected");

    const Flags defaults{true, true, false, false};
    const Flags inverted{false, false, true, true};
    const Flags mixed{true, false, true, false};
    QTest::newRow("first start, OK stores the toggled boxes") << defaults << "ok" << inverted;
    QTest::newRow("first start, Cancel keeps the flags") << defaults << "cancel" << defaults;
    QTest::newRow("Escape keeps the flags") << mixed << "escape" << mixed;
    QTest::newRow("mixed flags, OK stores the toggled boxes")
            << mixed << "ok" << Flags{false, true, false, true};
}

void tst_FormOptions::showsAndStoresFlags()
{
    QFETCH(Flags, initial);
    QFETCH(QString, answer);
    K_FormMain window;
    window.setPassCompletelyTransparentTiles(initial[0]);
    window.setPassBrokenTiles(initial[1]);
    window.setSingleDestinationImage(initial[2]);
    window.setVerticalMirrorSourceTiles(initial[3]);

    Flags shown;
    QString title;
    answerNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<K_FormOptions *>(modal);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        for (const char *name : checkBoxNames) {
            auto *box = dialog->findChild<QCheckBox *>(name);
            shown << box->isChecked();
            box->toggle();
        }
        auto *buttons = dialog->findChild<QDialogButtonBox *>("buttonBox");
        if (answer == "ok")
            buttons->button(QDialogButtonBox::Ok)->click();
        else if (answer == "cancel")
            buttons->button(QDialogButtonBox::Cancel)->click();
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    window.findChild<QAction *>("actionOptions")->trigger();

    QCOMPARE(title, QString("Options"));
    QCOMPARE(shown, initial);
    QTEST(windowFlags(window), "expected");
}

QTEST_MAIN(tst_FormOptions)
#include "tst_formoptions.moc"
