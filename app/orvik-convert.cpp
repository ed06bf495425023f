#include "app/k_commandline.h"
#include "app/k_stopsignals.h"
#include "app/translators.h"

#include <QCoreApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    K_StopSignals::ignoreFileSizeLimit();
    QCoreApplication application(argc, argv);
    // Installed before any text is made, so the help, the usage errors and the log speak the
    // system's language.
    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    installTranslators(application, toolkitTranslator, programTranslator);

    QCoreApplication::setApplicationName(QStringLiteral("orvik-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVIK_VERSION));
    K_CommandLine commandLine;
    return commandLine.exec(QCoreApplication::arguments());
}
