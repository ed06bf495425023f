#include "app/k_samplecommandline.h"
#include "app/translators.h"

#include <QCoreApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    installTranslators(application, toolkitTranslator, programTranslator);

    QCoreApplication::setApplicationName(QStringLiteral("orvik-make-sample"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVIK_VERSION));
    K_SampleCommandLine commandLine;
    return commandLine.exec(QCoreApplication::arguments());
}
