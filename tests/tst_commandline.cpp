#include "app/k_commandline.h"
#include "app/translators.h"
#include "engine/k_conversiontexts.h"
#include "tiles/k_sampletiles.h"
#include "tiles/k_tilebitmapwriter.h"

#include "testconversion.h"
#include "testplatform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

// One table row: the name and the row's text, which may hold UTF-8.
static void row(const char *name, const QString &text)
{
    QTest::newRow(name) << text;
}

// A file's bytes, or "none".
static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "none";
}

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parses_data();
    void parses();
    void runs_data();
    void runs();
    void programs_data();
    void programs();
    void findsCatalogues_data();
    void findsCatalogues();
    void summarisesInRussian_data();
    void summarisesInRussian();
    void checksInf_data();
    void checksInf();

private:
    QTemporaryDir m_standin;
};

// The .inf files that the resampler's stand-in checks, of the sample with the seasons at BGL
// LOD 12.
void tst_CommandLine::initTestCase()
{
    QVERIFY(K_SampleTiles::write(m_standin.filePath("tiles")));
    TestConversion().run({m_standin.filePath("tiles"), m_standin.path(), 12, 95, false, true, true,
                          false, true});
}

void tst_CommandLine::parses_data()
{
    // "arguments | the settings, the help's usage line or the error"
    QTest::addColumn<QString>("row");
    row("defaults equal the window's first start", "in out | in|out|8|95|011000||0");
    row("every option",
        "--bgl-lod 13 --compression-quality 1 --single-destination-image "
        "--no-pass-transparent-tiles --no-pass-broken-tiles "
        "--vertical-mirror-source-tiles --seasons --skip-converted --resampler R --jobs 1 "
        "in out | in|out|13|1|100111|R|1");
    row("help wins over a missing folder", "--help | Usage: orvik-convert [options] SOURCE "
                                           "DESTINATION");
    row("BGL LOD above 13",
        "--bgl-lod 14 in out | BGL LOD must be a whole number from 0 to 13, not \"14\".");
    row("on Windows too, /x names a folder", "/x /y | /x|/y|8|95|011000||0");
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
    // goes to standard output, the summary ("sum N": N problems) to standard error; "log: ..." is
    // a line the log must hold. EMPTY holds no tile bitmaps, SAMPLE the sample, SOUND the same
    // less its broken tile, MANY 48 tiles, each a 1024x1024 picture at BGL LOD 11, so that the
    // run lasts until the signal of its exit code (SIGINT for 130) comes after the first; "LIMIT"
    // runs it under a file size limit of 512 KiB, not ignoring SIGXFSZ itself; "UNREADABLE" and
    // "UNENTERABLE" take the rights to list or to enter the source folder from it.
    QTest::addColumn<QString>("row");
    row("usage error, Russian",
        "ru_RU.UTF-8 | SOUND | 2 | orvik-convert: Не указана папка DESTINATION.");
    row("defaults, a broken tile is a problem", "C | SAMPLE out | 1 | sum 1");
    row("no tile bitmaps", "C | EMPTY out | 1 | sum 1");
    row("interrupted after the first tile",
        "C | --bgl-lod=11 --single-destination-image MANY out | 130 | ");
    row("SIGTERM stops it as Ctrl+C does", "C | --bgl-lod=11 MANY out | 143 | ");
    row("SIGHUP too", "C | --bgl-lod=11 MANY out | 129 | ");
    row("killed, it has lost nothing it finished", "C | --bgl-lod=11 MANY out | 137 | ");
    row("a file size limit fails the save with its reason",
        "C | LIMIT SOUND out | 1 | log: Cannot write \"");
    row("a source folder that cannot be read says why",
        "C | UNREADABLE SOUND out | 1 | log: Cannot read the source folder");
    row("tiles in a folder that cannot be entered say why",
        "C | UNENTERABLE SOUND out | 1 | log: read error: File opening error: Permission denied.");
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
    const int signal = row.section(" | ", 2, 2).toInt() - 128;
    QVERIFY(!interrupt
            || writeTiles(dir.filePath("MANY"),
                          K_TileBitmapWriter::keysUnder("0123012301", 13)
                                  .mid(0, 48)
                                  .replaceInStrings(QRegularExpression("$"), "00")));
    // A first word in capitals but a folder's name changes how the program runs.
    const QString taken = arguments.section(' ', 0, 0);
    const QStringList argumentList
            = QString(arguments)
                      .remove(QRegularExpression("^(LIMIT|UNREADABLE|UNENTERABLE) "))
                      .split(' ')
                      .replaceInStrings(QRegularExpression("^(?!--)"), dir.path() + '/');

    // The engine on its own, on the settings the parser gives, as the window would run it.
    const auto parsed = K_CommandLine::parse(QStringList{"orvik-convert"} + argumentList);
    QStringList engineLog;
    if (parsed.action == K_CommandLine::Action::Convert && !interrupt) {
        TestConversion engine;
        engine.run(parsed.settings);
        engineLog = engine.log();
    }
    // The record holds the times of the files, which differ from run to run.
    QMap<QString, QByteArray> engineFiles = contentsBelow(dir.filePath("out"));
    engineFiles.remove("ORVIK-converted.txt");
    QVERIFY(QDir(dir.filePath("out")).removeRecursively());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", locale); // over LC_MESSAGES and LANG
    QProcess process;
    process.setProcessEnvironment(environment);
    if (taken == "LIMIT" && !TestPlatform::limitChildFileSize(process, 512 * 1024))
        QSKIP("limiting the size of files needs Linux");
    if (taken.startsWith("UN")) {
        if (!TestPlatform::runWithoutPrivileges(process))
            QSKIP("folders without rights need Linux");
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
        QVERIFY(QFile::setPermissions(dir.filePath("SOUND"),
                                      taken == "UNREADABLE"
                                              ? QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              : QFileDevice::ReadOwner | QFileDevice::ReadOther));
    }
    if (interrupt && signal != 2 && QDir::separator() == '\\')
        QSKIP("Windows has no SIGTERM, SIGHUP nor SIGKILL for a console program");
    process.start(ORVIK_CONVERT_PATH, argumentList);
    QByteArray output;
    while (interrupt && !output.contains("saved.") && process.waitForReadyRead(10000))
        output += process.readAllStandardOutput();
    if (interrupt) {
        QVERIFY(output.contains("saved."));
        QVERIFY(TestPlatform::interrupt(process, signal));
    }
    QVERIFY(process.waitForFinished(120000));
    const bool killed = signal == 9; // SIGKILL, which Windows does not know
    QCOMPARE(process.exitStatus(), killed ? QProcess::CrashExit : QProcess::NormalExit);
    QVERIFY(killed || process.exitCode() == row.section(" | ", 2, 2).toInt());
    // Standard error is a pipe here, so no progress bar.
    const QString error = outputText(process.readAllStandardError()).trimmed();
    const QString expected = row.section(" | ", 3).trimmed();
    QStringList lines = outputText(output + process.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.takeLast(), QString());
    if (expected.startsWith("log: ")) {
        QVERIFY2(!lines.filter(expected.mid(5)).isEmpty() && !error.isEmpty(),
                 qPrintable(lines.join('\n')));
        return;
    }
    if (expected.startsWith("sum "))
        QVERIFY2(error.startsWith(summaryBeforeTime(dir.filePath("out"), expected.mid(4).toInt()))
                         && !error.contains('\n'),
                 qPrintable(error));
    else if (!interrupt)
        QCOMPARE(error, expected);
    QCOMPARE(QFileInfo::exists(dir.filePath("out")), !engineFiles.isEmpty() || interrupt);
    if (!interrupt) {
        QCOMPARE(lines, engineLog);
        QMap<QString, QByteArray> files = contentsBelow(dir.filePath("out"));
        files.remove("ORVIK-converted.txt");
        QVERIFY(files == engineFiles);
        return;
    }
    QVERIFY(killed || (lines.constLast() == "Break." && error.startsWith("Stopped. ")));
    const QStringList saved = lines.filter(QStringLiteral("saved."));
    QVERIFY(!saved.isEmpty() && saved.size() < 48);
    // What was said to be finished is recorded; a kill may have come between the two.
    QFile record(dir.filePath("out/ORVIK-converted.txt"));
    QVERIFY(record.open(QIODevice::ReadOnly | QIODevice::Text));
    const int recorded = int(QString(record.readAll()).count("\n+ "));
    QVERIFY(recorded == saved.size() || (killed && recorded == saved.size() + 1));
    // A tile interrupted while it was built gets no control file.
    const qsizetype written = QDir(dir.filePath("out")).entryList({"*.inf"}, QDir::Files).size();
    QVERIFY(written == recorded || (killed && written == recorded + 1));
}

