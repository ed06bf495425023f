#include "app/k_commandline.h"
#include "sampletiles.h"
#include "testconversion.h"
#include "tilebitmapwriter.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

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
    lines.removeLast(); // what follows the last line end
    return lines;
}

} // namespace

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parsesArguments_data();
    void parsesArguments();
    void decidesExitCode_data();
    void decidesExitCode();
    void rejectsUsage_data();
    void rejectsUsage();
    void convertsAsTheEngine_data();
    void convertsAsTheEngine();
    void breaksOnInterrupt();
    void reportsWhatItDid_data();
    void reportsWhatItDid();
};

void tst_CommandLine::parsesArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("parsed"); // the settings, or the number of another action

    QTest::newRow("defaults equal the window's first start")
            << QStringList{"in", "out"} << "in|out|8|95|0110";
    QTest::newRow("every option")
            << QString("--bgl-lod 13 --compression-quality 1 --single-destination-image "
                       "--no-pass-transparent-tiles --no-pass-broken-tiles "
                       "--vertical-mirror-source-tiles in out")
                       .split(' ')
            << "in|out|13|1|1001";
    QTest::newRow("values after '=', folders as typed")
            << QStringList{" my in ", "--bgl-lod=0", "out", "--compression-quality=100"}
            << " my in |out|0|100|0110";
    QTest::newRow("help wins over a missing folder")
            << QStringList{"--help"} << QString::number(int(K_CommandLine::Action::ShowHelp));
}

void tst_CommandLine::parsesArguments()
{
    QFETCH(QStringList, arguments);
    const auto parsed = K_CommandLine::parse(QStringList{"orvik-convert"} + arguments);
    const K_BuilderThread::Settings &s = parsed.settings;
    if (parsed.action != K_CommandLine::Action::Convert) {
        QVERIFY(!parsed.text.isEmpty());
        QTEST(QString::number(int(parsed.action)), "parsed");
        return;
    }
    QTEST(QString("%1|%2|%3|%4|%5%6%7%8")
                  .arg(s.sourceFolder, s.destinationFolder)
                  .arg(s.bglLod)
                  .arg(s.compressionQuality)
                  .arg(int(s.singleDestinationImage))
                  .arg(int(s.passCompletelyTransparentTiles))
                  .arg(int(s.passBrokenTiles))
                  .arg(int(s.verticalMirrorSourceTiles)),
          "parsed");
}

void tst_CommandLine::decidesExitCode_data()
{
    QTest::addColumn<QString>("lastLogLine");
    QTest::addColumn<int>("problems");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("complete") << "Converting complete." << 0 << 0;
    QTest::newRow("complete with problems") << "Converting complete." << 2 << 1;
    QTest::newRow("break after problems") << "Break." << 3 << 130;
    QTest::newRow("missing source folder") << "Source folder does not exist." << 1 << 1;
    QTest::newRow("no log line at all") << "" << 0 << 1;
}

void tst_CommandLine::decidesExitCode()
{
    QFETCH(QString, lastLogLine);
    QFETCH(int, problems);
    QTEST(K_CommandLine::exitCode(K_CommandLine::outcomeOf(lastLogLine), problems), "exitCode");
}

void tst_CommandLine::rejectsUsage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("no argument") << "C" << QStringList() << "SOURCE";
    QTest::newRow("third folder") << "C" << QStringList{"SRC", "DST", "more"} << "more";
    QTest::newRow("unknown option") << "C" << QStringList{"--fast", "SRC", "DST"} << "fast";
    QTest::newRow("BGL LOD above 13")
            << "C" << QStringList{"--bgl-lod", "14", "SRC", "DST"} << "14";
    QTest::newRow("BGL LOD not a number")
            << "C" << QStringList{"--bgl-lod=8x", "SRC", "DST"} << "8x";
    QTest::newRow("quality 0") << "C" << QStringList{"--compression-quality=0", "SRC", "DST"}
                               << "\"0\"";
    QTest::newRow("value missing at the end")
            << "C" << QStringList{"SRC", "DST", "--compression-quality"} << "compression-quality";
    // The program's own catalogue, then the toolkit's.
    QTest::newRow("Russian") << "ru_RU.UTF-8" << QStringList{"SRC"}
                             << "Не указана папка DESTINATION.";
    QTest::newRow("Russian, from the toolkit")
            << "ru_RU.UTF-8" << QStringList{"--fast", "SRC", "DST"}
            << "Неизвестный параметр «fast»";
    QTest::newRow("unknown locale")
            << "xx_YY.UTF-8" << QStringList{"SRC"} << "DESTINATION is missing.";
    QTest::newRow("empty source") << "C" << QStringList{" ", "DST"} << "must not be empty";
}

