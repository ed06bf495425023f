#include "app/k_samplecommandline.h"
#include "app/k_stopsignals.h"
#include "app/translators.h"

#include <QCoreApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    // A write past a file size limit then fails and its file is removed, instead of ending the
    // program with the file cut short.
    K_StopSignals::ignoreFileSizeLimit();
    QCoreApplication application(argc, argv);
    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    installTranslators(application, toolkitTranslator, programTranslator);

    QCoreApplication::setApplicationName(QStringLiteral("orvik-make-sample"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVIK_VERSION));
    K_SampleCommandLine commandLine;
    return commandLine.exec(QCoreApplication::arguments());
}
