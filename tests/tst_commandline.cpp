#include "app/k_commandline.h"
#include "engine/k_builderthread.h"
#include "tiles/k_flightsimulatortile.h"

#include "sampletiles.h"
#include "testconversion.h"
#include "tilebitmapwriter.h"

#include <QDir>
#include <QDirIterator>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

Q_DECLARE_METATYPE(K_BuilderThread::Settings)
Q_DECLARE_METATYPE(K_CommandLine::Action)

namespace {

// The program speaks the locale's language, so each run names its locale; "C" keeps it English.
QProcess *startConvert(const QStringList &arguments, const QString &locale = QStringLiteral("C"))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.insert(QStringLiteral("LANG"), locale);
    environment.remove(QStringLiteral("LC_MESSAGES"));
    environment.remove(QStringLiteral("LANGUAGE"));
    auto *process = new QProcess;
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(ORVIK_CONVERT_PATH), arguments);
    return process;
}

QStringList linesOf(const QByteArray &output)
{
    QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parsesArguments_data();
    void parsesArguments();
    void formatsProgressLine_data();
    void formatsProgressLine();
    void decidesExitCode_data();
    void decidesExitCode();
    void rejectsUsage_data();
    void rejectsUsage();
    void speaksTheLocaleLanguage_data();
    void speaksTheLocaleLanguage();
    void convertsAsTheEngine_data();
    void convertsAsTheEngine();
    void breaksOnInterrupt();
};

void tst_CommandLine::parsesArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<K_CommandLine::Action>("action");
    QTest::addColumn<K_BuilderThread::Settings>("settings");

    K_BuilderThread::Settings defaults;
    defaults.sourceFolder = QStringLiteral("in");
    defaults.destinationFolder = QStringLiteral("out");
    QTest::newRow("defaults equal the window's first start")
            << QStringList{"in", "out"} << K_CommandLine::Action::Convert << defaults;

    K_BuilderThread::Settings every = defaults;
    every.bglLod = 13;
    every.compressionQuality = 1;
    every.singleDestinationImage = true;
    every.passCompletelyTransparentTiles = false;
    every.passBrokenTiles = false;
    every.verticalMirrorSourceTiles = true;
    QTest::newRow("every option, highest LOD, lowest quality")
            << QStringList{"--bgl-lod",
                           "13",
                           "--compression-quality",
                           "1",
                           "--single-destination-image",
                           "--no-pass-transparent-tiles",
                           "--no-pass-broken-tiles",
                           "--vertical-mirror-source-tiles",
                           "in",
                           "out"}
            << K_CommandLine::Action::Convert << every;

    K_BuilderThread::Settings low = defaults;
    low.bglLod = 0;
    low.compressionQuality = 100;
    QTest::newRow("values after '=', lowest LOD, highest quality")
            << QStringList{"in", "--bgl-lod=0", "out", "--compression-quality=100"}
            << K_CommandLine::Action::Convert << low;

    K_BuilderThread::Settings spaced = defaults;
    spaced.sourceFolder = QStringLiteral(" my tiles ");
    QTest::newRow("folders kept as typed")
            << QStringList{" my tiles ", "out"} << K_CommandLine::Action::Convert << spaced;

    QTest::newRow("help wins over a missing folder")
            << QStringList{"--help"} << K_CommandLine::Action::ShowHelp
            << K_BuilderThread::Settings();
    QTest::newRow("version") << QStringList{"in", "--version"} << K_CommandLine::Action::ShowVersion
                             << K_BuilderThread::Settings();
}

void tst_CommandLine::parsesArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(K_CommandLine::Action, action);
    QFETCH(K_BuilderThread::Settings, settings);

    arguments.prepend(QStringLiteral("orvik-convert"));
    const K_CommandLine::Arguments parsed = K_CommandLine::parse(arguments);
    QCOMPARE(parsed.action, action);
    if (action != K_CommandLine::Action::Convert) {
        QVERIFY(!parsed.text.isEmpty());
        return;
    }
    QCOMPARE(parsed.settings.sourceFolder, settings.sourceFolder);
    QCOMPARE(parsed.settings.destinationFolder, settings.destinationFolder);
    QCOMPARE(parsed.settings.bglLod, settings.bglLod);
    QCOMPARE(parsed.settings.compressionQuality, settings.compressionQuality);
    QCOMPARE(parsed.settings.singleDestinationImage, settings.singleDestinationImage);
    QCOMPARE(parsed.settings.passCompletelyTransparentTiles,
             settings.passCompletelyTransparentTiles);
    QCOMPARE(parsed.settings.passBrokenTiles, settings.passBrokenTiles);
    QCOMPARE(parsed.settings.verticalMirrorSourceTiles, settings.verticalMirrorSourceTiles);
}

