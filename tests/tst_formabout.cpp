#include "modalwatcher.h"
#include "ui/k_formabout.h"
#include "ui/k_formaboutsquish.h"
#include "ui/k_formmain.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

class tst_FormAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void boxOpensFromHelpMenu_data();
    void boxOpensFromHelpMenu();
    void squishTextWrapsInsideTheBox();

private:
    QTemporaryDir configDir;
};

void tst_FormAbout::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(configDir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir.path());
}

void tst_FormAbout::boxOpensFromHelpMenu_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("address");

    QTest::newRow("About ORVIK") << "actionAboutORVIK"
                                 << "About ORVIK" << QString(K_FormAbout::readmeAddress);
    QTest::newRow("About Squish") << "actionAboutSquish"
                                  << "About Squish" << QString(K_FormAboutSquish::projectAddress);
}

void tst_FormAbout::boxOpensFromHelpMenu()
{
    QFETCH(QString, action);
    QFETCH(QString, address);
    K_FormMain window;

    QString title;
    QString visibleAddress;
    QString href;
    bool opensLinks = false;
    QString heading;
    Qt::Alignment headingAlignment;
    QString copyright;
    answerNextModal([&](QWidget *modal) {
        title = modal->windowTitle();
        auto *www = modal->findChild<QLabel *>("wwwLabel");
        QVERIFY(www);
        opensLinks = www->openExternalLinks();
        QTextDocument document;
        document.setHtml(www->text());
        visibleAddress = document.toPlainText().trimmed();
        href = document.begin().begin().fragment().charFormat().anchorHref();
        if (auto *name = modal->findChild<QLabel *>("nameLabel")) {
            heading = name->text();
            headingAlignment = name->alignment();
            copyright = modal->findChild<QLabel *>("copyrightLabel")->text();
        }
        modal->findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
    window.findChild<QAction *>(qPrintable(action))->trigger();

    QTEST(title, "title");
    QVERIFY(opensLinks);
    QCOMPARE(visibleAddress, address);
    QCOMPARE(href, address);
    if (action == "actionAboutORVIK") {
        QCOMPARE(heading, QString("ORVIK - Kelvaro v0.05"));
        QCOMPARE(headingAlignment, Qt::AlignCenter);
        QVERIFY2(copyright.contains("the ORVIK developers"), qPrintable(copyright));
        QVERIFY2(copyright.contains(QRegularExpression("\\b20\\d\\d\\b")), qPrintable(copyright));
    }
}

void tst_FormAbout::squishTextWrapsInsideTheBox()
{
    K_FormAboutSquish box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const auto *about = box.findChild<QLabel *>("aboutLabel");
    QCOMPARE(box.width(), 300);
    QVERIFY(about->wordWrap());
    QVERIFY(about->height() > about->fontMetrics().height() * 3 / 2);
}

QTEST_MAIN(tst_FormAbout)
#include "tst_formabout.moc"
