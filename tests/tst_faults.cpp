// Faults met on the way out and on the way in: a destination that refuses writes, runs full or
// disappears during the run, and source tiles that change after the scan. The cases that need a
// file system of their own mount a small tmpfs, which only root may do; elsewhere they are
// skipped, and tst_builderthread's file-size limit still stands in for a full disk.

#include "engine/k_builderthread.h"
#include "tiles/k_flightsimulatortile.h"

#include "testconversion.h"
#include "tiffsamples.h"
#include "tilebitmapwriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

using Settings = K_BuilderThread::Settings;

namespace {

// Three destination tiles at BGL LOD 12: two complete quartets, each one 512x512 picture of about
// 1 MiB, and a lone tile that is saved as a 256x256 picture under its own key.
const QString B = QStringLiteral("0123012301230");
const QString D1 = B + QLatin1Char('0');
const QString D2 = B + QLatin1Char('1');
const QString D3 = B + QLatin1Char('2');
const QString Lone = D3 + QLatin1Char('0');
// The fifth node of step 2 is D1's last source tile; D1's picture is saved right after it.
const QString BeforeD1IsSaved = QStringLiteral("node 5");

QString saved(const QString &key)
{
    return QStringLiteral("Tile \"%1\" saved.").arg(key);
}

QString saveError(const QString &key)
{
    return QStringLiteral("Tile \"%1\" save error.").arg(key);
}

QString picture(const QString &destination, const QString &key)
{
    return QStringLiteral("Source/%1/%2.tif").arg(destination, key);
}

QStringList allFiles()
{
    return {D1 + ".inf",     D2 + ".inf",     D3 + ".inf",
            picture(D1, D1), picture(D2, D2), picture(D3, Lone)};
}

QByteArray olderContents(const QString &path)
{
    return "an older file kept at " + path.toUtf8();
}

void writeSourceTiles(const QString &folder)
{
    int seed = 0;
    QStringList keys;
    for (int d = 0; d < 4; ++d)
        keys << D1 + QString::number(d) << D2 + QString::number(d);
    keys << Lone;
    for (const QString &key : qAsConst(keys)) {
        QVERIFY(TileBitmap::write(folder + QLatin1Char('/') + key + QLatin1String("SU.BMP"),
                                  TileBitmap::pattern(++seed)));
    }
}

// What a saved 512x512 picture takes on disk: the same writer on a picture of that size.
qint64 destinationPictureBytes()
{
    QImage image(512, 512, QImage::Format_ARGB32);
    image.fill(0);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setQuality(100);
    return writer.write(image) ? buffer.size() : -1;
}

// A tmpfs of the given size mounted on a fresh folder for one test, unmounted when it goes.
class TmpfsMount
{
public:
    explicit TmpfsMount(qint64 bytes)
    {
        if (!m_folder.isValid()) {
            m_error = QStringLiteral("no temporary folder");
            return;
        }
#ifdef Q_OS_LINUX
        if (geteuid() != 0) {
            m_error = QStringLiteral("mounting a tmpfs needs root");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(bytes);
        if (::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", 0,
                    options.constData())
            != 0) {
            m_error = QStringLiteral("mounting a tmpfs failed: %1")
                              .arg(QString::fromLocal8Bit(strerror(errno)));
            return;
        }
        m_mounted = true;
#else
        Q_UNUSED(bytes);
        m_error = QStringLiteral("tmpfs mounts exist on Linux only");
#endif
    }

    ~TmpfsMount()
    {
#ifdef Q_OS_LINUX
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
#endif
    }

    bool isMounted() const
    {
        return m_mounted;
    }
    QString errorString() const
    {
        return m_error;
    }
    QString path() const
    {
        return m_folder.path();
    }

    bool remountReadOnly()
    {
#ifdef Q_OS_LINUX
        return ::mount(nullptr, QFile::encodeName(path()).constData(), nullptr,
                       MS_REMOUNT | MS_RDONLY, nullptr)
               == 0;
#else
        return false;
#endif
    }

    qint64 freeBytes() const
    {
#ifdef Q_OS_LINUX
        struct statvfs info;
        if (::statvfs(QFile::encodeName(path()).constData(), &info) == 0)
            return qint64(info.f_bavail) * qint64(info.f_frsize);
#endif
        return -1;
    }