void tst_CommandLine::formatsProgressLine_data()
{
    QTest::addColumn<QString>("stepText");
    QTest::addColumn<int>("percent");
    QTest::addColumn<qint64>("tilesDone");
    QTest::addColumn<qint64>("tilesTotal");
    QTest::addColumn<qint64>("secondsLeft");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("line");

    const QString scanning = QStringLiteral("Step 1 of 2. Source folder scanning...");
    const QString building = QStringLiteral("Step 2 of 2. Build images...");

    QTest::newRow("scanning: tiles found, no total, bar fills the line")
            << scanning << 42 << qint64(120) << qint64(-1) << qint64(-1) << 80
            << scanning + " [########-------------]  42%  tiles: 120";
    QTest::newRow("building: tiles of total and time left")
            << building << 50 << qint64(150) << qint64(300) << qint64(75) << 80
            << building + " [########--------]  50%  tiles: 150/300  1:15 left";
    QTest::newRow("wide terminal: bar at most 30 cells")
            << building << 100 << qint64(300) << qint64(300) << qint64(0) << 200
            << building + " [##############################] 100%  tiles: 300/300  0:00 left";
    QTest::newRow("hours in the estimate")
            << building << 10 << qint64(30) << qint64(300) << qint64(3725) << 200
            << building + " [###---------------------------]  10%  tiles: 30/300  1:02:05 left";
    QTest::newRow("no room for a bar") << building << 50 << qint64(150) << qint64(300) << qint64(75)
                                       << 64 << building + "   50%  tiles: 150/300  1:15 left";
    QTest::newRow("step text shortened")
            << building << 50 << qint64(150) << qint64(300) << qint64(75) << 50
            << "Step 2 of 2. ...   50%  tiles: 150/300  1:15 left";
    QTest::newRow("tiny terminal: the start of the numbers")
            << building << 50 << qint64(150) << qint64(300) << qint64(75) << 20
            << " 50%  tiles: 150/30";
}

void tst_CommandLine::formatsProgressLine()
{
    QFETCH(QString, stepText);
    QFETCH(int, percent);
    QFETCH(qint64, tilesDone);
    QFETCH(qint64, tilesTotal);
    QFETCH(qint64, secondsLeft);
    QFETCH(int, width);
    QFETCH(QString, line);

    const QString result = K_CommandLine::progressLine(stepText, percent, tilesDone, tilesTotal,
                                                       secondsLeft, width);
    QCOMPARE(result, line);
    QVERIFY(result.size() < width);
}

void tst_CommandLine::decidesExitCode_data()
{
    QTest::addColumn<QString>("lastLogLine");
    QTest::addColumn<int>("problems");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("complete") << "Converting complete." << 0 << 0;
    QTest::newRow("complete with problems") << "Converting complete." << 2 << 1;
    QTest::newRow("break") << "Break." << 0 << 130;
    QTest::newRow("break after problems") << "Break." << 3 << 130;
    QTest::newRow("missing source folder") << "Source folder does not exist." << 1 << 1;
    QTest::newRow("no log line at all") << "" << 0 << 1;
}

void tst_CommandLine::decidesExitCode()
{
    QFETCH(QString, lastLogLine);
    QFETCH(int, problems);
    QFETCH(int, exitCode);

    QCOMPARE(K_CommandLine::exitCode(K_CommandLine::outcomeOf(lastLogLine), problems), exitCode);
}

