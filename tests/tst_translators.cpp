#include "app/translators.h"
#include "ui/k_formabout.h"
#include "ui/k_formaboutsquish.h"
#include "ui/k_formmain.h"
#include "ui/k_formoptions.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {

const QString builtCatalogues = QStringLiteral(ORVIK_TRANSLATIONS_DIR);

// Every visible text of the four forms, keyed by form and object name.
QMap<QString, QString> formTexts()
{
    K_FormMain window;
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.emplace_back(new K_FormOptions(&window));
    dialogs.emplace_back(new K_FormAbout(&window));
    dialogs.emplace_back(new K_FormAboutSquish(&window));

    QMap<QString, QString> texts;
    const auto collect = [&texts](QWidget *form) {
        const QString prefix = form->objectName() + "/";
        texts.insert(prefix, form->windowTitle());
        for (auto *label : form->findChildren<QLabel *>())
            if (!label->text().isEmpty() && label->textFormat() != Qt::RichText)
                texts.insert(prefix + label->objectName(), label->text());
        for (auto *button : form->findChildren<QAbstractButton *>())
            if (!button->objectName().isEmpty() && !button->text().isEmpty())
                texts.insert(prefix + button->objectName(), button->text());
        for (auto *action : form->findChildren<QAction *>())
            if (!action->objectName().isEmpty())
                texts.insert(prefix + action->objectName(),
                             action->text() + "|" + action->statusTip() + "|"
                                     + action->shortcut().toString());
        for (auto *menu : form->findChildren<QMenu *>())
            texts.insert(prefix + menu->objectName(), menu->title());
    };
    collect(&window);
    for (const auto &dialog : dialogs)
        collect(dialog.get());
    return texts;
}

} // namespace

class tst_Translators : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findsCatalogues_data();
    void findsCatalogues();
    void russianCatalogueCoversEveryFormText();
    void windowSpeaksTheLocaleLanguage_data();
    void windowSpeaksTheLocaleLanguage();

private:
    QTemporaryDir configDir;
};

void tst_Translators::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(configDir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir.path());
    QVERIFY2(QFile::exists(builtCatalogues + "/ORVIK_ru.qm"), qPrintable(builtCatalogues));
}

void tst_Translators::findsCatalogues_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QStringList>("toolkitFolderFiles");
    QTest::addColumn<QStringList>("programFolderFiles");
    QTest::addColumn<QString>("toolkitLoaded");
    QTest::addColumn<QString>("programLoaded");

    QTest::newRow("both catalogues in their folders")
            << "ru_RU" << QStringList{"qt_ru.qm"} << QStringList{"ORVIK_ru.qm"}
            << "toolkit/qt_ru.qm"
            << "program/ORVIK_ru.qm";
    QTest::newRow("nothing for an unknown locale")
            << "xx_YY" << QStringList{"qt_ru.qm"} << QStringList{"qt_ru.qm", "ORVIK_ru.qm"} << ""
            << "";
    QTest::newRow("toolkit catalogue only beside the program")
            << "ru_RU" << QStringList() << QStringList{"qt_ru.qm", "ORVIK_ru.qm"}
            << "program/qt_ru.qm"
            << "program/ORVIK_ru.qm";
    QTest::newRow("toolkit folder wins over the program folder")
            << "ru_RU" << QStringList{"qt_ru.qm"} << QStringList{"qt_ru.qm"} << "toolkit/qt_ru.qm"
            << "";
    QTest::newRow("program catalogue in the toolkit folder is not found")
            << "ru_RU" << QStringList{"ORVIK_ru.qm"} << QStringList() << ""
            << "";
    QTest::newRow("de_AT falls back to the language catalogue")
            << "de_AT" << QStringList() << QStringList{"ORVIK_de.qm"} << ""
            << "program/ORVIK_de.qm";
    QTest::newRow("a file that is no catalogue is not installed")
            << "ru_RU" << QStringList() << QStringList{"broken:ORVIK_ru.qm"} << ""
            << "";
}