void tst_CommandLine::programs_data()
{
    // "orvik-PROGRAM arguments | exit code | size of map.png | first lines on standard error, else
    // output"; arguments but options lie below the current folder, which holds the sample in
    // "tiles" and a file in "full": %1. %2 is the number of sample tiles. Rows "on Windows" run
    // only there: elsewhere /? is a folder.
    QTest::addColumn<QString>("row");
    row("preview: broken tile found", "preview tiles map.png | 1 | 1536x512 | "
                                      "0123012301: 20 of 1024 tiles, 0 broken, 1 completely "
                                      "transparent");
    row("preview: all tiles good", "preview tiles map.png --bgl-lod=8 --variant=wi | 0 | 128x128 "
                                   "| 0123012301: 16 of 1024 tiles, 0 broken, 0 completely "
                                   "transparent");
    row("preview: variant absent", "preview tiles map.png --variant=hw | 1 | 0x0 | "
                                   "orvik-preview: No tile bitmaps of variant HW in \"%1/tiles\".");
    row("preview: unknown variant",
        "preview tiles map.png --variant=xx | 2 | 0x0 | orvik-preview: Unknown variant \"xx\".");
    row("preview: tiles in a subfolder", "preview . map.png | 1 | 0x0 | orvik-preview: No FS9 "
                                         "tile bitmaps in \"%1/.\"; its subfolder \"tiles\" holds "
                                         "%2.");
    const QString sample = "Usage: orvik-make-sample [options] FOLDER";
    const QStringList usage{"convert [options] SOURCE DESTINATION",
                            "preview [options] SOURCE OUTPUT.png", "make-sample [options] FOLDER"};
    for (const QString &program : usage) {
        const QString name = program.section(' ', 0, 0);
        QTest::newRow(qPrintable(name + ": help by /? on Windows"))
                << name + " /? | 0 | 0x0 | Usage: orvik-" + program;
    }
    row("sample: help", "make-sample --help | 0 | 0x0 | " + sample);
    row("sample: an unknown option",
        "make-sample -x | 2 | 0x0 | orvik-make-sample: Unknown option 'x'.\n" + sample);
    row("sample: a folder that is not empty",
        "make-sample full | 1 | 0x0 | orvik-make-sample: \"%1/full\" is not empty; the sample "
        "tile set goes only into an empty or new folder.");
    row("sample: a new folder",
        "make-sample new | 0 | 0x0 | %2 FS9 tile bitmaps written into \"%1/new\".");
}

