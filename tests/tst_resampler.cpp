#include "tiles/k_sampletiles.h"

#include "testconversion.h"
#include "testplatform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

// SIGKILL, which Windows does not name: the process is ended at once.
constexpr int Kill = 9;

// orvik-convert with the resampler's stand-in on the sample tile set less its broken tile, whose
// destination tiles are A (0123012301) and B (0123012310).
class tst_Resampler : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();

private:
    struct Run
    {
        int exitCode = -1;
        QString log; // standard output, then standard error
    };
    // Runs orvik-convert in `dir` with the stand-in's switches `switches` ("EXIT=3 ONLY=B"); with
    // `signal`, sends it once a BGL file has been begun.
    static Run convert(const QTemporaryDir &dir, const QString &switches, const QString &options,
                       int signal = 0);
};

void tst_Resampler::runs_data()
{
    // Each row runs once, after a run with the working stand-in when `before`, and then, when
    // stopped by `signal`, once more with --skip-converted. `options` name "STANDIN", "OUT" and
    // "SOUND" (the tiles). `bgls` are the BGL files left, each made from its .inf as it is now.
    // `lines` must all be in the logs, "!" those that must not.
    QTest::addColumn<bool>("before");
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("bgls");
    QTest::addColumn<QStringList>("lines");

    const QString run = "--resampler STANDIN SOUND OUT";
    QTest::newRow("each destination gets its BGL file")
            << false << ""
            << "--jobs 2 " + run << 0 << 0 << "A B"
            << QStringList{"BGL file \"OUT/0123012301.bgl\" made.",
                           "BGL files made: 2, problems: 0"};
    QTest::newRow("a failing resampler: its exit code and its last five lines")
            << false << "ONLY=B LINES=8 EXIT=3" << run << 0 << 1 << "A"
            << QStringList{"The resampler failed on \"0123012310.inf\" with exit code 3.",
                           "resampler: stand-in output line 5 of 8",
                           "resampler: 0123012310.inf: exit code 3 as asked", "!line 4 of 8",
                           "BGL files made: 1, problems: 1"};
    QTest::newRow("a crashing resampler")
            << false << "ONLY=A CRASH=1" << run << 0 << 1 << "B"
            << QStringList{"0123012301.inf: crashing as asked", "BGL files made: 1, problems: 1"};
    QTest::newRow("a hanging resampler is ended at the time limit, its begun BGL removed")
            << false << "ONLY=B PARTIAL=1"
            << "--resampler-timeout 0.02 " + run << 0 << 1 << "A"
            << QStringList{"The resampler was still at \"0123012310.inf\" after 0:01, and was "
                           "ended.",
                           "Removed \"OUT/0123012310.bgl\", which the resampler had begun.",
                           "BGL files made: 1, problems: 1"};
    QTest::newRow("a missing resampler is refused before anything is read")
            << false << ""
            << "--resampler MISSING SOUND OUT" << 0 << 1 << ""
            << QStringList{"The resampler \"MISSING\" does not exist.", "!saved"};
    QTest::newRow("a tile bitmap is no resampler")
            << false << ""
            << "--resampler SOUND/012301230102100SU.BMP SOUND OUT" << 0 << 1 << ""
            << QStringList{"is not a program"};
    QTest::newRow("unchanged and recorded: no resampler runs")
            << true << "EXIT=1"
            << "--skip-converted " + run << 0 << 0 << "A B"
            << QStringList{"BGL file \"OUT/0123012310.bgl\" is already made from this .inf file.",
                           "!The resampler failed", "BGL files made: 0, problems: 0"};
    QTest::newRow("Ctrl+C in step 3 leaves no begun BGL, and resuming makes all")
            << false << "PARTIAL=1" << run << SIGINT << 130 << "A B"
            << QStringList{"Break.",
                           "Removed \"OUT/0123012301.bgl\", which the resampler had "
                           "begun.",
                           "BGL files made: 2, problems: 0"};
    // Run as a user who cannot read one tile of each destination, so that nothing is recorded but
    // the begun BGL; the tiles are readable again for the next run. Windows takes no file's reading
    // away here, so there every tile is read.
    QTest::newRow("killed in step 3: the next run removes the begun BGL and makes all")
            << false << "PARTIAL=1"
            << "NOBODY " + run << Kill << -1 << "A B"
            << QStringList{"Removed \"OUT/0123012301.bgl\", which the resampler of an "
                           "interrupted run had begun.",
                           "BGL files made: 2, problems: 0"};
}

