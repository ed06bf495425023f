#ifndef K_PREVIEWCOMMANDLINE_H
#define K_PREVIEWCOMMANDLINE_H

#include "engine/k_previewthread.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// The front end of orvik-preview: reads the tiles of SOURCE of one variant, writes the preview
// map as a PNG picture and prints one line per destination tile of the chosen BGL LOD. Runs on
// the calling thread; standard output gets the lines, standard error the problems.
class K_PreviewCommandLine : public QObject
{
    Q_OBJECT

public:
    explicit K_PreviewCommandLine(QObject *parent = nullptr);

    // `arguments` starts with the program name; returns the exit code of orvik-convert's kind:
    // 0 done, 1 broken tiles found or a failure, 2 a usage error.
    int exec(const QStringList &arguments);

    // One destination as printed: key, tiles present of the possible, broken, transparent.
    static QString destinationLine(const K_PreviewThread::Destination &destination);

private:
    static void addOptions(QCommandLineParser &parser);
    // The preview's settings from the parsed arguments; false, with the reason in `error`, when
    // they cannot be used.
    static bool readSettings(const QCommandLineParser &parser, K_PreviewThread::Settings *settings,
                             QString *error);
    // Previews `settings` into the picture `output`; returns the exit code.
    static int preview(const K_PreviewThread::Settings &settings, const QString &output);
};

#endif // K_PREVIEWCOMMANDLINE_H