void tst_CommandLine::programs()
{
    QFETCH(QString, row);
    if (QString(QTest::currentDataTag()).endsWith("on Windows") && QDir::separator() != '\\')
        QSKIP("elsewhere /? names a folder");
    const QStringList column = row.split(" | ");
    QTemporaryDir dir;
    QVERIFY(K_SampleTiles::write(dir.filePath("tiles")) && QDir(dir.path()).mkdir("full"));
    QVERIFY(K_TileBitmapWriter::writeBytes(dir.filePath("full/kept.txt"), "kept"));
    QStringList arguments = column[0].split(' ');
    const QString program = "orvik-" + arguments.takeFirst();
    const QString path = program == "orvik-convert"   ? ORVIK_CONVERT_PATH
                         : program == "orvik-preview" ? ORVIK_PREVIEW_PATH
                                                      : ORVIK_MAKE_SAMPLE_PATH;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir.path());
    process.start(path,
                  arguments.replaceInStrings(QRegularExpression("^(?![-/])"), dir.path() + '/'));
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), column[1].toInt());
    const QStringList size = column[2].split('x');
    QCOMPARE(QImage(dir.filePath("map.png")).size(), QSize(size[0].toInt(), size[1].toInt()));
    const QByteArray error = process.readAllStandardError();
    const int bitmaps = int(K_SampleTiles::keys().size() + K_SampleTiles::seasonFileNames().size());
    // The usage line names the program as its file is named: "orvik-preview.exe" on Windows.
    QString expected
            = QString(column[3])
                      .replace("%1", dir.path())
                      .replace("%2", QString::number(bitmaps))
                      .replace("Usage: " + program, "Usage: " + QFileInfo(path).fileName());
    // The sample maker names folders as the system writes them.
    if (program == "orvik-make-sample")
        expected = QDir::toNativeSeparators(expected);
    QCOMPARE(outputText(error.isEmpty() ? process.readAllStandardOutput() : error)
                     .section('\n', 0, int(expected.count('\n'))),
             expected);
    // A user's file stays, and nothing that looks like an option becomes a folder.
    QCOMPARE(QDir(dir.filePath("full")).entryList(QDir::Files), QStringList("kept.txt"));
    QVERIFY(!QFileInfo::exists(dir.filePath("-x")));
}