void tst_CommandLine::rejectsUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("no argument") << QStringList() << "SOURCE";
    QTest::newRow("destination missing") << QStringList{"SRC"} << "DESTINATION";
    QTest::newRow("third folder") << QStringList{"SRC", "DST", "more"} << "more";
    QTest::newRow("empty source") << QStringList{"", "DST"} << "empty";
    QTest::newRow("unknown option") << QStringList{"--fast", "SRC", "DST"} << "fast";
    QTest::newRow("unknown short option") << QStringList{"-x", "SRC", "DST"} << "x";
    QTest::newRow("BGL LOD above 13") << QStringList{"--bgl-lod", "14", "SRC", "DST"} << "14";
    QTest::newRow("BGL LOD below 0") << QStringList{"--bgl-lod=-1", "SRC", "DST"} << "-1";
    QTest::newRow("BGL LOD not a number") << QStringList{"--bgl-lod", "8x", "SRC", "DST"} << "8x";
    QTest::newRow("quality 0") << QStringList{"--compression-quality", "0", "SRC", "DST"} << "0";
    QTest::newRow("quality above 100")
            << QStringList{"--compression-quality=101", "SRC", "DST"} << "101";
    QTest::newRow("value missing at the end")
            << QStringList{"SRC", "DST", "--compression-quality"} << "compression-quality";
}

void tst_CommandLine::rejectsUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentions);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("SRC"));
    QVERIFY(TileBitmap::write(dir.filePath("SRC/012301230121300SU.BMP"), TileBitmap::pattern(1)));
    for (QString &argument : arguments) {
        if (argument == QLatin1String("SRC") || argument == QLatin1String("DST"))
            argument = dir.filePath(argument);
    }

    QScopedPointer<QProcess> process(startConvert(arguments));
    QVERIFY(process->waitForFinished());
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 2);
    QVERIFY(process->readAllStandardOutput().isEmpty());
    const QStringList errors = linesOf(process->readAllStandardError());
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith("orvik-convert: "), qPrintable(errors.first()));
    QVERIFY2(errors.first().contains(mentions), qPrintable(errors.first()));
    QVERIFY(!QFileInfo::exists(dir.filePath("DST")));
}

void tst_CommandLine::speaksTheLocaleLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("texts");

    // Each row checks a text of the program's catalogue and, where the toolkit makes the text,
    // one of the toolkit's.
    const QString russian = QStringLiteral("ru_RU.UTF-8");
    QTest::newRow("Russian usage error")
            << russian << QStringList{"in"} << 2
            << QStringList{QString::fromUtf8("orvik-convert: Не указана папка DESTINATION.")};
    QTest::newRow("Russian usage error from the toolkit")
            << russian << QStringList{"--fast", "in", "out"} << 2
            << QStringList{QString::fromUtf8("orvik-convert: Неизвестный параметр «fast».")};
    QTest::newRow("Russian help") << russian << QStringList{"--help"} << 0
                                  << QStringList{QString::fromUtf8("Параметры:"),
                                                 QString::fromUtf8("Показывает эту справку."),
                                                 QString::fromUtf8("Папка с BMP-тайлами FS9.")};
    const QString unknown = QStringLiteral("xx_YY.UTF-8");
    QTest::newRow("unknown locale usage error")
            << unknown << QStringList{"in"} << 2
            << QStringList{"orvik-convert: DESTINATION is missing."};
    QTest::newRow("unknown locale help")
            << unknown << QStringList{"--help"} << 0
            << QStringList{"Options:", "Shows this help.",
                           "The folder that holds the FS9 tile bitmaps."};
}

void tst_CommandLine::speaksTheLocaleLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, texts);

    QScopedPointer<QProcess> process(startConvert(arguments, locale));
    QVERIFY(process->waitForFinished());
    QCOMPARE(process->exitCode(), exitCode);
    const QString output = QString::fromUtf8(exitCode == 0 ? process->readAllStandardOutput()
                                                           : process->readAllStandardError());
    for (const QString &text : texts)
        QVERIFY2(output.contains(text), qPrintable(text + " not in:\n" + output));
}

