#ifndef TRANSLATORS_H
#define TRANSLATORS_H

#include <QString>

class QCoreApplication;
class QTranslator;

// Start-up's choice of catalogues for `localeName` (language_COUNTRY): the toolkit's "qt_"
// catalogue from the toolkit's folder, else from the program's folder; the program's "ORVIK_"
// catalogue from the program's folder only, else its English one there, which holds only the
// English plural forms. Each translator that loads is installed in
// `application`, the toolkit's first; one that finds nothing stays empty and uninstalled, and the
// texts stay English. Runs in the main thread before any window exists or any text is made; the
// translators must outlive every window and text.
void installTranslators(QCoreApplication &application, QTranslator &toolkitTranslator,
                        QTranslator &programTranslator, const QString &localeName,
                        const QString &toolkitFolder, const QString &programFolder);

// The same for every program of ORVIK right after its application object exists: the system's
// locale, the toolkit's translations folder and the folder "translations" beside the program's
// real location.
void installTranslators(QCoreApplication &application, QTranslator &toolkitTranslator,
                        QTranslator &programTranslator);

#endif // TRANSLATORS_H
