#include "k_commandline.h"

#include "engine/k_conversiontexts.h"
#include "engine/k_resamplerstep.h"
#include "tiles/k_flightsimulatortile.h"

#include "k_console.h"
#include "k_stopsignals.h"

#include <QAtomicInt>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

bool K_CommandLine::toBoundedInt(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

QCommandLineOption K_CommandLine::helpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("?"), QStringLiteral("help")},
                              tr("Shows this help."));
}

QCommandLineOption K_CommandLine::versionOption()
{
    return QCommandLineOption(QStringLiteral("version"), tr("Shows the version."));
}

QString K_CommandLine::versionText()
{
    return QStringLiteral("%1 %2").arg(QCoreApplication::applicationName(),
                                       QCoreApplication::applicationVersion());
}

QStringList K_CommandLine::withHelpSwitches(QStringList arguments)
{
    // The first argument is the program itself.
    for (int i = 1; i < arguments.size(); ++i) {
        if (K_Console::isHelpSwitch(arguments.at(i)))
            arguments[i] = QStringLiteral("--help");
    }
    return arguments;
}

QString K_CommandLine::helpText(const QCommandLineParser &parser, const QString &program)
{
    // The toolkit names the program as the process was started, often by its whole path.
    QString text = parser.helpText();
    const QString called = QCoreApplication::arguments().value(0);
    const int at
            = called.isEmpty() ? -1 : text.left(text.indexOf(QLatin1Char('\n'))).indexOf(called);
    if (at >= 0)
        text.replace(at, called.size(), QFileInfo(program).fileName());
    return text.trimmed();
}

K_CommandLine::K_CommandLine(QObject *parent)
    : QObject(parent)
{ }

K_CommandLine::~K_CommandLine()
{
    K_StopSignals::remove();
}

void K_CommandLine::addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
            tr("Converts the FS9 tile bitmaps in SOURCE into TIFF pictures and .inf files for the "
               "FSX resampler in DESTINATION."));
    parser.addPositionalArgument(QStringLiteral("SOURCE"),
                                 tr("The folder that holds the FS9 tile bitmaps."));
    parser.addPositionalArgument(QStringLiteral("DESTINATION"),
                                 tr("The folder that receives the TIFF pictures and .inf files."));
    parser.addOptions({
            {QStringLiteral("bgl-lod"),
             tr("The level of the destination tiles, 0 to 13 (default 8)."), QStringLiteral("N")},
            {QStringLiteral("compression-quality"),
             tr("The compression quality written into the .inf files, 1 to 100 (default 95)."),
             QStringLiteral("N")},
            {QStringLiteral("single-destination-image"),
             tr("Fill missing quarters with transparency, so that each destination tile gives one "
                "picture.")},
            {QStringLiteral("no-pass-transparent-tiles"),
             tr("Use completely transparent tiles as they are.")},
            {QStringLiteral("no-pass-broken-tiles"), tr("Paint broken tiles opaque white.")},
            {QStringLiteral("vertical-mirror-source-tiles"),
             tr("Mirror the source tiles vertically.")},
            {QStringLiteral("seasons"),
             tr("Also convert the spring, fall, winter, hard winter and night tiles, as extra "
                "sources of the same .inf files.")},
            {QStringLiteral("skip-converted"),
             tr("Leave alone the destination tiles that a former run into DESTINATION finished.")},
            {QStringLiteral("resampler"),
             tr("Then run the FSX resampler PATH (resample.exe) on each .inf file, in "
                "DESTINATION."),
             QStringLiteral("PATH")},
            {QStringLiteral("jobs"),
             tr("How many resamplers run at once, 1 to %1 (default %2).")
                     .arg(QThread::idealThreadCount())
                     .arg(K_ResamplerStep::defaultJobs()),
             QStringLiteral("N")},
            {QStringLiteral("resampler-timeout"),
             tr("End a resampler still running after MINUTES (default: ten, and one more for "
                "each 16 MiB of its pictures)."),
             QStringLiteral("MINUTES")},
            helpOption(),
            versionOption(),
    });
}

