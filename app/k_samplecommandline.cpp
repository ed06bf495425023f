#include "k_samplecommandline.h"

#include "k_commandline.h"
#include "k_console.h"
#include "tiles/k_sampletiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

K_SampleCommandLine::K_SampleCommandLine(QObject *parent)
    : QObject(parent)
{ }

void K_SampleCommandLine::addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
            tr("Writes ORVIK's sample FS9 tile set into FOLDER, which must be new or empty: two "
               "destination tiles of DXT1, DXT3 and DXT5 tiles with a gap, a completely "
               "transparent tile and a broken one, and winter and night tiles."));
    parser.addPositionalArgument(QStringLiteral("FOLDER"),
                                 tr("The folder to write the tile bitmaps into."));
    parser.addOptions({K_CommandLine::helpOption(), K_CommandLine::versionOption()});
}

bool K_SampleCommandLine::readFolder(const QCommandLineParser &parser, QString *folder,
                                     QString *error)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || positional.at(0).trimmed().isEmpty()) {
        *error = tr("Name one folder.");
        return false;
    }
    // Such as "-" itself, or what follows "--".
    if (positional.at(0).startsWith(QLatin1Char('-'))) {
        *error = tr("Unknown option \"%1\".").arg(positional.at(0));
        return false;
    }
    *folder = positional.at(0);
    return true;
}

int K_SampleCommandLine::exec(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    const bool parsed = parser.parse(K_CommandLine::withHelpSwitches(arguments));
    const QString help = K_CommandLine::helpText(parser, arguments.value(0));
    if (parsed && parser.isSet(QStringLiteral("help"))) {
        K_Console::write(stdout, help + QLatin1Char('\n'));
        return K_CommandLine::ExitComplete;
    }
    if (parsed && parser.isSet(QStringLiteral("version"))) {
        K_Console::write(stdout, K_CommandLine::versionText() + QLatin1Char('\n'));
        return K_CommandLine::ExitComplete;
    }
    const QString program = QCoreApplication::applicationName();
    QString folder;
    QString error = parser.errorText();
    if (!parsed || !readFolder(parser, &folder, &error)) {
        // The usage line, for a command line that went wrong.
        K_Console::write(stderr,
                         QStringLiteral("%1: %2\n%3\n")
                                 .arg(program, error, help.section(QLatin1Char('\n'), 0, 0)));
        return K_CommandLine::ExitUsage;
    }
    folder = QDir(folder).absolutePath();
    if (!K_SampleTiles::write(folder, &error)) {
        K_Console::write(stderr, QStringLiteral("%1: %2\n").arg(program, error));
        return K_CommandLine::ExitProblems;
    }
    K_Console::write(stdout, K_SampleTiles::writtenText(folder) + QLatin1Char('\n'));
    return K_CommandLine::ExitComplete;
}
