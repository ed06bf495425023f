#ifndef K_SAMPLECOMMANDLINE_H
#define K_SAMPLECOMMANDLINE_H

#include <QObject>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// The front end of orvik-make-sample: writes the sample tile set (K_SampleTiles) into the one
// folder named, which must be new or empty; anything that begins with "-" and is no option of its
// own is refused, so that a mistyped option never becomes a folder. Standard output gets what was
// written, standard error the problems. Runs on the calling thread.
class K_SampleCommandLine : public QObject
{
    Q_OBJECT

public:
    explicit K_SampleCommandLine(QObject *parent = nullptr);

    // `arguments` starts with the program name; returns the exit code: 0 written, 1 the folder is
    // not empty or a file cannot be written, 2 a wrong command line (nothing is written).
    int exec(const QStringList &arguments);

private:
    static void addOptions(QCommandLineParser &parser);
    // The folder named on the parsed command line; false, with the reason in `error`, when there
    // is not exactly one, or it looks like an option.
    static bool readFolder(const QCommandLineParser &parser, QString *folder, QString *error);
};

#endif // K_SAMPLECOMMANDLINE_H
