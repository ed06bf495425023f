#ifndef K_COMMANDLINE_H
#define K_COMMANDLINE_H

#include "engine/k_builderthread.h"

#include <QCommandLineOption>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// The front end of orvik-convert: turns the command line into the conversion's settings, runs
// one K_BuilderThread on them and reports while it runs. Every log line goes to standard output
// as it arrives, in the engine's order, flushed at once; a progress bar goes to standard error
// only when standard error is a terminal, and the run's summary goes there at the end. Ctrl+C,
// SIGTERM and SIGHUP (Ctrl+Break and the console's close, logoff and shutdown on Windows) set the
// break flag, under the mutex, from the main thread, so the run stops at its next check and the
// exit status is 128 + the first signal's number; further ones change nothing.
//
// Lives in the main thread; one object per process, since it owns the signal handlers while a
// conversion runs. exec() returns only after the worker has finished and every tile is freed.
class K_CommandLine : public QObject
{
    Q_OBJECT

public:
    enum ExitCode {
        ExitComplete = 0,
        ExitProblems = 1,
        ExitUsage = 2,
        ExitBreak = 130,
    };

    enum class Action { Convert, ShowHelp, ShowVersion, UsageError };

    // How a run ended, told by its last log line.
    enum class Outcome { Complete, Broken, Unfinished };

    struct Arguments
    {
        Action action = Action::UsageError;
        K_BuilderThread::Settings settings;
        QString text; // the help text, the version line or the error, without a line end
    };

    explicit K_CommandLine(QObject *parent = nullptr);
    ~K_CommandLine() override;

    // `arguments` starts with the program name. Reads and writes no file.
    static Arguments parse(const QStringList &arguments);

    // What the progress line counts in the step of `progress`: tiles, or destination tiles.
    static QString countText(const K_BuilderThread::Progress &progress);
    // One line of at most width - 1 characters: the step text, a bar when there is room, the
    // percentage, `countText` and the time left (when secondsLeft >= 0).
    static QString progressLine(const QString &stepText, int percent, const QString &countText,
                                qint64 secondsLeft, int width);

    static Outcome outcomeOf(const QString &lastLogLine);
    static int exitCode(Outcome outcome, int problems);

    // Sets `value` to `text` as a whole number from `low` to `high`; false, and `value` kept,
    // for anything else.
    static bool toBoundedInt(const QString &text, int low, int high, int *value);
    // The help option of every program: -h, -? and --help.
    static QCommandLineOption helpOption();
    static QCommandLineOption versionOption();
    // The program's name and version, as --version prints them.
    static QString versionText();
    // `arguments` with each help switch of the system's own kind (K_Console::isHelpSwitch) made
    // "--help", for the parser, which knows only options that begin with "-".
    static QStringList withHelpSwitches(QStringList arguments);
    // The parser's help, its usage line naming the program by the file name of `program` (the
    // first argument) instead of the path it was called by, without a line end.
    static QString helpText(const QCommandLineParser &parser, const QString &program);

    // Parses `arguments`, converts, and returns the process's exit code.
    int exec(const QStringList &arguments);

private:
    static void addOptions(QCommandLineParser &parser);
    // The settings of a conversion from the parsed folders and options; false, with the reason in
    // `error`, when they cannot be used.
    static bool readSettings(const QCommandLineParser &parser, K_BuilderThread::Settings *settings,
                             QString *error);
    static bool readResamplerSettings(const QCommandLineParser &parser,
                                      K_BuilderThread::Settings *settings, QString *error);

    int convert(const K_BuilderThread::Settings &settings);
    void interrupt(int signal);

    void setProgressText(const QString &text);
    void setProgressValue(int value);
    void appendLogLine(const QString &line);
    void drawProgress(bool force);
    void eraseProgress();

    QMutex mutex;
    bool breakFlag = false;
    int stopSignal = 0;

    bool progressShown = false;
    bool progressOnTerminal = false;
    QString stepText;
    int percent = 0;
    QElapsedTimer drawTimer;
    // The running conversion, asked for its progress when the bar is drawn.
    const K_BuilderThread *builderThread = nullptr;
    QString lastLogLine;
};

#endif // K_COMMANDLINE_H
