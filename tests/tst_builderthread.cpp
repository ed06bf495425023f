#include "engine/k_builderthread.h"
#include "tiles/k_flightsimulatorbmpreader.h"
#include "tiles/k_flightsimulatortile.h"

#include "testconversion.h"
#include "tiffsamples.h"
#include "tilebitmapwriter.h"

#include <QDir>
#include <QDirIterator>
#include <QMutex>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using Settings = K_BuilderThread::Settings;

namespace {

// Source tiles used below: B is a level-11 key, so B + two digits are source tile keys.
const QString B = QStringLiteral("0123012301230");

using Conversion = TestConversion;

// Writes key + "SU.BMP" of a kind: "opaque" (DXT1), "alpha" (DXT5, alpha from 0 to 255),
// "alpha3" (the same in DXT3), "hidden" (DXT5, colours under alpha 0, which painting clears),
// "transparent" (DXT1, alpha 0), "broken" (cut short), "small" (128x128) or "small transparent".
// Each key gets its own picture.
void writeTile(const QString &folder, const QString &key, const QString &kind = "opaque")
{
    TileBitmap::Fields fields;
    if (kind == "alpha" || kind == "hidden")
        fields.dxt = TileBitmap::Dxt::Dxt5;
    else if (kind == "alpha3")
        fields.dxt = TileBitmap::Dxt::Dxt3;
    if (kind == "broken")
        fields.cutAt = 1000;
    const int alpha = kind.startsWith("alpha")                             ? -1
                      : (kind == "hidden" || kind.endsWith("transparent")) ? 0
                                                                           : 255;
    const QImage picture = TileBitmap::pattern(int(qHash(key) % 1000), alpha,
                                               kind.startsWith("small") ? 128 : 256);
    QVERIFY(TileBitmap::writeBytes(folder + "/" + key + "SU.BMP",
                                   TileBitmap::build(picture, fields)));
}

// "key:kind" entries; "key*" stands for every source tile below key, of mixed kinds.
QMap<QString, QString> expandTiles(const QStringList &entries)
{
    QMap<QString, QString> tiles;
    for (const QString &entry : entries) {
        const QString key = entry.section(':', 0, 0);
        if (key.endsWith('*')) {
            const QStringList keys = TileBitmap::keysUnder(key.chopped(1));
            for (int i = 0; i < keys.size(); ++i)
                tiles.insert(keys.at(i), QStringList{"opaque", "alpha", "alpha3"}.at(i % 3));
        } else {
            tiles.insert(key,
                         entry.section(':', 1, 1).isEmpty() ? "opaque" : entry.section(':', 1));
        }
    }
    return tiles;
}

// Conversion options as words: "single" (single destination image), "keep" (neither
// transparent nor broken tiles passed), "white" (broken tiles not passed), "mirror" (vertical
// mirror source tiles).
struct Options
{
    explicit Options(const QString &words = QString())
        : single(words.contains("single"))
        , passTransparent(!words.contains("keep"))
        , passBroken(!words.contains("keep") && !words.contains("white"))
        , mirror(words.contains("mirror"))
    { }
    bool single;
    bool passTransparent;
    bool passBroken;
    bool mirror;
};

// The picture of a node as painting it level by level gives: every quadrant drawn onto a
// transparent picture of twice the side with the painter's default source-over composition.
QImage literalPicture(const QString &key, const QString &folder, const Options &options)
{
    if (key.size() == 15) {
        K_FlightSimulatorBMPReader reader(folder + QLatin1Char('/') + key
                                          + QLatin1String("SU.BMP"));
        QImage picture;
        bool transparent = false;
        if (reader.read() && reader.image().size() == QSize(256, 256)) {
            picture = options.mirror ? reader.image().mirrored(false, true) : reader.image();
            transparent = reader.isCompletelyTransparent();
        }
        if (picture.isNull() && !options.passBroken) {
            picture = QImage(256, 256, QImage::Format_ARGB32);
            picture.fill(0xffffffff);
        }
        if (options.passTransparent && transparent)
            return QImage();
        return picture;
    }
    const int side = 256 << (13 - (key.size() - 2));
    QImage target(side, side, QImage::Format_ARGB32);
    target.fill(0);
    QPainter painter(&target);
    for (int d = 0; d < 4; ++d) {
        const QString childKey = key + QString::number(d);
        QImage quadrant;
        if (!QDir(folder).entryList({childKey + QLatin1Char('*')}, QDir::Files).isEmpty())
            quadrant = literalPicture(childKey, folder, options);
        if (quadrant.isNull() && !options.single)
            return QImage();
        if (!quadrant.isNull())
            painter.drawImage((d % 2) * side / 2, (d / 2) * side / 2, quadrant);
    }
    return target;
}

QString saved(const QString &key)
{
    return QStringLiteral("Tile \"%1\" saved.").arg(key);
}

QString readError(const QString &key, const QString &error)
{
    return QStringLiteral("BMP tile \"%1\" read error: %2.").arg(key, error);
}

} // namespace

