#include "app/k_stopsignals.h"
#include "app/translators.h"
#include "ui/k_formmain.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    K_StopSignals::ignoreFileSizeLimit();
    QApplication application(argc, argv);
    // Installed before the window exists, so every text it builds is already translated; they
    // are destroyed after it, in reverse order of creation.
    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    installTranslators(application, toolkitTranslator, programTranslator);

    K_FormMain formMain;
    // A request to stop ends the run as Break does, then the window, with the signal's status.
    int stopSignal = 0;
    K_StopSignals::install(&formMain, [&formMain, &stopSignal](int signal) {
        if (stopSignal == 0)
            stopSignal = signal;
        formMain.stopAndClose();
    });
    formMain.show();
    const int code = application.exec();
    K_StopSignals::remove();
    return stopSignal != 0 ? 128 + stopSignal : code;
}