void tst_Translators::findsCatalogues()
{
    QFETCH(QString, localeName);
    QFETCH(QStringList, toolkitFolderFiles);
    QFETCH(QStringList, programFolderFiles);
    QFETCH(QString, toolkitLoaded);
    QFETCH(QString, programLoaded);

    const QTemporaryDir work;
    QDir root(work.path());
    QVERIFY(root.mkdir("toolkit") && root.mkdir("program"));
    // Any valid catalogue serves as a stand-in: the test is about which file is found.
    const auto put = [&](const QString &folder, const QStringList &files) {
        for (const QString &entry : files) {
            const bool broken = entry.startsWith("broken:");
            const QString target = work.filePath(folder + "/" + QString(entry).remove("broken:"));
            if (broken) {
                QFile file(target);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write("not a catalogue");
            } else {
                QVERIFY(QFile::copy(builtCatalogues + "/ORVIK_ru.qm", target));
            }
        }
    };
    put("toolkit", toolkitFolderFiles);
    put("program", programFolderFiles);

    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    installTranslators(*QCoreApplication::instance(), toolkitTranslator, programTranslator,
                       localeName, work.filePath("toolkit"), work.filePath("program"));

    const auto loaded = [&](const QTranslator &translator) {
        return translator.filePath().isEmpty() ? QString()
                                               : root.relativeFilePath(translator.filePath());
    };
    QCOMPARE(loaded(toolkitTranslator), toolkitLoaded);
    QCOMPARE(loaded(programTranslator), programLoaded);
    // Removing succeeds only for a translator that was installed.
    QCOMPARE(QCoreApplication::removeTranslator(&toolkitTranslator), !toolkitLoaded.isEmpty());
    QCOMPARE(QCoreApplication::removeTranslator(&programTranslator), !programLoaded.isEmpty());
}

void tst_Translators::russianCatalogueCoversEveryFormText()
{
    // Names and marks that read the same in Russian.
    const QStringList sameInRussian{"Kelvaro", "...", "BGL LOD:", "ORVIK - Kelvaro v0.05"};
    const QMap<QString, QString> english = formTexts();

    QTranslator translator;
    QVERIFY(translator.load("ORVIK_ru", builtCatalogues));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    const QMap<QString, QString> russian = formTexts();
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(russian.keys(), english.keys());
    for (auto it = english.cbegin(); it != english.cend(); ++it) {
        if (sameInRussian.contains(it.value()))
            continue;
        QVERIFY2(russian.value(it.key()) != it.value(),
                 qPrintable(it.key() + " untranslated: " + it.value()));
    }
}

void tst_Translators::windowSpeaksTheLocaleLanguage_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QString>("convert");
    QTest::addColumn<QString>("fileMenu");
    QTest::addColumn<QString>("cancel");

    QTest::newRow("Russian") << "ru_RU" << QString::fromUtf8("Конвертировать")
                             << QString::fromUtf8("&Файл") << QString::fromUtf8("Отмена");
    QTest::newRow("Ukrainian Russian") << "ru_UA" << QString::fromUtf8("Конвертировать")
                                       << QString::fromUtf8("&Файл") << QString::fromUtf8("Отмена");
    QTest::newRow("unknown locale") << "xx_YY"
                                    << "Convert"
                                    << "&File"
                                    << "Cancel";
}

void tst_Translators::windowSpeaksTheLocaleLanguage()
{
    QFETCH(QString, localeName);
    const QTemporaryDir emptyToolkitFolder;
    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    // The toolkit's catalogue comes from the copy shipped beside the program.
    installTranslators(*QCoreApplication::instance(), toolkitTranslator, programTranslator,
                       localeName, emptyToolkitFolder.path(), builtCatalogues);
    {
        K_FormMain window;
        QTEST(window.findChild<QAbstractButton *>("convertPushButton")->text(), "convert");
        QTEST(window.findChild<QMenu *>("menu_File")->title(), "fileMenu");
        QCOMPARE(window.windowTitle(), QString("Kelvaro"));
        const K_FormOptions options(&window);
        QTEST(options.findChild<QDialogButtonBox *>("buttonBox")
                      ->button(QDialogButtonBox::Cancel)
                      ->text(),
              "cancel");
    }
    QCoreApplication::removeTranslator(&programTranslator);
    QCoreApplication::removeTranslator(&toolkitTranslator);
}

QTEST_MAIN(tst_Translators)
#include "tst_translators.moc"