class tst_BuilderThread : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void assemblesPictures_data();
    void assemblesPictures();
    void writesResampleFile_data();
    void writesResampleFile();
    void scansOnlyTileBitmaps();
    void groupsUnderDestinationTiles_data();
    void groupsUnderDestinationTiles();
    void reportsProgressInOrder();
    void stopsOnBreak_data();
    void stopsOnBreak();
    void refusesToStart_data();
    void refusesToStart();

private:
    Settings settings(int bglLod, const Options &options = Options()) const;

    QScopedPointer<QTemporaryDir> m_source;
    QScopedPointer<QTemporaryDir> m_destination;
};

void tst_BuilderThread::init()
{
    m_source.reset(new QTemporaryDir);
    m_destination.reset(new QTemporaryDir);
    QVERIFY(m_source->isValid() && m_destination->isValid());
    K_FlightSimulatorTile::setPictureSizeLimit(qint64(1) << 31);
}

void tst_BuilderThread::cleanup()
{
    m_source.reset();
    m_destination.reset();
}

Settings tst_BuilderThread::settings(int bglLod, const Options &options) const
{
    Settings settings;
    settings.sourceFolder = m_source->path();
    settings.destinationFolder = m_destination->path();
    settings.bglLod = bglLod;
    settings.compressionQuality = 95;
    settings.singleDestinationImage = options.single;
    settings.passCompletelyTransparentTiles = options.passTransparent;
    settings.passBrokenTiles = options.passBroken;
    settings.verticalMirrorSourceTiles = options.mirror;
    return settings;
}

