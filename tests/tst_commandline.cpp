#include "app/k_commandline.h"
#include "tiles/k_sampletiles.h"
#include "tiles/k_tilebitmapwriter.h"

#include "testconversion.h"

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
    void rejectsUsage_data();
    void rejectsUsage();
    void convertsAsTheEngine_data();
    void convertsAsTheEngine();
    void breaksOnInterrupt();
};

void tst_CommandLine::parsesArguments_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("parsed"); // the settings, or the help text's first line

    QTest::newRow("defaults equal the window's first start") << "in out"
                                                             << "in|out|8|95|0110";
    QTest::newRow("every option")
            << "--bgl-lod 13 --compression-quality 1 --single-destination-image "
               "--no-pass-transparent-tiles --no-pass-broken-tiles "
               "--vertical-mirror-source-tiles in out"
            << "in|out|13|1|1001";
    QTest::newRow("values after '='") << "in --bgl-lod=0 out --compression-quality=100"
                                      << "in|out|0|100|0110";
    QTest::newRow("help wins over a missing folder") << "--help"
                                                     << "Usage:";
}

void tst_CommandLine::parsesArguments()
{
    QFETCH(QString, arguments);
    const auto parsed = K_CommandLine::parse(("orvik-convert " + arguments).split(' '));
    const K_BuilderThread::Settings &s = parsed.settings;
    QTEST(parsed.action == K_CommandLine::Action::ShowHelp
                  ? parsed.text.section(QLatin1Char(' '), 0, 0)
                  : QString("%1|%2|%3|%4|%5%6%7%8")
                            .arg(s.sourceFolder, s.destinationFolder)
                            .arg(s.bglLod)
                            .arg(s.compressionQuality)
                            .arg(s.singleDestinationImage)
                            .arg(s.passCompletelyTransparentTiles)
                            .arg(s.passBrokenTiles)
                            .arg(s.verticalMirrorSourceTiles),
          "parsed");
}

void tst_CommandLine::rejectsUsage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("no argument") << "C"
                                 << ""
                                 << "SOURCE";
    QTest::newRow("third folder") << "C"
                                  << "SRC DST more"
                                  << "more";
    QTest::newRow("unknown option") << "C"
                                    << "--fast SRC DST"
                                    << "fast";
    QTest::newRow("BGL LOD above 13") << "C"
                                      << "--bgl-lod 14 SRC DST"
                                      << "14";
    QTest::newRow("BGL LOD not a number") << "C"
                                          << "--bgl-lod=8x SRC DST"
                                          << "8x";
    QTest::newRow("quality 0") << "C"
                               << "--compression-quality=0 SRC DST"
                               << "\"0\"";
    QTest::newRow("value missing at the end") << "C"
                                              << "SRC DST --compression-quality"
                                              << "compression-quality";
    // The program's own catalogue, then the toolkit's.
    QTest::newRow("Russian") << "ru_RU.UTF-8"
                             << "SRC"
                             << "Не указана папка DESTINATION.";
    QTest::newRow("Russian, from the toolkit") << "ru_RU.UTF-8"
                                               << "--fast SRC DST"
                                               << "Неизвестный параметр «fast»";
    QTest::newRow("unknown locale") << "xx_YY.UTF-8"
                                    << "SRC"
                                    << "DESTINATION is missing.";
}

void tst_CommandLine::rejectsUsage()
{
    QFETCH(QString, locale);
    QFETCH(QString, arguments);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("SRC"));
    QVERIFY(K_TileBitmapWriter::write(dir.filePath("SRC/012301230121300SU.BMP"),
                                      K_TileBitmapWriter::pattern(1)));
    arguments.replace("SRC", dir.filePath("SRC")).replace("DST", dir.filePath("DST"));

    QScopedPointer<QProcess> process(
            startConvert(arguments.split(' ', Qt::SkipEmptyParts), locale));
    QVERIFY(process->waitForFinished());
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 2);
    QCOMPARE(process->readAllStandardOutput(), QByteArray());
    const QStringList errors = linesOf(process->readAllStandardError());
    QCOMPARE(errors.size(), 1);
    QFETCH(QString, mentions);
    QVERIFY2(errors[0].startsWith("orvik-convert: ") && errors[0].contains(mentions),
             qPrintable(errors[0]));
    QVERIFY(!QFileInfo::exists(dir.filePath("DST")));
}

