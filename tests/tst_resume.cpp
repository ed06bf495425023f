// One row runs a tile's read out of memory: this program's allocator fails on demand, so
// scripts/tsan.sh leaves it out, where the toolkit's allocations would pass through it, out of
// reach of the suppressions in .ci/tsan.supp.

#include "tiles/k_sampletiles.h"
#include "tiles/k_tilebitmapwriter.h"
#include "tiles/k_tilereadahead.h"

#include "testconversion.h"
#include "testplatform.h"

#include <QLockFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace {

// Once armed, the first allocation on a thread other than the two spared ones fails: that of a
// tile's read on a thread of the read-ahead.
std::atomic<bool> failOnce{false};
std::thread::id spared[2];

void *allocate(std::size_t size)
{
    const std::thread::id self = std::this_thread::get_id();
    if (failOnce.load() && self != spared[0] && self != spared[1] && failOnce.exchange(false))
        throw std::bad_alloc();
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

// What comes between a first run of the sample and a run that skips what is converted.
enum class Change {
    Nothing,
    TileRewritten, // a tile of the first destination gets other pixels
    TileTouched, // its times change, as when it is moved in with its old date
    TileDeleted,
    TileChangedWhileBuilt, // after the first run read it, before it wrote the .inf
    TileUnreadable, // in the first run, then readable again
    TileOutOfMemory, // its read ran out of memory in the first run
    TileAdded, // the first run lacked one tile of the 4x4 block, so the pictures change
    TilesTransparent, // the first destination yields no picture now
    PictureMissing,
    PictureTruncated,
    PictureOverwritten, // 16 KiB in place, same size
    SaveError, // in the first run
    MirrorNow, // the first run mirrored its tiles
    SeasonsNow, // the first run converted no seasons
    EmptySeason, // both with seasons; one season's only tile is transparent
    BrokenOffRun, // a run without skipping, broken off in the first destination, between
    ByteOrderMark, // put in front of the record
    HeldByAnother, // another program holds the folder
    HeldByTheDead, // a killed run left its lock
};

QString tileFile(const QString &folder, const QString &key)
{
    return folder + '/' + key + "SU.BMP";
}

} // namespace

// Every plain form, so that what one allocates another never frees.
void *operator new(std::size_t size)
{
    return allocate(size);
}
void *operator new[](std::size_t size)
{
    return allocate(size);
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    return std::malloc(size ? size : 1);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    return std::malloc(size ? size : 1);
}
void operator delete(void *memory) noexcept
{
    std::free(memory);
}
void operator delete[](void *memory) noexcept
{
    std::free(memory);
}
void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void *memory, std::size_t) noexcept
{
    std::free(memory);
}

Q_DECLARE_METATYPE(Change)

class tst_Resume : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        installEnglishPluralForms();
        spared[0] = std::this_thread::get_id();
    }
    void provesWhatItSkips_data();
    void provesWhatItSkips();
};

void tst_Resume::provesWhatItSkips_data()
{
    // What the resumed run says of each destination tile, and a line it must log besides; what it
    // leaves must be what a clean run of the tiles and settings it has then leaves.
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QString>("line");
    const QStringList both{"already converted", "already converted"};
    const QStringList first{"saved", "already converted"};
    const QStringList second{"already converted", "saved"};
    QTest::newRow("nothing") << Change::Nothing << both << "";
    QTest::newRow("a tile with other pixels") << Change::TileRewritten << first << "";
    QTest::newRow("a tile moved in with its old date") << Change::TileTouched << first << "";
    QTest::newRow("a tile deleted") << Change::TileDeleted << first << "";
    QTest::newRow("a tile changed while it was built")
            << Change::TileChangedWhileBuilt << second << "";
    QTest::newRow("a tile that could not be read") << Change::TileUnreadable << first << "";
    QTest::newRow("a tile that ran out of memory") << Change::TileOutOfMemory << first << "";
    QTest::newRow("a tile added: the pictures of the earlier layout go")
            << Change::TileAdded << first
            << "Removed 6 pictures of an earlier build of tile \"0123012301\"";
    QTest::newRow("a destination without a picture now: its files go")
            << Change::TilesTransparent << QStringList{"yields no picture now", "already converted"}
            << "its earlier .inf file and 4 pictures are removed";
    QTest::newRow("a picture missing") << Change::PictureMissing << first << "";
    QTest::newRow("a picture truncated") << Change::PictureTruncated << first << "";
    QTest::newRow("a picture overwritten in place") << Change::PictureOverwritten << first << "";
    QTest::newRow("a save error in the first run") << Change::SaveError << first << "";
    QTest::newRow("other settings") << Change::MirrorNow << QStringList{"saved", "saved"} << "";
    QTest::newRow("seasons asked for only now") << Change::SeasonsNow << first << "";
    QTest::newRow("a season without a picture") << Change::EmptySeason << both << "";
    QTest::newRow("a run broken off between keeps what it did not touch")
            << Change::BrokenOffRun << first << "";
    QTest::newRow("a byte-order mark before the record") << Change::ByteOrderMark << both << "";
    QTest::newRow("another run holds the folder")
            << Change::HeldByAnother << QStringList()
            << QString("is being converted already, by %1")
                       .arg(QCoreApplication::applicationName());
    QTest::newRow("a killed run's lock is taken over") << Change::HeldByTheDead << both << "";
}