void tst_BuilderThread::assemblesPictures_data()
{
    QTest::addColumn<int>("bglLod");
    QTest::addColumn<QStringList>("tiles");
    QTest::addColumn<QString>("options");
    QTest::addColumn<qint64>("sizeLimit");
    QTest::addColumn<QStringList>("pictures"); // destination key / picture key
    QTest::addColumn<QStringList>("log"); // before "Converting complete."

    const QString D = B + QLatin1Char('0');
    const qint64 noLimit = qint64(1) << 31;
    const QString none, single("single"), keepAll("keep"), mirror("mirror");

    QTest::newRow("level 12, four tiles in their quadrants")
            << 12 << QStringList{D + "0", D + "1", D + "2", D + "3"} << none << noLimit
            << QStringList{D + "/" + D} << QStringList{saved(D)};
    QTest::newRow("level 12, south-east missing: three pictures")
            << 12 << QStringList{D + "0", D + "1", D + "2"} << none << noLimit
            << QStringList{D + "/" + D + "0", D + "/" + D + "1", D + "/" + D + "2"}
            << QStringList{saved(D)};
    QTest::newRow("level 12, south-east missing, single picture")
            << 12 << QStringList{D + "0", D + "1", D + "2"} << single << noLimit
            << QStringList{D + "/" + D} << QStringList{saved(D)};
    QTest::newRow("level 10, alpha of every kind through three levels")
            << 10
            << QStringList{B.left(12) + "*", B.left(12) + "000:hidden", B + "33:hidden",
                           B.left(12) + "333:transparent"}
            << keepAll << noLimit << QStringList{B.left(12) + "/" + B.left(12)}
            << QStringList{saved(B.left(12))};
    QTest::newRow("level 11, broken tile passed: largest complete squares")
            << 11 << QStringList{B + "*", B + "00:broken"} << none << noLimit
            << QStringList{B + "/" + B + "01", B + "/" + B + "02", B + "/" + B + "03",
                           B + "/" + B + "1",  B + "/" + B + "2",  B + "/" + B + "3"}
            << QStringList{readError(B + "00", "Compressed image reading error"), saved(B)};
    QTest::newRow("level 11, broken tile painted white")
            << 11 << QStringList{B + "*", B + "00:broken"} << keepAll << noLimit
            << QStringList{B + "/" + B}
            << QStringList{readError(B + "00", "Compressed image reading error"), saved(B)};
    QTest::newRow("level 12, 128x128 tile is broken")
            << 12 << QStringList{D + "0", D + "1", D + "2", D + "3:small"} << none << noLimit
            << QStringList{D + "/" + D + "0", D + "/" + D + "1", D + "/" + D + "2"}
            << QStringList{QString("BMP tile \"%1\" image dimensions not 256x256.").arg(D + "3"),
                           saved(D)};
    QTest::newRow("level 12, transparent 128x128 tile passed, not painted white")
            << 12 << QStringList{D + "0:small transparent", D + "1", D + "2", D + "3"} << "white"
            << noLimit << QStringList{D + "/" + D + "1", D + "/" + D + "2", D + "/" + D + "3"}
            << QStringList{QString("BMP tile \"%1\" image dimensions not 256x256.").arg(D + "0"),
                           saved(D)};
    QTest::newRow("level 12, transparent tile passed")
            << 12 << QStringList{D + "0:transparent", D + "1", D + "2", D + "3"} << none << noLimit
            << QStringList{D + "/" + D + "1", D + "/" + D + "2", D + "/" + D + "3"}
            << QStringList{saved(D)};
    QTest::newRow("level 12, transparent tile kept")
            << 12 << QStringList{D + "0:transparent", D + "1", D + "2", D + "3"} << keepAll
            << noLimit << QStringList{D + "/" + D} << QStringList{saved(D)};
    QTest::newRow("level 12, all tiles transparent and passed: nothing")
            << 12 << QStringList{D + "0:transparent", D + "1:transparent"} << none << noLimit
            << QStringList{} << QStringList{};
    QTest::newRow("level 12, mirrored tiles")
            << 12 << QStringList{D + "0:alpha", D + "1", D + "2", D + "3"} << mirror << noLimit
            << QStringList{D + "/" + D} << QStringList{saved(D)};
    QTest::newRow("level 13, every tile alone")
            << 13 << QStringList{D + "0:alpha", D + "3:broken"} << none << noLimit
            << QStringList{D + "0/" + D + "0"}
            << QStringList{saved(D + "0"), readError(D + "3", "Compressed image reading error")};
    QTest::newRow("level 0, scattered tiles")
            << 0 << QStringList{"010000000000000", "013333333333333:alpha"} << none << noLimit
            << QStringList{"01/010000000000000", "01/013333333333333"} << QStringList{saved("01")};
    const QString tooLarge
            = QString("Tile \"%1\" does not fit into memory, its quarters are saved separately.")
                      .arg(B);
    QTest::newRow("level 11 too large for one picture: its quadrants instead")
            << 11 << QStringList{B + "*"} << none << qint64(1 << 20)
            << QStringList{B + "/" + B + "0", B + "/" + B + "1", B + "/" + B + "2",
                           B + "/" + B + "3"}
            << QStringList{tooLarge, saved(B)};
    QTest::newRow("level 11 too large, single: only quadrants holding tiles")
            << 11 << QStringList{B + "00", B + "33:alpha"} << single << qint64(1 << 20)
            << QStringList{B + "/" + B + "0", B + "/" + B + "3"} << QStringList{tooLarge, saved(B)};
}