    // Takes up the space beyond `bytes` with a file of its own; true when exactly that is left.
    bool fillLeaving(qint64 bytes)
    {
        QFile filler(path() + QLatin1String("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        const QByteArray chunk(64 * 1024, 'f');
        for (qint64 rest = freeBytes() - bytes; rest > 0; rest -= chunk.size()) {
            if (filler.write(chunk.constData(), qMin<qint64>(rest, chunk.size())) < 0)
                return false;
        }
        filler.close();
        return freeBytes() == bytes;
    }

private:
    QTemporaryDir m_folder;
    QString m_error;
    bool m_mounted = false;
};

// The files the run left: every TIFF reads back whole, every .inf written by the run is complete.
void checkWholeFiles(const QString &folder, const QStringList &files, const QStringList &older)
{
    for (const QString &file : files) {
        const QString path = folder + QLatin1Char('/') + file;
        if (older.contains(file)) {
            QFile kept(path);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), olderContents(file));
        } else if (file.endsWith(QLatin1String(".tif"))) {
            const int side = QFileInfo(file).completeBaseName().size() == 15 ? 256 : 512;
            QCOMPARE(readTiffSamples(path).size(), QSize(side, side));
        } else {
            QFile inf(path);
            QVERIFY(inf.open(QIODevice::ReadOnly));
            const QByteArray text = inf.readAll();
            QVERIFY2(text.startsWith("[Source]\n") && text.endsWith("CompressionQuality = 95\n"),
                     qPrintable(file));
        }
    }
}

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void keepsGoingWhenDestinationFails_data();
    void keepsGoingWhenDestinationFails();
    void keepsGoingWhenSourceTileChanges_data();
    void keepsGoingWhenSourceTileChanges();

private:
    Settings settings(const QString &destination, bool passBrokenTiles = true) const;

    QScopedPointer<QTemporaryDir> m_source;
};

void tst_Faults::init()
{
    m_source.reset(new QTemporaryDir);
    QVERIFY(m_source->isValid());
    writeSourceTiles(m_source->path());
}

Settings tst_Faults::settings(const QString &destination, bool passBrokenTiles) const
{
    Settings settings;
    settings.sourceFolder = m_source->path();
    settings.destinationFolder = destination;
    settings.bglLod = 12;
    settings.passBrokenTiles = passBrokenTiles;
    return settings;
}

void tst_Faults::keepsGoingWhenDestinationFails_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<QString>("trigger"); // the event at which the fault strikes
    QTest::addColumn<QStringList>("older"); // files there before the run, to be kept
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("files");

    const QString complete = QStringLiteral("Converting complete.");
    QTest::newRow("read-only destination")
            << "read-only" << true << QString() << QStringList{D1 + ".inf", picture(D1, D1)}
            << QStringList{saveError(D1), saveError(D2), saveError(Lone), complete}
            << QStringList{D1 + ".inf", picture(D1, D1)};
    QTest::newRow("disk runs full while saving a picture")
            << "full" << true << "log: " + saved(D1) << QStringList{D2 + ".inf", picture(D2, D2)}
            << QStringList{saved(D1), saveError(D2), saved(D3), complete} << allFiles();
    QTest::newRow("disk runs full while writing the .inf")
            << "full after the picture" << true << BeforeD1IsSaved << QStringList{D1 + ".inf"}
            << QStringList{QString("Tile \"%1\" .inf create error.").arg(D1), saved(D1),
                           saveError(D2), saveError(Lone), complete}
            << QStringList{D1 + ".inf", picture(D1, D1)};
    QTest::newRow("destination removed before a picture is saved")
            << "removed" << false << BeforeD1IsSaved << QStringList()
            << QStringList{saved(D1), saved(D2), saved(D3), complete} << allFiles();
    QTest::newRow("destination removed after the first tile")
            << "removed" << false << "log: " + saved(D1) << QStringList()
            << QStringList{saved(D1), saved(D2), saved(D3), complete}
            << QStringList{D2 + ".inf", D3 + ".inf", picture(D2, D2), picture(D3, Lone)};
    QTest::newRow("destination replaced by a file")
            << "replaced" << false << "log: " + saved(D1) << QStringList()
            << QStringList{saved(D1), saveError(D2), saveError(Lone), complete} << QStringList();
}