void tst_CommandLine::convertsAsTheEngine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<K_BuilderThread::Settings>("settings");
    QTest::addColumn<bool>("withBrokenTile");
    QTest::addColumn<bool>("sourceExists");
    QTest::addColumn<int>("exitCode");

    const K_BuilderThread::Settings defaults;
    QTest::newRow("sample, defaults: a broken tile is a problem")
            << QStringList() << defaults << true << true << 1;
    QTest::newRow("sample without the broken tile: complete")
            << QStringList() << defaults << false << true << 0;

    K_BuilderThread::Settings every;
    every.bglLod = 11;
    every.compressionQuality = 40;
    every.singleDestinationImage = true;
    every.passCompletelyTransparentTiles = false;
    every.passBrokenTiles = false;
    every.verticalMirrorSourceTiles = true;
    QTest::newRow("sample, every option at BGL LOD 11")
            << QStringList{"--bgl-lod",
                           "11",
                           "--compression-quality",
                           "40",
                           "--single-destination-image",
                           "--no-pass-transparent-tiles",
                           "--no-pass-broken-tiles",
                           "--vertical-mirror-source-tiles"}
            << every << true << true << 1;

    K_BuilderThread::Settings deepest;
    deepest.bglLod = 13;
    QTest::newRow("sample at BGL LOD 13")
            << QStringList{"--bgl-lod=13"} << deepest << false << true << 0;

    QTest::newRow("missing source folder") << QStringList() << defaults << false << false << 1;
}

void tst_CommandLine::convertsAsTheEngine()
{
    QFETCH(QStringList, options);
    QFETCH(K_BuilderThread::Settings, settings);
    QFETCH(bool, withBrokenTile);
    QFETCH(bool, sourceExists);
    QFETCH(int, exitCode);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath("tiles");
    const QString destination = dir.filePath("out");
    if (sourceExists) {
        QVERIFY(SampleTiles::write(source));
        if (!withBrokenTile)
            QVERIFY(QFile::remove(source + "/" + SampleTiles::brokenKey() + "SU.BMP"));
    }

    settings.sourceFolder = source;
    settings.destinationFolder = destination;
    // The engine on its own, as the window would run it.
    QStringList engineLines;
    {
        TestConversion engine;
        engine.run(settings);
        engineLines = engine.log();
    }
    QVERIFY(!engineLines.isEmpty());
    const QMap<QString, QByteArray> engineFiles = contentsBelow(destination);
    QVERIFY(QDir(destination).removeRecursively());

    QScopedPointer<QProcess> process(startConvert(options + QStringList{source, destination}));
    QVERIFY(process->waitForFinished(120000));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), exitCode);
    QCOMPARE(linesOf(process->readAllStandardOutput()), engineLines);
    // Standard error is a pipe here, so no progress bar.
    QCOMPARE(process->readAllStandardError(), QByteArray());

    const QMap<QString, QByteArray> files = contentsBelow(destination);
    QCOMPARE(files.keys(), engineFiles.keys());
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        QVERIFY2(it.value() == engineFiles.value(it.key()), qPrintable(it.key()));
    if (sourceExists)
        QVERIFY(!files.isEmpty());
}

void tst_CommandLine::breaksOnInterrupt()
{
    // One destination tile per source tile, each a 1024x1024 picture, so the run lasts long
    // enough to be interrupted after its first tile.
    constexpr int tileCount = 48;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath("tiles");
    const QString destination = dir.filePath("out");
    QVERIFY(QDir().mkpath(source));
    for (int i = 0; i < tileCount; ++i) {
        const QString digits = QString::number(i, 4).rightJustified(3, QLatin1Char('0'));
        const QString key = QStringLiteral("0123012301") + digits + QStringLiteral("00");
        QVERIFY(TileBitmap::write(source + "/" + key + "SU.BMP", TileBitmap::pattern(i)));
    }

    QScopedPointer<QProcess> process(
            startConvert({"--bgl-lod", "11", "--single-destination-image", source, destination}));
    QVERIFY(process->waitForStarted());
    QByteArray output;
    while (!output.contains("saved.") && process->state() == QProcess::Running) {
        process->waitForReadyRead(10000);
        output += process->readAllStandardOutput();
    }
    QVERIFY(output.contains("saved."));
    QCOMPARE(::kill(pid_t(process->processId()), SIGINT), 0);
    QVERIFY(process->waitForFinished(120000));
    output += process->readAllStandardOutput();

    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 130);
    const QStringList lines = linesOf(output);
    QCOMPARE(lines.constLast(), QStringLiteral("Break."));
    const QStringList saved = lines.filter(QStringLiteral("saved."));
    QVERIFY(saved.size() < tileCount);
    // A tile interrupted while it was built gets no control file.
    QCOMPARE(QDir(destination).entryList({"*.inf"}, QDir::Files).size(), saved.size());
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