void tst_BuilderThread::assemblesPictures()
{
    QFETCH(int, bglLod);
    QFETCH(QStringList, tiles);
    QFETCH(QString, options);
    QFETCH(qint64, sizeLimit);
    QFETCH(QStringList, pictures);
    QFETCH(QStringList, log);

    const QMap<QString, QString> expanded = expandTiles(tiles);
    for (auto it = expanded.begin(); it != expanded.end(); ++it)
        writeTile(m_source->path(), it.key(), it.value());
    K_FlightSimulatorTile::setPictureSizeLimit(sizeLimit);

    Conversion conversion;
    conversion.run(settings(bglLod, Options(options)));
    QCOMPARE(conversion.log(), log << "Converting complete.");

    QStringList expectedFiles;
    QSet<QString> destinations;
    for (const QString &picture : pictures) {
        expectedFiles << "Source/" + picture + ".tif";
        destinations << picture.section('/', 0, 0);
    }
    for (const QString &destination : destinations)
        expectedFiles << destination + ".inf";
    expectedFiles.sort();
    QCOMPARE(filesBelow(m_destination->path()), expectedFiles);

    for (const QString &picture : pictures) {
        const QString key = picture.section('/', 1, 1);
        const QImage written
                = readTiffSamples(m_destination->filePath("Source/" + picture + ".tif"));
        const QImage expected = literalPicture(key, m_source->path(), Options(options));
        QVERIFY2(!expected.isNull(), qPrintable(key));
        QCOMPARE(written.size(), expected.size());
        QVERIFY2(written == expected, qPrintable("pixels differ in " + key));
    }
}

void tst_BuilderThread::writesResampleFile_data()
{
    QTest::addColumn<QStringList>("tiles");
    QTest::addColumn<int>("quality");
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<QByteArray>("subfolderBytes");
    QTest::addColumn<QString>("sources"); // '@' stands for the destination folder

    const QString D = B + QLatin1Char('0');
    const QString block = QStringLiteral("Type = TIFF\n"
                                         "Layer = Imagery\n"
                                         "SourceDir = \"@Source/%1/\"\n"
                                         "SourceFile = \"%2.tif\"\n"
                                         "ulxMap = %3\n"
                                         "ulyMap = %4\n"
                                         "xDim = 0.000057220458984375\n"
                                         "yDim = 0.00004291534423828125\n"
                                         "Variation = All\n"
                                         "PixelIsPoint = 0\n"
                                         "Channel_BlendMask = 3\n"
                                         "NullValue = ,,,,0\n"
                                         "\n");
    auto sourceBlock = [&](const QString &key) {
        const K_FlightSimulatorTile tile(key);
        return block.arg(D, key, QString::number(tile.west(), 'g', 25),
                         QString::number(tile.north(), 'g', 25));
    };
    const QStringList all = {D + "0", D + "1", D + "2", D + "3"};
    QTest::newRow("one source") << all << 95 << QString() << QByteArray()
                                << "[Source]\n" + sourceBlock(D);
    QTest::newRow("three sources in key order, quality 100")
            << QStringList{D + "2", D + "0", D + "1"} << 100 << QString() << QByteArray()
            << "[Source]\nType = MultiSource\nNumberOfSources = 3\n\n[Source1]\n"
                       + sourceBlock(D + "0") + "[Source2]\n" + sourceBlock(D + "1") + "[Source3]\n"
                       + sourceBlock(D + "2");
    // Cyrillic is written in the Windows code page; what it lacks becomes the replacement.
    QTest::newRow("folder outside the code page")
            << all << 95 << QString::fromUtf8("Карта日") << QByteArray("\xca\xe0\xf0\xf2\xe0\x1a")
            << "[Source]\n" + sourceBlock(D);
}

void tst_BuilderThread::writesResampleFile()
{
    QFETCH(QStringList, tiles);
    QFETCH(int, quality);
    QFETCH(QString, subfolder);
    QFETCH(QByteArray, subfolderBytes);
    QFETCH(QString, sources);

    for (const QString &key : tiles)
        writeTile(m_source->path(), key);
    QString folder = m_destination->path() + "/";
    QByteArray folderBytes = folder.toLatin1();
    if (!subfolder.isEmpty()) {
        folder += subfolder + "/";
        folderBytes += subfolderBytes + "/";
        QVERIFY(QDir().mkpath(folder));
    }
    // An older file is replaced whole.
    const QString D = B + QLatin1Char('0');
    QVERIFY(TileBitmap::writeBytes(folder + D + ".inf", QByteArray(5000, 'x')));

    Settings s = settings(12);
    s.compressionQuality = quality;
    s.destinationFolder = "  " + folder.chopped(1) + "  ";
    Conversion conversion;
    conversion.run(s);
    QCOMPARE(conversion.log().last(), QString("Converting complete."));

    const QString expected = sources + "[Destination]\nDestDir = \"@\"\nLOD = Auto\n"
                             + "DestBaseFileName = \"" + D
                             + "\"\nCompressionQuality = " + QString::number(quality) + "\n";
    QFile file(folder + D + ".inf");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected.toLatin1().replace('@', folderBytes));
}