K_CommandLine::Arguments K_CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    Arguments result;
    if (!parser.parse(withHelpSwitches(arguments))) {
        result.text = parser.errorText();
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        result.action = Action::ShowHelp;
        result.text = helpText(parser, arguments.value(0));
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.action = Action::ShowVersion;
        result.text = versionText();
        return result;
    }
    if (readSettings(parser, &result.settings, &result.text))
        result.action = Action::Convert;
    return result;
}

bool K_CommandLine::readSettings(const QCommandLineParser &parser,
                                 K_BuilderThread::Settings *settings, QString *error)
{
    const QStringList folders = parser.positionalArguments();
    if (folders.size() < 2) {
        *error = folders.isEmpty() ? tr("SOURCE and DESTINATION are missing.")
                                   : tr("DESTINATION is missing.");
        return false;
    }
    if (folders.size() > 2) {
        *error = tr("Unexpected argument \"%1\".").arg(folders.at(2));
        return false;
    }
    // An empty folder text would mean the root folder to the engine.
    if (folders.at(0).trimmed().isEmpty() || folders.at(1).trimmed().isEmpty()) {
        *error = tr("SOURCE and DESTINATION must not be empty.");
        return false;
    }
    const QString bglLod = parser.value(QStringLiteral("bgl-lod"));
    if (parser.isSet(QStringLiteral("bgl-lod"))
        && !toBoundedInt(bglLod, 0, 13, &settings->bglLod)) {
        *error = tr("BGL LOD must be a whole number from 0 to 13, not \"%1\".").arg(bglLod);
        return false;
    }
    const QString quality = parser.value(QStringLiteral("compression-quality"));
    if (parser.isSet(QStringLiteral("compression-quality"))
        && !toBoundedInt(quality, 1, 100, &settings->compressionQuality)) {
        *error = tr("Compression quality must be a whole number from 1 to 100, not \"%1\".")
                         .arg(quality);
        return false;
    }
    if (!readResamplerSettings(parser, settings, error))
        return false;
    settings->sourceFolder = folders.at(0);
    settings->destinationFolder = folders.at(1);
    settings->singleDestinationImage = parser.isSet(QStringLiteral("single-destination-image"));
    settings->passCompletelyTransparentTiles
            = !parser.isSet(QStringLiteral("no-pass-transparent-tiles"));
    settings->passBrokenTiles = !parser.isSet(QStringLiteral("no-pass-broken-tiles"));
    settings->verticalMirrorSourceTiles
            = parser.isSet(QStringLiteral("vertical-mirror-source-tiles"));
    settings->convertSeasons = parser.isSet(QStringLiteral("seasons"));
    settings->skipConverted = parser.isSet(QStringLiteral("skip-converted"));
    return true;
}

bool K_CommandLine::readResamplerSettings(const QCommandLineParser &parser,
                                          K_BuilderThread::Settings *settings, QString *error)
{
    settings->resampler = parser.value(QStringLiteral("resampler"));
    if (parser.isSet(QStringLiteral("resampler")) && settings->resampler.trimmed().isEmpty()) {
        *error = tr("PATH of --resampler must not be empty.");
        return false;
    }
    const QString jobs = parser.value(QStringLiteral("jobs"));
    if (parser.isSet(QStringLiteral("jobs"))
        && !toBoundedInt(jobs, 1, QThread::idealThreadCount(), &settings->resamplerJobs)) {
        *error = tr("Resamplers at once must be a whole number from 1 to %1, not \"%2\".")
                         .arg(QThread::idealThreadCount())
                         .arg(jobs);
        return false;
    }
    // Minutes may have a fraction: a short limit is handy for tests, 0.5 is half a minute.
    const QString timeout = parser.value(QStringLiteral("resampler-timeout"));
    bool ok = false;
    const double minutes = timeout.toDouble(&ok);
    if (parser.isSet(QStringLiteral("resampler-timeout"))) {
        if (!ok || !(minutes * 60000 >= 1) || minutes > 1e6) {
            *error = tr("The resampler's time limit must be a number of minutes above 0, not "
                        "\"%1\".")
                             .arg(timeout);
            return false;
        }
        settings->resamplerTimeLimitMs = qint64(minutes * 60000);
    }
    return true;
}