tst_Resampler::Run tst_Resampler::convert(const QTemporaryDir &dir, const QString &switches,
                                          const QString &options, int signal)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    for (QString pair : switches.split(' ', Qt::SkipEmptyParts)) {
        pair.replace("=A", "=0123012301").replace("=B", "=0123012310");
        environment.insert("ORVIK_STANDIN_" + pair.section('=', 0, 0), pair.section('=', 1));
    }
    QProcess process;
    QStringList arguments = options.split(' ');
    if (arguments.removeAll("NOBODY"))
        TestPlatform::runWithoutPrivileges(process);
    for (QString &argument : arguments) {
        argument.replace("STANDIN", ORVIK_STANDIN_PATH);
        if (argument.startsWith("SOUND") || argument == "OUT")
            argument = dir.filePath(argument);
    }
    process.setProcessEnvironment(environment);
    process.start(ORVIK_CONVERT_PATH, arguments);
    Run run;
    if (signal != 0) {
        while (QDir(dir.filePath("OUT")).entryList({"*.bgl"}).isEmpty())
            QThread::msleep(10);
        if (signal == Kill)
            process.kill();
        else if (!TestPlatform::interrupt(process, signal))
            return run;
    }
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.log = outputText(process.readAllStandardOutput() + process.readAllStandardError())
                      .replace(QDir::toNativeSeparators(dir.filePath("OUT")), "OUT")
                      .replace(QDir::toNativeSeparators(dir.filePath("SOUND")), "SOUND")
                      .replace(QDir::toNativeSeparators(QDir::currentPath() + "/"), "")
                      .replace("OUT\\", "OUT/")
                      .replace(".exe:", ":");
    return run;
}

void tst_Resampler::runs()
{
    QFETCH(bool, before);
    QFETCH(QString, switches);
    QFETCH(QString, options);
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    QFETCH(QString, bgls);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    QVERIFY(K_SampleTiles::write(dir.filePath("SOUND")));
    QVERIFY(QFile::remove(dir.filePath("SOUND/" + K_SampleTiles::brokenKey() + "SU.BMP")));
    const QStringList hidden
            = options.startsWith("NOBODY") && QDir::separator() == '/'
                      ? QStringList{"SOUND/012301230102100SU.BMP", "SOUND/012301231030010SU.BMP"}
                      : QStringList();
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
    for (const QString &tile : hidden)
        QVERIFY(QFile::setPermissions(dir.filePath(tile), {}));
    QString log;
    if (before) {
        QCOMPARE(convert(dir, "", options).exitCode, 0);
        QVERIFY(QFile::setPermissions(dir.filePath("OUT/0123012301.bgl"), QFile::ReadOwner));
    }
    const Run first = convert(dir, switches, options, signal);
    QCOMPARE(first.exitCode, exitCode);
    log += first.log;
    for (const QString &tile : hidden)
        QFile::setPermissions(dir.filePath(tile), QFileDevice::ReadOwner | QFileDevice::ReadOther);
    if (signal != 0) {
        // Nothing the stopped run began goes on; a resampler signalled as its parent dies ends
        // soon after.
        QTRY_COMPARE(TestPlatform::processesIn(dir.filePath("OUT")) > 0, false);
        if (signal != Kill)
            QVERIFY(QDir(dir.filePath("OUT")).entryList({"*.bgl"}).isEmpty());
        const Run resumed = convert(dir, "", "--skip-converted " + options);
        QCOMPARE(resumed.exitCode, 0);
        log += resumed.log;
    }
    for (const QString &line : lines)
        QVERIFY2(log.contains(line.mid(line.startsWith('!'))) != line.startsWith('!'),
                 qPrintable(line + "\n\n" + log));

    QStringList expected;
    for (const QString &name : bgls.split(' ', Qt::SkipEmptyParts))
        expected << (name == "A" ? "0123012301.bgl" : "0123012310.bgl");
    const QDir out(dir.filePath("OUT"));
    QCOMPARE(out.entryList({"*.bgl"}, QDir::Files, QDir::Name), expected);
    // A BGL file of the stand-in names the .inf it was made from, in full when it was finished.
    for (const QString &name : expected) {
        QFile inf(out.filePath(QString(name).replace(".bgl", ".inf")));
        QFile bgl(out.filePath(name));
        QVERIFY(inf.open(QIODevice::ReadOnly) && bgl.open(QIODevice::ReadOnly));
        QCOMPARE(bgl.readAll(),
                 "ORVIK stand-in BGL\nSHA-1 "
                         + QCryptographicHash::hash(inf.readAll(), QCryptographicHash::Sha1).toHex()
                         + "\n");
    }
    QCOMPARE(QFileInfo::exists(out.path()), !expected.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Resampler)
#include "tst_resampler.moc"