void tst_BuilderThread::scansOnlyTileBitmaps()
{
    const QString folder = m_source->path() + "/";
    const QStringList accepted = {"012301230123012SU.BMP", "012301230123013su.bmp",
                                  "012301230123020Su.Bmp", "abcDEF012301230SU.BMP"};
    const QStringList ignored = {"01230123012302SU.BMP", "0123012301230210SU.BMP",
                                 "012301230123032SU.BMX", "012301230123033SU.BMP.txt"};
    for (const QString &name : accepted + ignored)
        QVERIFY(TileBitmap::write(folder + name, TileBitmap::pattern(1)));
    QVERIFY(QDir(folder).mkdir("012301230123030SU.BMP"));
    QVERIFY(QDir(folder).mkdir("sub"));
    QVERIFY(TileBitmap::write(folder + "sub/012301230123031SU.BMP", TileBitmap::pattern(1)));

    Conversion conversion;
    conversion.run(settings(12));
    QCOMPARE(conversion.sourceTiles.keys(), QStringList({"012301230123012", "012301230123013",
                                                         "012301230123020", "abcDEF012301230"}));
    for (K_FlightSimulatorTile *tile : qAsConst(conversion.sourceTiles))
        QVERIFY(QFileInfo(tile->filePath()).isAbsolute());

    // One progress value per listing entry (dot entries included), the last being 100.
    const int entries = accepted.size() + ignored.size() + 2 + 2;
    const QStringList events = conversion.events;
    const int step1 = int(events.indexOf("text: Step 1 of 2. Source folder scanning..."));
    const int step2 = int(events.indexOf("value: 0", step1 + 1));
    QCOMPARE(step2 - step1 - 1, entries);
    QCOMPARE(events.at(step2 - 1), QString("value: 100"));
}

void tst_BuilderThread::groupsUnderDestinationTiles_data()
{
    QTest::addColumn<int>("bglLod");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("destinations");
    QTest::addColumn<int>("tilesCount");

    QTest::newRow("level 11, two tiles under one intermediate")
            << 11 << QStringList{B + "10", B + "13"} << QStringList{B} << 4;
    QTest::newRow("level 12, tiles are direct children")
            << 12 << QStringList{B + "10", B + "13", B + "20"} << QStringList{B + "1", B + "2"}
            << 5;
    QTest::newRow("level 0, intermediate tiles at every length")
            << 0 << QStringList{"010000000000000", "020000000000000"} << QStringList{"01", "02"}
            << 2 + 2 + 2 * 12;
    QTest::newRow("level 13, source tiles are the destinations")
            << 13 << QStringList{B + "10", B + "13"} << QStringList{B + "10", B + "13"} << 2;
    QTest::newRow("same key twice counts once")
            << 12 << QStringList{B + "10", B + "10:su"} << QStringList{B + "1"} << 2;
}

void tst_BuilderThread::groupsUnderDestinationTiles()
{
    QFETCH(int, bglLod);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, destinations);
    QFETCH(int, tilesCount);

    for (const QString &key : keys) {
        const QString suffix = key.endsWith(":su") ? "su.bmp" : "SU.BMP";
        QVERIFY(TileBitmap::write(m_source->filePath(key.left(15) + suffix),
                                  TileBitmap::pattern(2)));
    }
    Conversion conversion;
    conversion.run(settings(bglLod));
    QCOMPARE(conversion.destinationTiles.keys(), destinations);
    QCOMPARE(conversion.tilesCount, tilesCount);

    // Every node's key is its parent's plus one character, down to the source tiles.
    int nodes = 0;
    std::function<void(K_FlightSimulatorTile *)> walk = [&](K_FlightSimulatorTile *tile) {
        ++nodes;
        for (auto it = tile->children.begin(); it != tile->children.end(); ++it) {
            QCOMPARE(it.key(), it.value()->key());
            QCOMPARE(it.key().left(tile->key().size()), tile->key());
            QCOMPARE(it.key().size(), tile->key().size() + 1);
            walk(it.value());
        }
        if (tile->children.isEmpty())
            QCOMPARE(conversion.sourceTiles.value(tile->key()), tile);
    };
    for (K_FlightSimulatorTile *destination : qAsConst(conversion.destinationTiles))
        walk(destination);
    QCOMPARE(nodes, tilesCount);

    // Each node was counted once in step 2, so its progress ends at 100.
    const QStringList events = conversion.events;
    const int step2 = int(events.indexOf("text: Step 2 of 2. Build images..."));
    QVERIFY(step2 > 0);
    QCOMPARE(events.mid(step2).filter("value: ").at(nodes - 1), QString("value: 100"));
}