QString K_CommandLine::countText(const K_BuilderThread::Progress &progress)
{
    if (progress.step == 3)
        return tr("destination tiles: %1/%2").arg(progress.tilesDone).arg(progress.tilesTotal);
    return progress.tilesTotal >= 0
                   ? tr("tiles: %1/%2").arg(progress.tilesDone).arg(progress.tilesTotal)
                   : tr("tiles: %1").arg(progress.tilesDone);
}

QString K_CommandLine::progressLine(const QString &stepText, int percent, const QString &countText,
                                    qint64 secondsLeft, int width)
{
    constexpr int minimumBar = 10;
    constexpr int maximumBar = 30;
    const int shownPercent = qBound(0, percent, 100);

    QStringList tail;
    tail << QStringLiteral("%1%").arg(shownPercent, 3);
    tail << countText;
    if (secondsLeft >= 0)
        tail << K_ConversionTexts::timeLeftText(secondsLeft);
    const QString tailText = tail.join(QStringLiteral("  "));

    // The last column is left free: some terminals wrap as soon as it is written.
    const int limit = qMax(0, width - 1);
    const int barRoom = int(limit - stepText.size() - tailText.size() - 4);
    if (barRoom >= minimumBar) {
        const int bar = qMin(barRoom, maximumBar);
        const int filled = bar * shownPercent / 100;
        return stepText + QStringLiteral(" [") + QString(filled, QLatin1Char('#'))
               + QString(bar - filled, QLatin1Char('-')) + QStringLiteral("] ") + tailText;
    }
    const int stepRoom = int(limit - tailText.size() - 2);
    if (stepText.size() <= stepRoom)
        return stepText + QStringLiteral("  ") + tailText;
    if (stepRoom >= 4)
        return stepText.left(stepRoom - 3) + QStringLiteral("...  ") + tailText;
    return tailText.left(limit);
}

K_CommandLine::Outcome K_CommandLine::outcomeOf(const QString &lastLogLine)
{
    // The engine's own texts, in its translation context.
    if (lastLogLine == QCoreApplication::translate("K_BuilderThread", "Converting complete."))
        return Outcome::Complete;
    if (lastLogLine == QCoreApplication::translate("K_BuilderThread", "Break."))
        return Outcome::Broken;
    return Outcome::Unfinished;
}

int K_CommandLine::exitCode(Outcome outcome, int problems)
{
    switch (outcome) {
    case Outcome::Complete:
        return problems == 0 ? ExitComplete : ExitProblems;
    case Outcome::Broken:
        return ExitBreak;
    case Outcome::Unfinished:
        break;
    }
    return ExitProblems;
}

int K_CommandLine::exec(const QStringList &arguments)
{
    const Arguments parsed = parse(arguments);
    switch (parsed.action) {
    case Action::ShowHelp:
    case Action::ShowVersion:
        K_Console::write(stdout, parsed.text + QLatin1Char('\n'));
        return ExitComplete;
    case Action::UsageError:
        K_Console::write(
                stderr,
                QStringLiteral("%1: %2\n").arg(QCoreApplication::applicationName(), parsed.text));
        return ExitUsage;
    case Action::Convert:
        break;
    }
    return convert(parsed.settings);
}