void tst_Resume::provesWhatItSkips()
{
    QFETCH(Change, change);
    const QStringList Keys = K_SampleTiles::destinationKeys();
    QTemporaryDir dir;
    K_BuilderThread::Settings settings{dir.filePath("tiles"), dir.filePath("out")};
    QVERIFY(K_SampleTiles::write(settings.sourceFolder));
    const QString firstTile = tileFile(settings.sourceFolder, K_SampleTiles::keys().first());
    const QString lastOfBlock = tileFile(settings.sourceFolder, Keys[0] + "21333");
    const QString secondTile = tileFile(settings.sourceFolder, Keys[1] + "30010");
    const QString picture
            = settings.destinationFolder + "/Source/" + Keys[0] + '/' + Keys[0] + "213.tif";
    settings.convertSeasons = change == Change::EmptySeason;
    QVERIFY(!settings.convertSeasons
            || QFile::copy(tileFile(settings.sourceFolder, K_SampleTiles::transparentKey()),
                           settings.sourceFolder + '/' + Keys[1] + "30010WI.BMP"));
    if (change == Change::TileUnreadable && QDir::separator() == '\\')
        QSKIP("a file held open on Windows stays so until this program ends");
    if (change == Change::TileOutOfMemory
        && (K_TileReadAhead::slotCount(2) < 2 || QDir::separator() == '\\'))
        QSKIP("With one core no tile is read on a thread of its own; on Windows a program's own "
              "operator new does not reach into the toolkit's libraries.");
    const QString held = tileFile(dir.path(), "held");
    QVERIFY(change != Change::TileAdded || QFile::rename(lastOfBlock, held));
    QVERIFY(change != Change::TileUnreadable
            || (QFile::rename(firstTile, held) && TestPlatform::makeUnopenable(firstTile)));
    QVERIFY(change != Change::SaveError || QDir().mkpath(picture));
    settings.verticalMirrorSourceTiles = change == Change::MirrorNow;

    TestConversion firstRun;
    firstRun.onEvent = [&](const QString &event) {
        if (change == Change::TileChangedWhileBuilt && event.startsWith("log: BMP tile"))
            QVERIFY(K_TileBitmapWriter::write(secondTile, K_TileBitmapWriter::pattern(77)));
        if (change == Change::TileOutOfMemory && event.startsWith("text: Step 2")) {
            spared[1] = std::this_thread::get_id();
            failOnce = true;
        }
        // Held until the thread of the read-ahead has taken the first tile and failed on it.
        for (int i = 0; i < 100 && failOnce && event.startsWith("value: "); ++i)
            QThread::msleep(5);
    };
    firstRun.run(settings);
    // A read that ran out of memory is a read error of that tile alone.
    QVERIFY(!failOnce.exchange(false));
    const QRegularExpression outOfMemory("^BMP tile \"\\d{15}\" read error: Not enough memory\\.$");
    QCOMPARE(firstRun.log().filter(outOfMemory).size(), int(change == Change::TileOutOfMemory));
    QCOMPARE(firstRun.log().last(), QString("Converting complete."));

    // The change, and the settings of the resumed run.
    settings.verticalMirrorSourceTiles = false;
    settings.convertSeasons = change == Change::SeasonsNow || change == Change::EmptySeason;
    QVERIFY(change != Change::SaveError || QDir(picture).removeRecursively());
    QVERIFY(change != Change::TileUnreadable
            || (QFile::remove(firstTile) && QFile::rename(held, firstTile)));
    QVERIFY(change != Change::TileAdded || QFile::rename(held, lastOfBlock));
    QVERIFY(change != Change::TileRewritten
            || K_TileBitmapWriter::write(firstTile, K_TileBitmapWriter::pattern(99)));
    QVERIFY(change != Change::TileDeleted || QFile::remove(firstTile));
    QFile tile(firstTile);
    QVERIFY(change != Change::TileTouched
            || (tile.open(QIODevice::ReadWrite)
                && tile.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                    QFileDevice::FileModificationTime)));
    tile.close();
    if (change == Change::TilesTransparent) {
        for (const QString &key : K_SampleTiles::keys().filter(QRegularExpression("^" + Keys[0])))
            QVERIFY(K_TileBitmapWriter::write(tileFile(settings.sourceFolder, key),
                                              K_TileBitmapWriter::pattern(5, 0)));
    }
    QFile file(picture);
    QVERIFY(change != Change::PictureMissing || file.remove());
    QVERIFY(change != Change::PictureTruncated || file.resize(0));
    QVERIFY(change != Change::PictureOverwritten
            || (file.open(QIODevice::ReadWrite) && file.seek(4096)
                && file.write(QByteArray(16384, 'x')) == 16384));
    file.close();
    if (change == Change::BrokenOffRun) {
        // Without skipping, broken off as it begins the first destination.
        TestConversion brokenOff;
        bool building = false;
        brokenOff.onEvent = [&](const QString &event) {
            building = building || event.startsWith("text: Step 2");
            if (building && event.startsWith("value: ") && event != "value: 0")
                brokenOff.requestBreak();
        };
        brokenOff.run(settings);
        QCOMPARE(brokenOff.log().last(), QString("Break."));
    }
    const QByteArray record = contentsBelow(settings.destinationFolder)["ORVIK-converted.txt"];
    QVERIFY(change != Change::ByteOrderMark
            || K_TileBitmapWriter::writeBytes(settings.destinationFolder + "/ORVIK-converted.txt",
                                              "\xef\xbb\xbf" + record));
    QLockFile lock(settings.destinationFolder + "/ORVIK.lock");
    QVERIFY(change != Change::HeldByAnother || lock.tryLock(0));
    QVERIFY(change != Change::HeldByTheDead
            || K_TileBitmapWriter::writeBytes(lock.fileName(), "999999999\norvik-convert\n\n"));

    settings.skipConverted = true;
    TestConversion resumed;
    resumed.run(settings);
    const QStringList log = resumed.log();
    QFETCH(QStringList, said);
    QFETCH(QString, line);
    for (int i = 0; i < said.size(); ++i)
        QVERIFY2(!log.filter("Tile \"" + Keys[i] + "\" " + said[i]).isEmpty(),
                 qPrintable(log.join('\n')));
    QVERIFY2(line.isEmpty() || !log.filter(line).isEmpty(), qPrintable(log.join('\n')));
    if (change == Change::HeldByAnother) {
        QCOMPARE(log.size(), 1);
        return;
    }
    // Left as a clean run of the tiles and settings as they are now leaves it.
    QMap<QString, QByteArray> left = contentsBelow(settings.destinationFolder);
    QVERIFY(QDir(settings.destinationFolder).removeRecursively());
    settings.skipConverted = false;
    TestConversion().run(settings);
    QMap<QString, QByteArray> clean = contentsBelow(settings.destinationFolder);
    left.remove("ORVIK-converted.txt");
    clean.remove("ORVIK-converted.txt");
    QCOMPARE(left.keys(), clean.keys());
    QVERIFY(left == clean);
}

QTEST_GUILESS_MAIN(tst_Resume)
#include "tst_resume.moc"
