#include "app/k_previewcommandline.h"
#include "app/translators.h"

#include <QCoreApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    installTranslators(application, toolkitTranslator, programTranslator);

    QCoreApplication::setApplicationName(QStringLiteral("orvik-preview"));
    K_PreviewCommandLine commandLine;
    return commandLine.exec(QCoreApplication::arguments());
}