int K_CommandLine::convert(const K_BuilderThread::Settings &settings)
{
    progressOnTerminal = K_Console::standardErrorIsTerminal();
    if (!K_StopSignals::install(this, [this](int signal) { interrupt(signal); })) {
        K_StopSignals::remove();
        K_Console::write(
                stderr,
                tr("%1: Cannot watch for Ctrl+C.\n").arg(QCoreApplication::applicationName()));
        return ExitProblems;
    }

    K_TileMap sourceTiles;
    K_TileMap destinationTiles;
    int code = ExitProblems;
    // The toolkit's wait is invisible to ThreadSanitizer; the worker's release as it finishes and
    // the acquire after the wait tell it that the worker is done before the thread goes.
    QAtomicInt workerEnded;
    {
        K_BuilderThread thread(settings, &sourceTiles, &destinationTiles, &mutex, &breakFlag);
        builderThread = &thread;
        connect(&thread, &K_BuilderThread::progressBarValueChanged, this,
                &K_CommandLine::setProgressValue);
        connect(&thread, &K_BuilderThread::progressTextChanged, this,
                &K_CommandLine::setProgressText);
        connect(&thread, &K_BuilderThread::appendLogText, this, &K_CommandLine::appendLogLine);

        QEventLoop loop;
        // The worker's last act is this release; the loop's end is posted by name after it, so
        // that none of ORVIK's own code touches what the worker posts after it.
        connect(
                &thread, &QThread::finished, &thread,
                [&workerEnded, &loop] {
                    // Taken before the release: this slot goes with the thread.
                    QEventLoop *const ending = &loop;
                    workerEnded.storeRelease(1);
                    QMetaObject::invokeMethod(ending, "quit", Qt::QueuedConnection);
                },
                Qt::DirectConnection);
        thread.start();
        loop.exec();
        thread.wait();
        workerEnded.loadAcquire();
        eraseProgress();
        builderThread = nullptr;
        // Standard output keeps exactly the log lines.
        K_Console::write(stderr, thread.summary() + QLatin1Char('\n'));
        code = exitCode(outcomeOf(lastLogLine), thread.problemsCount());
        if (code == ExitBreak && stopSignal != 0)
            code = 128 + stopSignal;
    }

    // Each tile deletes its children, so this frees the whole forest, source tiles included.
    qDeleteAll(destinationTiles);
    destinationTiles.clear();
    sourceTiles.clear();
    K_StopSignals::stopped();
    K_StopSignals::remove();
    return code;
}

void K_CommandLine::interrupt(int signal)
{
    // The first request is the one the exit status tells of.
    if (stopSignal == 0)
        stopSignal = signal;
    const QMutexLocker locker(&mutex);
    breakFlag = true;
}

void K_CommandLine::setProgressText(const QString &text)
{
    if (text.isEmpty()) {
        eraseProgress();
        stepText.clear();
        return;
    }
    stepText = text;
    percent = 0;
    drawProgress(true);
}

void K_CommandLine::setProgressValue(int value)
{
    percent = value;
    drawProgress(false);
}

void K_CommandLine::appendLogLine(const QString &line)
{
    lastLogLine = line;
    eraseProgress();
    K_Console::write(stdout, line + QLatin1Char('\n'));
    drawProgress(true);
}

void K_CommandLine::drawProgress(bool force)
{
    if (!progressOnTerminal || stepText.isEmpty() || !builderThread)
        return;
    // Redrawing is throttled; a new step or a log line always redraws.
    if (!force && drawTimer.isValid() && drawTimer.elapsed() < 100)
        return;
    drawTimer.start();

    const K_BuilderThread::Progress progress = builderThread->progress(percent);
    const int width = K_Console::terminalWidth();
    const QString line
            = progressLine(stepText, percent, countText(progress), progress.secondsLeft, width);
    K_Console::replaceLine(line);
    progressShown = true;
}

void K_CommandLine::eraseProgress()
{
    if (!progressShown)
        return;
    K_Console::replaceLine(QString());
    progressShown = false;
}