void tst_CommandLine::convertsAsTheEngine_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("source"); // the sample, the sample without its broken tile, none
    QTest::addColumn<int>("exitCode");

    QTest::newRow("defaults, a broken tile is a problem") << ""
                                                          << "sample" << 1;
    QTest::newRow("without the broken tile: complete") << ""
                                                       << "sound" << 0;
    QTest::newRow("every option")
            << "--bgl-lod=11 --compression-quality=40 --single-destination-image "
               "--no-pass-transparent-tiles --no-pass-broken-tiles --vertical-mirror-source-tiles"
            << "sample" << 1;
    QTest::newRow("missing source folder") << ""
                                           << "none" << 1;
}

void tst_CommandLine::convertsAsTheEngine()
{
    QFETCH(QString, options);
    QFETCH(QString, source);
    QTemporaryDir dir;
    const QStringList arguments = options.split(' ', Qt::SkipEmptyParts)
                                  << dir.filePath("tiles") << dir.filePath("out");
    if (source != "none")
        QVERIFY(K_SampleTiles::write(dir.filePath("tiles")));
    if (source == "sound")
        QVERIFY(QFile::remove(dir.filePath("tiles/" + K_SampleTiles::brokenKey() + "SU.BMP")));

    // The engine on its own, on the settings the parser gives, as the window would run it.
    QStringList engineLines;
    {
        TestConversion engine;
        engine.run(K_CommandLine::parse(QStringList{"orvik-convert"} + arguments).settings);
        engineLines = engine.log();
    }
    const QMap<QString, QByteArray> engineFiles = contentsBelow(dir.filePath("out"));
    QCOMPARE(engineFiles.isEmpty(), source == "none");
    QVERIFY(QDir(dir.filePath("out")).removeRecursively());

    QScopedPointer<QProcess> process(startConvert(arguments));
    QVERIFY(process->waitForFinished(120000));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QTEST(process->exitCode(), "exitCode");
    QCOMPARE(linesOf(process->readAllStandardOutput()), engineLines);
    // Standard error is a pipe here, so no progress bar.
    QCOMPARE(process->readAllStandardError(), QByteArray());
    QVERIFY(contentsBelow(dir.filePath("out")) == engineFiles);
}

void tst_CommandLine::breaksOnInterrupt()
{
    // One destination tile per source tile, each a 1024x1024 picture, so the run lasts long
    // enough to be interrupted after its first tile.
    constexpr int tileCount = 48;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("tiles"));
    for (int i = 0; i < tileCount; ++i) {
        const QString digits = QString::number(i, 4).rightJustified(3, QLatin1Char('0'));
        QVERIFY(K_TileBitmapWriter::write(dir.filePath("tiles/0123012301" + digits + "00SU.BMP"),
                                          K_TileBitmapWriter::pattern(i)));
    }
    QScopedPointer<QProcess> process(startConvert({"--bgl-lod", "11", "--single-destination-image",
                                                   dir.filePath("tiles"), dir.filePath("out")}));
    QByteArray output;
    while (!output.contains("saved.") && process->waitForReadyRead(10000))
        output += process->readAllStandardOutput();
    QCOMPARE(::kill(pid_t(process->processId()), SIGINT), 0);
    QVERIFY(process->waitForFinished(120000));
    const QStringList lines = linesOf(output + process->readAllStandardOutput());

    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 130);
    QCOMPARE(lines.constLast(), QStringLiteral("Break."));
    const QStringList saved = lines.filter(QStringLiteral("saved."));
    QVERIFY(!saved.isEmpty() && saved.size() < tileCount);
    // A tile interrupted while it was built gets no control file.
    QCOMPARE(QDir(dir.filePath("out")).entryList({"*.inf"}, QDir::Files).size(), saved.size());
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
