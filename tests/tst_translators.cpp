#include "app/translators.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class tst_Translators : public QObject
{
    Q_OBJECT

private slots:
    void findsCatalogues_data();
    void findsCatalogues();
    void shippedCataloguesSpeakRussian();
};

void tst_Translators::findsCatalogues_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("loaded"); // the toolkit's, then the program's

    const QStringList both{"toolkit/qt_ru.qm", "program/ORVIK_ru.qm"};
    QTest::newRow("both in their folders") << "ru_RU" << both << both;
    QTest::newRow("toolkit catalogue beside the program")
            << "ru_RU" << QStringList{"program/qt_ru.qm"} << QStringList{"program/qt_ru.qm"};
    QTest::newRow("toolkit folder wins")
            << "ru_RU" << QStringList{"toolkit/qt_ru.qm", "program/qt_ru.qm"}
            << QStringList{"toolkit/qt_ru.qm"};
    QTest::newRow("program catalogue not from the toolkit folder")
            << "ru_RU" << QStringList{"toolkit/ORVIK_ru.qm"} << QStringList();
    QTest::newRow("de_AT finds de")
            << "de_AT" << QStringList{"program/ORVIK_de.qm"} << QStringList{"program/ORVIK_de.qm"};
    QTest::newRow("unknown locale") << "xx_YY" << both << QStringList();
}

void tst_Translators::findsCatalogues()
{
    QFETCH(QString, localeName);
    QFETCH(QStringList, files);
    const QTemporaryDir work;
    const QDir root(work.path());
    QVERIFY(root.mkdir("toolkit") && root.mkdir("program"));
    // Any valid catalogue serves as a stand-in: the test is about which file is found.
    for (const QString &file : files)
        QVERIFY(QFile::copy(ORVIK_TRANSLATIONS_DIR "/ORVIK_ru.qm", work.filePath(file)));

    QTranslator toolkit;
    QTranslator program;
    installTranslators(*QCoreApplication::instance(), toolkit, program, localeName,
                       work.filePath("toolkit"), work.filePath("program"));
    QStringList loaded;
    for (QTranslator *translator : {&toolkit, &program}) {
        // Removing succeeds only for a translator that was installed.
        QCOMPARE(QCoreApplication::removeTranslator(translator), !translator->isEmpty());
        if (!translator->isEmpty())
            loaded << root.relativeFilePath(translator->filePath());
    }
    QTEST(loaded, "loaded");
}

void tst_Translators::shippedCataloguesSpeakRussian()
{
    // The toolkit's catalogue comes from the copy shipped beside the program.
    const QTemporaryDir emptyToolkitFolder;
    QTranslator toolkit;
    QTranslator program;
    installTranslators(*QCoreApplication::instance(), toolkit, program, "ru_RU",
                       emptyToolkitFolder.path(), ORVIK_TRANSLATIONS_DIR);
    QCOMPARE(QCoreApplication::translate("K_FormMain", "Convert"), QString("Конвертировать"));
    QCOMPARE(QCoreApplication::translate("K_FormMain", "&File"), QString("&Файл"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Отмена"));
}

QTEST_GUILESS_MAIN(tst_Translators)
#include "tst_translators.moc"
