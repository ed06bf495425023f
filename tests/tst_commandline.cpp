#include "app/k_commandline.h"
#include "tiles/k_sampletiles.h"
#include "tiles/k_tilebitmapwriter.h"

#include "testconversion.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void runs_data();
    void runs();
};

void tst_CommandLine::parses_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("parsed"); // the settings, the help's first word or the error

    QTest::newRow("defaults equal the window's first start") << "in out"
                                                             << "in|out|8|95|0110";
    QTest::newRow("every option") << "--bgl-lod 13 --compression-quality 1 "
                                     "--single-destination-image --no-pass-transparent-tiles "
                                     "--no-pass-broken-tiles --vertical-mirror-source-tiles in out"
                                  << "in|out|13|1|1001";
    QTest::newRow("values after '='") << "in --bgl-lod=0 out --compression-quality=100"
                                      << "in|out|0|100|0110";
    QTest::newRow("help wins over a missing folder") << "--help"
                                                     << "Usage:";
    QTest::newRow("no argument") << ""
                                 << "SOURCE and DESTINATION are missing.";
    QTest::newRow("third folder") << "in out more"
                                  << "Unexpected argument \"more\".";
    QTest::newRow("unknown option") << "--fast in out"
                                    << "Unknown option 'fast'.";
    QTest::newRow("BGL LOD above 13") << "--bgl-lod 14 in out"
                                      << "BGL LOD must be a whole number from 0 to 13, not \"14\".";
    QTest::newRow("BGL LOD not a number")
            << "--bgl-lod=8x in out"
            << "BGL LOD must be a whole number from 0 to 13, not \"8x\".";
    QTest::newRow("quality 0") << "--compression-quality=0 in out"
                               << "Compression quality must be a whole number from 1 to 100, not "
                                  "\"0\".";
    QTest::newRow("value missing at the end") << "in out --compression-quality"
                                              << "Missing value after '--compression-quality'.";
}

void tst_CommandLine::parses()
{
    QFETCH(QString, arguments);
    const auto parsed
            = K_CommandLine::parse(("orvik-convert " + arguments).split(' ', Qt::SkipEmptyParts));
    const K_BuilderThread::Settings &s = parsed.settings;
    QTEST(parsed.action == K_CommandLine::Action::ShowHelp ? parsed.text.section(' ', 0, 0)
          : parsed.action == K_CommandLine::Action::UsageError
                  ? parsed.text
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

void tst_CommandLine::runs_data()
{
    // The program speaks the locale's language; "C" keeps it English. Usage errors name the
    // error on standard error; a conversion's output is the engine's log, SIGINT breaks it.
    QTest::addColumn<QString>("locale");
    // SAMPLE: the sample; SOUND: the same less its broken tile; MANY: 48 tiles, each a 1024x1024
    // picture at BGL LOD 11, so that the run lasts until SIGINT comes after the first.
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    QTest::newRow("usage error, Russian")
            << "ru_RU.UTF-8"
            << "SOUND" << 2 << "orvik-convert: Не указана папка DESTINATION.";
    QTest::newRow("usage error, Russian from the toolkit")
            << "ru_RU.UTF-8"
            << "--fast SOUND out" << 2 << "orvik-convert: Неизвестный параметр «fast».";
    QTest::newRow("usage error, unknown locale")
            << "xx_YY.UTF-8"
            << "SOUND" << 2 << "orvik-convert: DESTINATION is missing.";
    QTest::newRow("defaults, a broken tile is a problem") << "C"
                                                          << "SAMPLE out" << 1 << "";
    QTest::newRow("without the broken tile: complete") << "C"
                                                       << "SOUND out" << 0 << "";
    QTest::newRow("every option")
            << "C"
            << "--bgl-lod=11 --compression-quality=40 "
               "--single-destination-image --no-pass-transparent-tiles "
               "--no-pass-broken-tiles --vertical-mirror-source-tiles SAMPLE out"
            << 1 << "";
    QTest::newRow("missing source folder") << "C"
                                           << "missing out" << 1 << "";
    QTest::newRow("interrupted after the first tile")
            << "C"
            << "--bgl-lod=11 --single-destination-image MANY out" << 130 << "";
}

void tst_CommandLine::runs()
{
    QFETCH(QString, locale);
    QFETCH(QString, arguments);
    QTemporaryDir dir;
    QVERIFY(K_SampleTiles::write(dir.filePath("SAMPLE"))
            && K_SampleTiles::write(dir.filePath("SOUND")));
    QVERIFY(QFile::remove(dir.filePath("SOUND/" + K_SampleTiles::brokenKey() + "SU.BMP")));
    const bool interrupt = arguments.contains("MANY");
    for (int i = 0; i < 48 && interrupt; ++i) {
        const QString digits = QString::number(i, 4).rightJustified(3, QLatin1Char('0'));
        QVERIFY(QDir().mkpath(dir.filePath("MANY")));
        QVERIFY(K_TileBitmapWriter::write(dir.filePath("MANY/0123012301" + digits + "00SU.BMP"),
                                          K_TileBitmapWriter::pattern(i)));
    }
    QStringList argumentList = arguments.split(' ');
    for (QString &argument : argumentList) {
        if (!argument.startsWith("--"))
            argument = dir.filePath(argument);
    }

    // The engine on its own, on the settings the parser gives, as the window would run it.
    const auto parsed = K_CommandLine::parse(QStringList{"orvik-convert"} + argumentList);
    QStringList engineLog;
    if (parsed.action == K_CommandLine::Action::Convert && !interrupt) {
        TestConversion engine;
        engine.run(parsed.settings);
        engineLog = engine.log();
    }
    const QMap<QString, QByteArray> engineFiles = contentsBelow(dir.filePath("out"));
    QVERIFY(QDir(dir.filePath("out")).removeRecursively());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", locale);
    environment.insert("LANG", locale);
    environment.remove("LC_MESSAGES");
    environment.remove("LANGUAGE");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(ORVIK_CONVERT_PATH, argumentList);
    QByteArray output;
    while (interrupt && !output.contains("saved.") && process.waitForReadyRead(10000))
        output += process.readAllStandardOutput();
    if (interrupt) {
        QVERIFY(output.contains("saved."));
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
    }
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QTEST(process.exitCode(), "exitCode");
    // Standard error is a pipe here, so no progress bar.
    QTEST(QString::fromUtf8(process.readAllStandardError()).trimmed(), "error");
    QStringList lines = QString::fromUtf8(output + process.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(QFileInfo::exists(dir.filePath("out")), !engineFiles.isEmpty() || interrupt);
    if (!interrupt) {
        QCOMPARE(lines, engineLog);
        QVERIFY(contentsBelow(dir.filePath("out")) == engineFiles);
        return;
    }
    QCOMPARE(lines.constLast(), QStringLiteral("Break."));
    const QStringList saved = lines.filter(QStringLiteral("saved."));
    QVERIFY(!saved.isEmpty() && saved.size() < 48);
    // A tile interrupted while it was built gets no control file.
    QCOMPARE(QDir(dir.filePath("out")).entryList({"*.inf"}, QDir::Files).size(), saved.size());
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