void tst_CommandLine::findsCatalogues_data()
{
    // "locale | files | the catalogues loaded, the toolkit's first"; "$": the Russian pair
    QTest::addColumn<QString>("row");
    row("both in their folders", "ru_RU | $ | $");
    row("toolkit catalogue beside the program", "ru_RU | program/qt_ru.qm | program/qt_ru.qm");
    row("toolkit folder wins", "ru_RU | toolkit/qt_ru.qm program/qt_ru.qm | toolkit/qt_ru.qm");
    row("program catalogue not from the toolkit folder", "ru_RU | toolkit/ORVIK_ru.qm | ");
    row("unknown locale", "xx_YY | $ | ");
}

void tst_CommandLine::findsCatalogues()
{
    QFETCH(QString, row);
    const QStringList column
            = row.replace("$", "toolkit/qt_ru.qm program/ORVIK_ru.qm").split(" | ");
    const QTemporaryDir work;
    const QDir root(work.path());
    QVERIFY(root.mkdir("toolkit") && root.mkdir("program"));
    // Any valid catalogue serves as a stand-in: the test is about which file is found.
    for (const QString &file : column[1].split(' ', Qt::SkipEmptyParts))
        QVERIFY(QFile::copy(ORVIK_TRANSLATIONS_DIR "/ORVIK_ru.qm", work.filePath(file)));

    QTranslator toolkit;
    QTranslator program;
    installTranslators(*QCoreApplication::instance(), toolkit, program, column[0],
                       work.filePath("toolkit"), work.filePath("program"));
    QStringList loaded;
    for (QTranslator *translator : {&toolkit, &program}) {
        // Removing succeeds only for a translator that was installed.
        QCOMPARE(QCoreApplication::removeTranslator(translator), !translator->isEmpty());
        if (!translator->isEmpty())
            loaded << root.relativeFilePath(translator->filePath());
    }
    QCOMPARE(loaded.join(' '), column[2]);
}

// The catalogues shipped beside the program, the toolkit's included.
void tst_CommandLine::summarisesInRussian_data()
{
    // "count | size": the summary of a run ("+": stopped) that wrote `count` destination tiles and
    // pictures of `count` bytes and logged `count` problems gives that size. A Russian count's last
    // digits choose its plural form: the counts stand after colons, where one form suits them all;
    // bytes take theirs from the catalogue, larger sizes their units and digits from the locale.
    QTest::addColumn<QString>("row");
    for (const char *row :
         {"0 | 0\u00a0байт", "1 | 1\u00a0байт", "2 | 2\u00a0байта", "1023 | 1\u00a0023\u00a0байта",
          "+2048 | 2,0\u00a0кБ", "6291456 | 6,0\u00a0МБ"})
        ::row(row, row);
}

