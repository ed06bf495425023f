#include "tiles/k_sampletiles.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

// Writes the sample FS9 tile set into the folder given as the only argument.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2 || arguments.at(1).trimmed().isEmpty()) {
        std::fputs(qPrintable(QCoreApplication::translate("orvik-make-sample",
                                                          "Usage: orvik-make-sample DIR\n")),
                   stderr);
        return 2;
    }
    const QString folder = QDir(arguments.at(1)).absolutePath();
    if (!K_SampleTiles::write(folder)) {
        std::fputs(qPrintable(QCoreApplication::translate(
                                      "orvik-make-sample",
                                      "orvik-make-sample: Cannot write the tiles into \"%1\".\n")
                                      .arg(folder)),
                   stderr);
        return 1;
    }
    std::fputs(qPrintable(QCoreApplication::translate("orvik-make-sample",
                                                      "%1 FS9 tile bitmaps written into \"%2\".\n")
                                  .arg(K_SampleTiles::keys().size()
                                       + K_SampleTiles::seasonFileNames().size())
                                  .arg(folder)),
               stdout);
    return 0;
}
