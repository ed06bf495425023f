#include "app/translators.h"
#include "ui/k_formmain.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QString localeName = QLocale::system().name();
    const QString programTranslationsFolder
            = QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
    const QString toolkitTranslationsFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);

    // Installed before the window exists, so every text it builds is already translated; they
    // are destroyed after it, in reverse order of creation.
    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    installTranslators(application, toolkitTranslator, programTranslator, localeName,
                       toolkitTranslationsFolder, programTranslationsFolder);

    K_FormMain formMain;
    formMain.show();
    return application.exec();
}