void tst_Faults::keepsGoingWhenDestinationFails()
{
    QFETCH(QString, fault);
    QFETCH(bool, mounted);
    QFETCH(QString, trigger);
    QFETCH(QStringList, older);
    QFETCH(QStringList, files);

    QTemporaryDir work;
    QScopedPointer<TmpfsMount> disk;
    QString root = work.path();
    if (mounted) {
        disk.reset(new TmpfsMount(8 * 1024 * 1024));
        if (!disk->isMounted())
            QSKIP(qPrintable(disk->errorString()));
        root = disk->path();
    }
    const QString destination = root + QLatin1String("/out");
    for (const QString &file : older) {
        QVERIFY(QDir().mkpath(QFileInfo(destination + QLatin1Char('/') + file).path()));
        QVERIFY(TileBitmap::writeBytes(destination + QLatin1Char('/') + file, olderContents(file)));
    }
    if (fault == QLatin1String("read-only"))
        QVERIFY(disk->remountReadOnly());
    const qint64 pictureBytes = destinationPictureBytes();
    QVERIFY(pictureBytes > 512 * 512 * 4);

    TestConversion conversion;
    int nodes = -1;
    bool struck = false;
    bool faultSet = false;
    conversion.onEvent = [&](const QString &event) {
        if (event == QLatin1String("text: Step 2 of 2. Build images..."))
            nodes = 0;
        else if (nodes >= 0 && event.startsWith(QLatin1String("value: ")))
            ++nodes;
        if (struck || (event != trigger && QStringLiteral("node %1").arg(nodes) != trigger))
            return;
        struck = true;
        // Runs in the worker: the outcome is checked once the run is over.
        if (fault == QLatin1String("full")) {
            faultSet = disk->fillLeaving(512 * 1024);
        } else if (fault == QLatin1String("full after the picture")) {
            const qint64 page = 4096;
            faultSet = disk->fillLeaving((pictureBytes + page - 1) / page * page);
        } else {
            faultSet = QDir(destination).removeRecursively();
            if (fault == QLatin1String("replaced"))
                faultSet = faultSet && TileBitmap::writeBytes(destination, "not a folder");
        }
    };
    conversion.run(settings(destination));

    QCOMPARE(struck, !trigger.isEmpty());
    QCOMPARE(faultSet, !trigger.isEmpty());
    QTEST(conversion.log(), "log");
    QCOMPARE(filesBelow(destination), files);
    checkWholeFiles(destination, files, older);
}

void tst_Faults::keepsGoingWhenSourceTileChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("passBrokenTiles");
    QTest::addColumn<QString>("error");

    QTest::newRow("deleted, passed") << "delete" << true << "File not exists";
    QTest::newRow("deleted, painted white") << "delete" << false << "File not exists";
    QTest::newRow("truncated to nothing") << "cut 0" << true << "BMP file header reading error";
    QTest::newRow("truncated in the info header")
            << "cut 40" << true << "BMP info header reading error";
    QTest::newRow("truncated in the blocks, passed")
            << "cut 1000" << true << "Compressed image reading error";
    QTest::newRow("truncated in the blocks, painted white")
            << "cut 1000" << false << "Compressed image reading error";
    QTest::newRow("replaced by a folder") << "folder" << true << "File opening error";
}

void tst_Faults::keepsGoingWhenSourceTileChanges()
{
    QFETCH(QString, change);
    QFETCH(bool, passBrokenTiles);
    QFETCH(QString, error);

    // D1's south-east tile changes after the scan has listed it.
    const QString changed = D1 + QLatin1Char('3');
    const QString path = m_source->filePath(changed + QLatin1String("SU.BMP"));
    QTemporaryDir destination;
    TestConversion conversion;
    bool changedOk = false;
    conversion.onEvent = [&](const QString &event) {
        if (event != QLatin1String("text: Step 2 of 2. Build images..."))
            return;
        QFile file(path);
        if (change == QLatin1String("delete")) {
            changedOk = file.remove();
        } else if (change == QLatin1String("folder")) {
            changedOk = file.remove() && QDir().mkdir(path);
        } else {
            changedOk = file.resize(change.section(QLatin1Char(' '), 1).toLongLong());
        }
    };
    conversion.run(settings(destination.path(), passBrokenTiles));
    QVERIFY(changedOk);

    QCOMPARE(conversion.log(),
             QStringList({QStringLiteral("BMP tile \"%1\" read error: %2.").arg(changed, error),
                          saved(D1), saved(D2), saved(D3), "Converting complete."}));
    // Passed, the broken tile leaves D1 incomplete and its three other quadrants are saved each
    // on its own; painted white, D1 stays one picture.
    QStringList files = allFiles();
    if (passBrokenTiles) {
        files.removeOne(picture(D1, D1));
        for (int d = 0; d < 3; ++d)
            files << picture(D1, D1 + QString::number(d));
    }
    files.sort();
    QCOMPARE(filesBelow(destination.path()), files);
    checkWholeFiles(destination.path(), files, QStringList());
    if (!passBrokenTiles) {
        const QImage whole = readTiffSamples(destination.filePath(picture(D1, D1)));
        QCOMPARE(whole.pixel(256, 256), 0xffffffffu);
        QCOMPARE(whole.pixel(511, 511), 0xffffffffu);
    }
}

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_faults.moc"
