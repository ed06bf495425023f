#include "app/k_commandline.h"
#include "tiles/k_sampletiles.h"
#include "tiles/k_tilebitmapwriter.h"

#include "testconversion.h"
#include "testplatform.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// One table row: the name and the row's text, which may hold UTF-8.
static void row(const char *name, const char *text)
{
    QTest::newRow(name) << QString(text);
}

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void runs_data();
    void runs();
    void previews_data();
    void previews();
};

void tst_CommandLine::parses_data()
{
    // "arguments | the settings, the help's usage line or the error"
    QTest::addColumn<QString>("row");
    row("defaults equal the window's first start", "in out | in|out|8|95|011000");
    row("every option", "--bgl-lod 13 --compression-quality 1 --single-destination-image "
                        "--no-pass-transparent-tiles --no-pass-broken-tiles "
                        "--vertical-mirror-source-tiles --seasons --skip-converted in out | "
                        "in|out|13|1|100111");
    row("help wins over a missing folder", "--help | Usage: orvik-convert [options] SOURCE "
                                           "DESTINATION");
    row("no argument", " | SOURCE and DESTINATION are missing.");
    row("BGL LOD above 13",
        "--bgl-lod 14 in out | BGL LOD must be a whole number from 0 to 13, not \"14\".");
    row("BGL LOD not a number",
        "--bgl-lod=8x in out | BGL LOD must be a whole number from 0 to 13, not \"8x\".");
    row("quality 0", "--compression-quality=0 in out | Compression quality must be a whole number "
                     "from 1 to 100, not \"0\".");
    row("on Windows too, /x names a folder", "/x /y | /x|/y|8|95|011000");
}

void tst_CommandLine::parses()
{
    QFETCH(QString, row);
    const auto parsed = K_CommandLine::parse(
            ("orvik-convert " + row.section(" | ", 0, 0)).split(' ', Qt::SkipEmptyParts));
    QCOMPARE(parsed.action == K_CommandLine::Action::ShowHelp     ? parsed.text.section('\n', 0, 0)
             : parsed.action == K_CommandLine::Action::UsageError ? parsed.text
                                                                  : settingsText(parsed.settings),
             row.section(" | ", 1));
}

void tst_CommandLine::runs_data()
{
    // "locale | arguments | exit code | standard error"; "C" keeps the program English. The log
    // goes to standard output, the summary ("sum N": N problems) to standard error. EMPTY holds no
    // tile bitmaps, SAMPLE the sample, SOUND the same less its broken tile, MANY 48 tiles, each a
    // 1024x1024 picture at BGL LOD 11, so that the run lasts until SIGINT comes after the first.
    QTest::addColumn<QString>("row");
    row("usage error, Russian",
        "ru_RU.UTF-8 | SOUND | 2 | orvik-convert: Не указана папка DESTINATION.");
    row("defaults, a broken tile is a problem", "C | SAMPLE out | 1 | sum 1");
    row("without the broken tile: complete", "C | SOUND out | 0 | sum 0");
    row("no tile bitmaps", "C | EMPTY out | 1 | sum 1");
    row("interrupted after the first tile",
        "C | --bgl-lod=11 --single-destination-image MANY out | 130 | ");
}

