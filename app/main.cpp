#include "app/translators.h"
#include "ui/k_formmain.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Installed before the window exists, so every text it builds is already translated; they
    // are destroyed after it, in reverse order of creation.
    QTranslator toolkitTranslator;
    QTranslator programTranslator;
    installTranslators(application, toolkitTranslator, programTranslator);

    K_FormMain formMain;
    formMain.show();
    return application.exec();
}
