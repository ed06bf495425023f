#include "app/translators.h"
#include "engine/k_conversiontexts.h"

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
    void summarisesInRussian_data();
    void summarisesInRussian();
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

// The catalogues shipped beside the program, the toolkit's included.
void tst_Translators::summarisesInRussian_data()
{
    // "count | size": the summary of a run ("+": stopped) that wrote `count` destination tiles and
    // pictures of `count` bytes and logged `count` problems gives that size. A Russian count's last
    // digits choose its plural form: the counts stand after colons, where one form suits them all;
    // bytes take theirs from the catalogue, larger sizes their units and digits from the locale.
    QTest::addColumn<QString>("row");
    for (const char *row :
         {"0 | 0\u00a0байт", "1 | 1\u00a0байт", "2 | 2\u00a0байта", "5 | 5\u00a0байт",
          "11 | 11\u00a0байт", "21 | 21\u00a0байт", "22 | 22\u00a0байта",
          "1023 | 1\u00a0023\u00a0байта", "+2048 | 2,0\u00a0кБ", "6291456 | 6,0\u00a0МБ"})
        QTest::newRow(row) << QString(row);
}

void tst_Translators::summarisesInRussian()
{
    QFETCH(QString, row);
    const QTemporaryDir emptyToolkitFolder;
    QTranslator toolkit, program;
    installTranslators(*QCoreApplication::instance(), toolkit, program, "ru_RU",
                       emptyToolkitFolder.path(), ORVIK_TRANSLATIONS_DIR);
    const QLocale locale;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const int n = row.section(" | ", 0, 0).toInt();
    const QString summary = K_ConversionTexts::summary({row.startsWith('+'), n, n, n, n});
    QLocale::setDefault(locale);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Отмена"));
    QCOMPARE(summary, (row.startsWith('+') ? "Остановлено. " : "")
                              + QString("Записано итоговых тайлов: %1, изображений: %1 (%2), "
                                        "проблем: %1, время: 0:00.")
                                        .arg(n)
                                        .arg(row.section(" | ", 1)));
}

QTEST_GUILESS_MAIN(tst_Translators)
#include "tst_translators.moc"