void tst_CommandLine::runs()
{
    QFETCH(QString, row);
    const QString locale = row.section(" | ", 0, 0), arguments = row.section(" | ", 1, 1);
    if (locale.startsWith("ru") && QDir::separator() == '\\')
        QSKIP("a Windows program speaks the user's language, not the environment's");
    QTemporaryDir dir;
    QVERIFY(K_SampleTiles::write(dir.filePath("SAMPLE"))
            && K_SampleTiles::write(dir.filePath("SOUND")));
    QVERIFY(QFile::remove(dir.filePath("SOUND/" + K_SampleTiles::brokenKey() + "SU.BMP")));
    QVERIFY(QDir().mkpath(dir.filePath("EMPTY")));
    const bool interrupt = arguments.contains("MANY");
    QVERIFY(!interrupt
            || writeTiles(dir.filePath("MANY"),
                          K_TileBitmapWriter::keysUnder("0123012301", 13)
                                  .mid(0, 48)
                                  .replaceInStrings(QRegularExpression("$"), "00")));
    const QStringList argumentList = arguments.split(' ').replaceInStrings(
            QRegularExpression("^(?!--)"), dir.path() + '/');

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
    environment.insert("LC_ALL", locale); // over LC_MESSAGES and LANG
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(ORVIK_CONVERT_PATH, argumentList);
    QByteArray output;
    while (interrupt && !output.contains("saved.") && process.waitForReadyRead(10000))
        output += process.readAllStandardOutput();
    if (interrupt) {
        QVERIFY(output.contains("saved."));
        QVERIFY(TestPlatform::interrupt(process));
    }
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), row.section(" | ", 2, 2).toInt());
    // Standard error is a pipe here, so no progress bar.
    const QString error = outputText(process.readAllStandardError()).trimmed();
    const QString expected = row.section(" | ", 3).trimmed();
    if (expected.startsWith("sum "))
        QVERIFY2(error.startsWith(summaryBeforeTime(dir.filePath("out"), expected.mid(4).toInt()))
                         && !error.contains('\n'),
                 qPrintable(error));
    else if (!interrupt)
        QCOMPARE(error, expected);
    QStringList lines = outputText(output + process.readAllStandardOutput()).split('\n');
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

void tst_CommandLine::previews_data()
{
    // orvik-preview: "arguments | exit code | the picture's size | the first line on standard
    // error, else on standard output". Arguments but options lie below a folder that holds the
    // sample in "tiles"; %1 is that folder, %2 the number of tile bitmaps in "tiles".
    QTest::addColumn<QString>("row");
    row("broken tile found", "tiles map.png | 1 | 1536x512 | "
                             "0123012301: 20 of 1024 tiles, 0 broken, 1 completely transparent");
    row("all tiles good", "tiles map.png --bgl-lod=8 --variant=wi | 0 | 128x128 | "
                          "0123012301: 16 of 1024 tiles, 0 broken, 0 completely transparent");
    row("one tile each", "tiles map.png --bgl-lod=13 --variant=lm | 0 | 64x64 | "
                         "012301230102100: 1 of 1 tile, 0 broken, 0 completely transparent");
    row("variant absent", "tiles map.png --variant=hw | 1 | 0x0 | "
                          "orvik-preview: No tile bitmaps of variant HW in \"%1/tiles\".");
    row("unknown variant",
        "tiles map.png --variant=xx | 2 | 0x0 | orvik-preview: Unknown variant \"xx\".");
    row("tiles in a subfolder", ". map.png | 1 | 0x0 | orvik-preview: No FS9 tile bitmaps in "
                                "\"%1/.\"; its subfolder \"tiles\" holds %2.");
    row("help by -?", "-? | 0 | 0x0 | Usage: orvik-preview [options] SOURCE OUTPUT.png");
}

void tst_CommandLine::previews()
{
    QFETCH(QString, row);
    const QStringList column = row.split(" | ");
    QTemporaryDir dir;
    QVERIFY(K_SampleTiles::write(dir.filePath("tiles")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(ORVIK_PREVIEW_PATH, column[0].split(' ').replaceInStrings(
                                              QRegularExpression("^(?!-)"), dir.path() + '/'));
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), column[1].toInt());
    const QStringList size = column[2].split('x');
    QCOMPARE(QImage(dir.filePath("map.png")).size(), QSize(size[0].toInt(), size[1].toInt()));
    const QByteArray error = process.readAllStandardError();
    const QString first = outputText(error.isEmpty() ? process.readAllStandardOutput() : error)
                                  .section('\n', 0, 0);
    const int bitmaps = int(K_SampleTiles::keys().size() + K_SampleTiles::seasonFileNames().size());
    // The usage line names the program as its file is named: "orvik-preview.exe" on Windows.
    QCOMPARE(first, QString(column[3])
                            .replace("%1", dir.path())
                            .replace("%2", QString::number(bitmaps))
                            .replace("Usage: orvik-preview",
                                     "Usage: " + QFileInfo(ORVIK_PREVIEW_PATH).fileName()));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