void tst_CommandLine::summarisesInRussian()
{
    QFETCH(QString, row);
    const QTemporaryDir emptyToolkitFolder;
    QTranslator toolkit, program;
    installTranslators(*QCoreApplication::instance(), toolkit, program, "ru_RU",
                       emptyToolkitFolder.path(), ORVIK_TRANSLATIONS_DIR);
    const QLocale locale;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const int n = row.section(" | ", 0, 0).toInt();
    const QString summary = K_ConversionTexts::summary({row.startsWith('+'), n, n, n, n});
    QLocale::setDefault(locale);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Отмена"));
    QCOMPARE(summary, (row.startsWith('+') ? "Остановлено. " : "")
                              + QString("Записано итоговых тайлов: %1, изображений: %1 (%2), "
                                        "проблем: %1, время: 0:00.")
                                        .arg(n)
                                        .arg(row.section(" | ", 1)));
}

// The resampler's stand-in on the .inf files of a real conversion of the sample tile set at BGL
// LOD 12 with the seasons: 01230123103001 lists one picture, 01230123012130 summer and winter at
// one place, 01230123010210 four pictures, one of them of the night.
void tst_CommandLine::checksInf_data()
{
    QTest::addColumn<QString>("key"); // of the .inf a fault is planted in
    QTest::addColumn<QString>("planted"); // a pattern, each match replaced by `by`
    QTest::addColumn<QString>("by");
    QTest::addColumn<QString>("error"); // a pattern of standard error; empty: a BGL is made
    const char *const rows[][5]
            = {{"summer and winter at one place", "01230123012130", "", "", ""},
               {"day and night at one place", "01230123010210", "", "", ""},
               {"a relative SourceDir", "01230123103001", "SourceDir = \"[^\"]*(Source[\\\\/])",
                "SourceDir = \"\\1",
                "planted.inf:4: SourceDir = \"Source.01230123103001.\" is not an absolute folder"},
               {"a missing picture", "01230123012130", "_wi.tif", "_sp.tif",
                R"(planted.inf:23: no picture .*01230123012130_sp\.tif)"},
               {"a picture of the wrong size for its xDim", "01230123103001",
                "xDim = 0.000057220458984375", "xDim = 0.00011444091796875",
                R"(planted.inf:8: .*01230123103001\.tif has 512 x 512 pixels of 5\.72.*e-05 x )"
                R"(4\.29.*e-05 degrees, not of xDim x yDim)"},
               {"overlapping cells of one Variation", "01230123010210", "LightMap", "All",
                R"(planted.inf:47: \[Source4\] overlaps \[Source1\] in a common Variation)"},
               {"overlapping cells of a common month", "01230123012130", "November", "December",
                R"(planted.inf:19: \[Source2\] overlaps \[Source1\] in a common Variation)"},
               {"a key missing", "01230123103001", "Layer = Imagery", "",
                R"(planted.inf:1: \[Source\] lacks Layer)"}};
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3])
                              << QString(row[4]);
}

void tst_CommandLine::checksInf()
{
    QFETCH(QString, key);
    QFETCH(QString, planted);
    QFETCH(QString, by);
    QFETCH(QString, error);
    const QByteArray text = contents(m_standin.filePath(key + ".inf"));
    const QByteArray bytes
            = QString::fromLatin1(text).replace(QRegularExpression(planted), by).toLatin1();
    QCOMPARE(bytes == text, planted.isEmpty());
    QVERIFY(K_TileBitmapWriter::writeBytes(m_standin.filePath("planted.inf"), bytes));
    QFile::remove(m_standin.filePath(key + ".bgl"));
    // Run from the folder of the .inf, as ORVIK runs the resampler.
    QProcess standin;
    standin.setProcessChannelMode(QProcess::MergedChannels);
    standin.setWorkingDirectory(m_standin.path());
    standin.start(ORVIK_STANDIN_PATH, {"planted.inf"});
    QVERIFY(standin.waitForFinished(30000) && standin.exitStatus() == QProcess::NormalExit);
    QCOMPARE(standin.exitCode(), error.isEmpty() ? 0 : 1);
    const QString output = outputText(standin.readAll()).trimmed();
    QVERIFY2(QRegularExpression("^" + error + "$").match(output).hasMatch(), qPrintable(output));
    const QByteArray sha1 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
    QCOMPARE(contents(m_standin.filePath(key + ".bgl")),
             error.isEmpty() ? "ORVIK stand-in BGL\nSHA-1 " + sha1 + "\n" : QByteArray("none"));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
