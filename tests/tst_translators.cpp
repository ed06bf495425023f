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
    // "locale | files | the catalogues loaded, the toolkit's first"; "$": the Russian pair
    QTest::addColumn<QString>("row");
    const auto row
            = [](const char *name, const char *text) { QTest::newRow(name) << QString(text); };
    row("both in their folders", "ru_RU | $ | $");
    row("toolkit catalogue beside the program", "ru_RU | program/qt_ru.qm | program/qt_ru.qm");
    row("toolkit folder wins", "ru_RU | toolkit/qt_ru.qm program/qt_ru.qm | toolkit/qt_ru.qm");
    row("program catalogue not from the toolkit folder", "ru_RU | toolkit/ORVIK_ru.qm | ");
    row("de_AT finds de", "de_AT | program/ORVIK_de.qm | program/ORVIK_de.qm");
    row("unknown locale", "xx_YY | $ | ");
}

void tst_Translators::findsCatalogues()
{
    QFETCH(QString, row);
    const QStringList column
            = row.replace("$", "toolkit/qt_ru.qm program/ORVIK_ru.qm").split(" | ");
    const QTemporaryDir work;
    const QDir root(work.path());
    QVERIFY(root.mkdir("toolkit") && root.mkdir("program"));
    // Any valid catalogue serves as a stand-in: the test is about which file is found.
    for (const QString &file : column[1].split(' ', Qt::SkipEmptyParts))
        QVERIFY(QFile::copy(ORVIK_TRANSLATIONS_DIR "/ORVIK_ru.qm", work.filePath(file)));

    QTranslator toolkit;
    QTranslator program;
    installTranslators(*QCoreApplication::instance(), toolkit, program, column[0],
                       work.filePath("toolkit"), work.filePath("program"));
    QStringList loaded;
    for (QTranslator *translator : {&toolkit, &program}) {
        // Removing succeeds only for a translator that was installed.
        QCOMPARE(QCoreApplication::removeTranslator(translator), !translator->isEmpty());
        if (!translator->isEmpty())
            loaded << root.relativeFilePath(translator->filePath());
    }
    QCOMPARE(loaded.join(' '), column[2]);
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
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Отмена"));
}

QTEST_GUILESS_MAIN(tst_Translators)
#include "tst_translators.moc"
