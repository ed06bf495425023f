#include "app/k_commandline.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvik-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVIK_VERSION));
    K_CommandLine commandLine;
    return commandLine.exec(QCoreApplication::arguments());
}
