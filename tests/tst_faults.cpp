// Faults met during a run: a destination that refuses writes, runs full or disappears, and source
// tiles that change after the scan. A disk runs full as a small tmpfs where root may mount one,
// and through a file-size limit everywhere.

#include "engine/k_builderthread.h"

#include "testconversion.h"
#include "tiffsamples.h"
#include "tilebitmapwriter.h"

#include <QDir>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

namespace {

// Three destination tiles at BGL LOD 12, named by the digits that follow B: D0 and D1 are complete
// quartets saved as one 512x512 picture each; D2 holds one tile, D20, saved as a 256x256 picture.
const QString B = QStringLiteral("0123012301230");

enum Fault { ReadOnly, Full, InfFull, SizeLimit, InfFolder, Removed, Replaced, TileGone, TileCut };
enum Moment { BeforeTheRun, WhenStep2Begins, BeforeD0IsSaved, AfterD0IsSaved };

// "D0 saved, D03 read error: File not exists": the log of a run, which always ends complete.
QStringList logLines(const QString &description)
{
    QStringList lines;
    for (const QString &entry : description.split(QLatin1String(", "), Qt::SkipEmptyParts)) {
        const QString what = entry.section(' ', 1);
        lines << QStringLiteral("%1 \"%2\" %3.")
                         .arg(what.startsWith("read") ? "BMP tile" : "Tile",
                              B + entry.section(' ', 0, 0).mid(1), what);
    }
    return lines << QStringLiteral("Converting complete.");
}

// "D0 D1.inf D20.tif": a tile's .inf and picture of its own key, or the one file named.
QStringList outputFiles(const QString &description)
{
    QStringList files;
    for (const QString &name : description.split(' ', Qt::SkipEmptyParts)) {
        const QString key = B + name.section('.', 0, 0).mid(1);
        if (!name.endsWith(QLatin1String(".tif")))
            files << key + ".inf";
        if (!name.endsWith(QLatin1String(".inf")))
            files << QStringLiteral("Source/%1/%2.tif").arg(key.left(14), key);
    }
    files.sort();
    return files;
}

// Writes past `bytes` fail as on a full disk instead of raising SIGXFSZ; -1 lifts the limit.
bool limitFileSize(qint64 bytes)
{
#ifdef Q_OS_UNIX
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes < 0 ? limit.rlim_max : rlim_t(bytes);
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
#else
    Q_UNUSED(bytes);
    return false;
#endif
}

// Mounts a small tmpfs at `folder` (only root may), remounts it read-only, or unmounts it.
bool tmpfs(const QString &folder, const char *how)
{
#ifdef Q_OS_LINUX
    const QByteArray path = QFile::encodeName(folder);
    if (qstrcmp(how, "unmount") == 0)
        return ::umount2(path, MNT_DETACH) == 0;
    const unsigned long flags = qstrcmp(how, "read-only") == 0 ? MS_REMOUNT | MS_RDONLY : 0;
    return ::mount("tmpfs", path, "tmpfs", flags, "size=8m") == 0;
#else
    Q_UNUSED(folder);
    Q_UNUSED(how);
    return false;
#endif
}

// Strikes `fault` at the destination "out" below `root`, which is a tmpfs of its own for the
// faults that fill it or make it read-only, or at the source tile D03 in `source`.
bool strike(Fault fault, const QString &root, const QString &source)
{
    const QString destination = root + QLatin1String("/out");
    QFile tile(source + '/' + B + "03SU.BMP");
    switch (fault) {
    case ReadOnly:
        return tmpfs(root, "read-only");
    case SizeLimit:
        return limitFileSize(512 * 1024);
    case InfFolder:
        return QDir().mkpath(destination + '/' + B + "0.inf");
    case Removed:
    case Replaced:
        return QDir(destination).removeRecursively()
               && (fault == Removed || TileBitmap::writeBytes(destination, "not a folder"));
    case TileGone:
        return tile.remove();
    case TileCut:
        return tile.resize(1000);
    case Full:
    case InfFull:
        break;
    }
    // Full leaves room for the 256x256 picture only; InfFull for the pixels of a
    // 512x512 picture and a page for its header, but not for the .inf after it.
    const qint64 room = fault == Full ? 512 * 1024 : 512 * 512 * 4 + 4096;
    QFile filler(root + QLatin1String("/filler"));
    const QByteArray bytes(QStorageInfo(root).bytesAvailable() - room, 'f');
    return filler.open(QIODevice::WriteOnly) && filler.write(bytes) == bytes.size()
           && filler.flush() && QStorageInfo(root).bytesAvailable() == room;
}

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void keepsGoingAfterAFault_data();
    void keepsGoingAfterAFault();
};

