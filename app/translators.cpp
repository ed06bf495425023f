#include "app/translators.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void installTranslators(QCoreApplication &application, QTranslator &toolkitTranslator,
                        QTranslator &programTranslator, const QString &localeName,
                        const QString &toolkitFolder, const QString &programFolder)
{
    // load() also tries the name cut at its last "_" step by step, so de_AT finds a "de" catalogue.
    const QString toolkitName = QStringLiteral("qt_") + localeName;
    if (toolkitTranslator.load(toolkitName, toolkitFolder)
        || toolkitTranslator.load(toolkitName, programFolder))
        application.installTranslator(&toolkitTranslator);

    // English is the language of the texts themselves; its catalogue only holds the plural forms,
    // which a language without a catalogue of its own then gets right at least in English.
    if (programTranslator.load(QStringLiteral("ORVIK_") + localeName, programFolder)
        || programTranslator.load(QStringLiteral("ORVIK_en"), programFolder))
        application.installTranslator(&programTranslator);
}

void installTranslators(QCoreApplication &application, QTranslator &toolkitTranslator,
                        QTranslator &programTranslator)
{
    installTranslators(application, toolkitTranslator, programTranslator, QLocale::system().name(),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                       QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
}