void tst_CommandLine::rejectsUsage()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("SRC"));
    QVERIFY(TileBitmap::write(dir.filePath("SRC/012301230121300SU.BMP"), TileBitmap::pattern(1)));
    for (QString &argument : arguments) {
        if (argument == QLatin1String("SRC") || argument == QLatin1String("DST"))
            argument = dir.filePath(argument);
    }

    QScopedPointer<QProcess> process(startConvert(arguments, locale));
    QVERIFY(process->waitForFinished());
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 2);
    QCOMPARE(process->readAllStandardOutput(), QByteArray());
    const QStringList errors = linesOf(process->readAllStandardError());
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith("orvik-convert: "), qPrintable(errors.first()));
    QFETCH(QString, mentions);
    QVERIFY2(errors.first().contains(mentions), qPrintable(errors.first()));
    QVERIFY(!QFileInfo::exists(dir.filePath("DST")));
}

void tst_CommandLine::convertsAsTheEngine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("source"); // the sample, the sample without its broken tile, none
    QTest::addColumn<int>("exitCode");

    QTest::newRow("defaults, a broken tile is a problem") << QStringList() << "sample" << 1;
    QTest::newRow("without the broken tile: complete") << QStringList() << "sound" << 0;
    QTest::newRow("every option")
            << QString("--bgl-lod=11 --compression-quality=40 --single-destination-image "
                       "--no-pass-transparent-tiles --no-pass-broken-tiles "
                       "--vertical-mirror-source-tiles")
                       .split(' ')
            << "sample" << 1;
    QTest::newRow("missing source folder") << QStringList() << "none" << 1;
}

void tst_CommandLine::convertsAsTheEngine()
{
    QFETCH(QStringList, options);
    QFETCH(QString, source);
    QTemporaryDir dir;
    const QStringList folders{dir.filePath("tiles"), dir.filePath("out")};
    if (source != "none")
        QVERIFY(SampleTiles::write(folders[0]));
    if (source == "sound")
        QVERIFY(QFile::remove(folders[0] + "/" + SampleTiles::brokenKey() + "SU.BMP"));

    // The engine on its own, on the settings the parser gives, as the window would run it.
    QStringList engineLines;
    {
        TestConversion engine;
        engine.run(K_CommandLine::parse(QStringList{"orvik-convert"} + options + folders).settings);
        engineLines = engine.log();
    }
    QVERIFY(!engineLines.isEmpty());
    const QMap<QString, QByteArray> engineFiles = contentsBelow(folders[1]);
    QCOMPARE(engineFiles.isEmpty(), source == "none");
    QVERIFY(QDir(folders[1]).removeRecursively());

    QScopedPointer<QProcess> process(startConvert(options + folders));
    QVERIFY(process->waitForFinished(120000));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QTEST(process->exitCode(), "exitCode");
    QCOMPARE(linesOf(process->readAllStandardOutput()), engineLines);
    // Standard error is a pipe here, so no progress bar: only the summary.
    QCOMPARE(linesOf(process->readAllStandardError()).size(), 1);
    QVERIFY(contentsBelow(folders[1]) == engineFiles);
}

void tst_CommandLine::breaksOnInterrupt()
{
    // One destination tile per source tile, each a 1024x1024 picture, so the run lasts long
    // enough to be interrupted after its first tile.
    constexpr int tileCount = 48;
    QTemporaryDir dir;
    const QString source = dir.filePath("tiles");
    const QString destination = dir.filePath("out");
    QVERIFY(QDir().mkpath(source));
    for (int i = 0; i < tileCount; ++i) {
        const QString digits = QString::number(i, 4).rightJustified(3, QLatin1Char('0'));
        QVERIFY(TileBitmap::write(source + "/0123012301" + digits + "00SU.BMP",
                                  TileBitmap::pattern(i)));
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

void tst_CommandLine::reportsWhatItDid_data()
{
    QTest::addColumn<bool>("tiles");
    QTest::addColumn<QString>("lastLine"); // %1 is SOURCE

    QTest::newRow("no tile bitmaps") << false << "No FS9 tile bitmaps in \"%1\".";
    QTest::newRow("the sample, with its broken tile") << true << "Converting complete.";
}

void tst_CommandLine::reportsWhatItDid()
{
    QFETCH(bool, tiles);
    QTemporaryDir dir;
    const QString source = dir.filePath("scenery");
    QVERIFY(QDir().mkpath(source));
    QVERIFY(!tiles || SampleTiles::write(source));

    QScopedPointer<QProcess> process(startConvert({source, dir.filePath("out")}));
    QVERIFY(process->waitForFinished(120000));
    QCOMPARE(process->exitCode(), 1);
    QFETCH(QString, lastLine);
    QCOMPARE(linesOf(process->readAllStandardOutput()).constLast(), lastLine.arg(source));
    const QStringList errors = linesOf(process->readAllStandardError());
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(summaryBeforeTime(dir.filePath("out"), 1)),
             qPrintable(errors[0]));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
