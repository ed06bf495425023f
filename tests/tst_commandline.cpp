#include "app/k_commandline.h"
#include "app/translators.h"
#include "engine/k_conversiontexts.h"
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
#include <QTranslator>

// One table row: the name and the row's text, which may hold UTF-8.
static void row(const char *name, const QString &text)
{
    QTest::newRow(name) << text;
}

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
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
    // only there: elsewhere /? and /h are folders.
    QTest::addColumn<QString>("row");
    row("preview: broken tile found", "preview tiles map.png | 1 | 1536x512 | "
                                      "0123012301: 20 of 1024 tiles, 0 broken, 1 completely "
                                      "transparent");
    row("preview: all tiles good", "preview tiles map.png --bgl-lod=8 --variant=wi | 0 | 128x128 "
                                   "| 0123012301: 16 of 1024 tiles, 0 broken, 0 completely "
                                   "transparent");
    row("preview: one tile each", "preview tiles map.png --bgl-lod=13 --variant=lm | 0 | 64x64 | "
                                  "012301230102100: 1 of 1 tile, 0 broken, 0 completely "
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
        for (const char *help : {"/?", "/h"}) {
            const QString name = program.section(' ', 0, 0);
            QTest::newRow(qPrintable(name + ": help by " + help + " on Windows"))
                    << name + ' ' + help + " | 0 | 0x0 | Usage: orvik-" + program;
        }
    }
    row("preview: help by -?", "preview -? | 0 | 0x0 | Usage: orvik-" + usage[1]);
    row("sample: help", "make-sample --help | 0 | 0x0 | " + sample);
    row("sample: an unknown option",
        "make-sample -x | 2 | 0x0 | orvik-make-sample: Unknown option 'x'.\n" + sample);
    row("sample: a folder named like an option",
        "make-sample -- -x | 2 | 0x0 | orvik-make-sample: Unknown option \"-x\".\n" + sample);
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
        QSKIP("elsewhere /? and /h name folders");
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
    row("de_AT finds de", "de_AT | program/ORVIK_de.qm | program/ORVIK_de.qm");
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
         {"0 | 0\u00a0байт", "1 | 1\u00a0байт", "2 | 2\u00a0байта", "5 | 5\u00a0байт",
          "11 | 11\u00a0байт", "21 | 21\u00a0байт", "22 | 22\u00a0байта",
          "1023 | 1\u00a0023\u00a0байта", "+2048 | 2,0\u00a0кБ", "6291456 | 6,0\u00a0МБ"})
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

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