void tst_Faults::keepsGoingAfterAFault_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Moment>("moment");
    QTest::addColumn<QString>("older"); // files there before the run, to be kept
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("files");

    const QString all = QStringLiteral("D0 D1 D2.inf D20.tif");
    QTest::newRow("read-only destination")
            << ReadOnly << BeforeTheRun << QString("D0")
            << "D0 save error, D1 save error, D20 save error" << QString("D0");
    QTest::newRow("disk runs full while saving a picture")
            << Full << AfterD0IsSaved << QString("D1") << "D0 saved, D1 save error, D2 saved"
            << all;
    QTest::newRow("file size limit reached while saving a picture")
            << SizeLimit << AfterD0IsSaved << QString("D1") << "D0 saved, D1 save error, D2 saved"
            << all;
    QTest::newRow("disk runs full while writing the .inf")
            << InfFull << BeforeD0IsSaved << QString("D0.inf")
            << "D0 .inf create error, D0 saved, D1 save error, D20 save error" << QString("D0");
    QTest::newRow(".inf name taken by a folder")
            << InfFolder << BeforeTheRun << QString()
            << "D0 .inf create error, D0 saved, D1 saved, D2 saved"
            << QString("D0.tif D1 D2.inf D20.tif");
    QTest::newRow("destination removed before a picture is saved")
            << Removed << BeforeD0IsSaved << QString() << "D0 saved, D1 saved, D2 saved" << all;
    QTest::newRow("destination replaced by a file")
            << Replaced << AfterD0IsSaved << QString() << "D0 saved, D1 save error, D20 save error"
            << QString();
    // The broken tile is passed: D0 is incomplete, so its other quadrants are saved on their own.
    const QString quadrants = QStringLiteral("D0.inf D00.tif D01.tif D02.tif D1 D2.inf D20.tif");
    QTest::newRow("source tile deleted after the scan")
            << TileGone << WhenStep2Begins << QString()
            << "D03 read error: File not exists, D0 saved, D1 saved, D2 saved" << quadrants;
    QTest::newRow("source tile truncated after the scan")
            << TileCut << WhenStep2Begins << QString()
            << "D03 read error: Compressed image reading error, D0 saved, D1 saved, D2 saved"
            << quadrants;
}

void tst_Faults::keepsGoingAfterAFault()
{
    QFETCH(Fault, fault);
    QFETCH(Moment, moment);
    QFETCH(QString, older);

    QTemporaryDir source;
    const QStringList keys = TileBitmap::keysUnder(B + "0") + TileBitmap::keysUnder(B + "1")
                             << B + "20";
    for (int i = 0; i < keys.size(); ++i)
        QVERIFY(TileBitmap::write(source.filePath(keys[i] + "SU.BMP"), TileBitmap::pattern(i)));
    QTemporaryDir work;
    const bool onTmpfs = fault == ReadOnly || fault == Full || fault == InfFull;
    if (onTmpfs && !tmpfs(work.path(), "mount"))
        QSKIP("mounting a tmpfs needs root");
    const auto unmount = qScopeGuard([&] {
        if (onTmpfs)
            tmpfs(work.path(), "unmount");
    });
    if (fault == SizeLimit && !limitFileSize(-1))
        QSKIP("file sizes cannot be limited here");
    const QString destination = work.filePath("out");
    for (const QString &file : outputFiles(older)) {
        QVERIFY(QDir().mkpath(QFileInfo(destination + '/' + file).path()));
        QVERIFY(TileBitmap::writeBytes(destination + '/' + file, "older " + file.toUtf8()));
    }

    // During the run the fault strikes in the worker, and the outcome is checked afterwards.
    int struck = moment == BeforeTheRun ? (strike(fault, work.path(), source.path()) ? 1 : -1) : 0;
    // The event at each moment, in their order: D0 is saved right after the fifth node of step 2,
    // its last source tile.
    const QString step2 = QStringLiteral("text: Step 2 of 2. Build images...");
    const QString trigger
            = QStringList{QString(), step2, "node 5", "log: " + logLines("D0 saved")[0]}[moment];
    TestConversion conversion;
    int nodes = -1;
    conversion.onEvent = [&](const QString &event) {
        if (event == step2)
            nodes = 0;
        else if (nodes >= 0 && event.startsWith(QLatin1String("value: ")))
            ++nodes;
        if (!struck && (event == trigger || QStringLiteral("node %1").arg(nodes) == trigger))
            struck = strike(fault, work.path(), source.path()) ? 1 : -1;
    };
    K_BuilderThread::Settings settings;
    settings.sourceFolder = source.path();
    settings.destinationFolder = destination;
    settings.bglLod = 12;
    conversion.run(settings);
    limitFileSize(-1);

    QCOMPARE(struck, 1);
    QFETCH(QString, log);
    QCOMPARE(conversion.log(), logLines(log));
    QFETCH(QString, files);
    QCOMPARE(filesBelow(destination), outputFiles(files));
    // Every file left is an older one untouched, a TIFF that reads back whole or a complete .inf.
    for (const QString &file : outputFiles(files)) {
        QFile read(destination + '/' + file);
        QVERIFY(read.open(QIODevice::ReadOnly));
        const QByteArray bytes = read.readAll();
        if (outputFiles(older).contains(file)) {
            QCOMPARE(bytes, "older " + file.toUtf8());
        } else if (file.endsWith(QLatin1String(".tif"))) {
            const int side = QFileInfo(file).completeBaseName().size() == 15 ? 256 : 512;
            QCOMPARE(readTiffSamples(read.fileName()).size(), QSize(side, side));
        } else {
            QVERIFY2(bytes.startsWith("[Source]\n") && bytes.endsWith("CompressionQuality = 95\n"),
                     qPrintable(file));
        }
    }
}

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_faults.moc"