void tst_BuilderThread::reportsProgressInOrder()
{
    const QString D = B + QLatin1Char('0');
    for (int d = 0; d < 4; ++d)
        writeTile(m_source->path(), D + QString::number(d));
    Conversion conversion;
    conversion.run(settings(12));
    // Listing: ".", "..", four files.
    QCOMPARE(conversion.events,
             QStringList({"value: 0", "text: Step 1 of 2. Source folder scanning...", "value: 16",
                          "value: 33", "value: 50", "value: 66", "value: 83", "value: 100",
                          "value: 0", "text: Step 2 of 2. Build images...", "value: 20",
                          "value: 40", "value: 60", "value: 80", "value: 100", "log: " + saved(D),
                          "log: Converting complete.", "value: 0", "text: "}));
    QCOMPARE(conversion.problems, 0);
}

void tst_BuilderThread::stopsOnBreak_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("sourceTilesKept");

    const QString first = B + "0";
    QTest::newRow("while scanning")
            << 1 << "value: 10" << QStringList{"Break."} << QStringList{} << false;
    QTest::newRow("at the end of the scan")
            << 1 << "value: 100" << QStringList{"Break."} << QStringList{} << false;
    QTest::newRow("on the first node of step 2")
            << 2 << "value: 10" << QStringList{"Break."} << QStringList{} << true;
    QTest::newRow("on the last source tile of the first destination")
            << 2 << "value: 50" << QStringList{"Break."} << QStringList{} << true;
    QTest::newRow("after the first destination tile")
            << 2 << "log: " + saved(first) << QStringList{saved(first), "Break."}
            << QStringList{first + ".inf", "Source/" + first + "/" + first + ".tif"} << true;
}

void tst_BuilderThread::stopsOnBreak()
{
    QFETCH(int, step);
    QFETCH(QString, trigger);
    QFETCH(QStringList, files);
    QFETCH(bool, sourceTilesKept);

    // Two destination tiles of four source tiles each: ten nodes, ten listing entries.
    for (const QString &parent : {B + "0", B + "1"}) {
        for (int d = 0; d < 4; ++d)
            writeTile(m_source->path(), parent + QString::number(d));
    }
    Conversion conversion;
    int currentStep = 0;
    bool triggered = false;
    conversion.onEvent = [&](const QString &event) {
        if (event.startsWith("text: Step "))
            ++currentStep;
        if (!triggered && currentStep == step && event == trigger) {
            triggered = true;
            conversion.requestBreak();
        }
    };
    conversion.run(settings(12));
    QVERIFY(triggered);
    QTEST(conversion.log(), "log");
    QCOMPARE(conversion.events.mid(conversion.events.size() - 3),
             QStringList({"log: Break.", "value: 0", "text: "}));
    QCOMPARE(filesBelow(m_destination->path()), files);
    QCOMPARE(!conversion.sourceTiles.isEmpty(), sourceTilesKept);
}

void tst_BuilderThread::refusesToStart_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("log");

    QTest::newRow("missing source folder")
            << " /nonexistent/orvik "
            << "dest"
            << "Source folder \"/nonexistent/orvik\" does not exist.";
    QTest::newRow("empty destination") << "src"
                                       << "   "
                                       << "Destination folder is not set.";
}

void tst_BuilderThread::refusesToStart()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, log);
    writeTile(m_source->path(), B + "00");
    Settings s = settings(12);
    if (source != "src")
        s.sourceFolder = source;
    if (destination != "dest")
        s.destinationFolder = destination;

    Conversion conversion;
    conversion.run(s);
    QCOMPARE(conversion.events, QStringList("log: " + log));
    QCOMPARE(conversion.problems, 1);
    QVERIFY(conversion.sourceTiles.isEmpty());
    QCOMPARE(filesBelow(m_destination->path()), QStringList());
}

QTEST_GUILESS_MAIN(tst_BuilderThread)
#include "tst_builderthread.moc"
