#include "app/k_commandline.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // The TIFF resolution tag follows the default DPI: without a screen it would be 100, while the
    // window writes 96 on a standard display, so the same tiles would give different files.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvik-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVIK_VERSION));
    K_CommandLine commandLine;
    return commandLine.exec(QCoreApplication::arguments());
}
