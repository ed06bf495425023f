#include "engine/k_builderthread.h"
#include "tiles/k_flightsimulatorbmpreader.h"
#include "tiles/k_flightsimulatortile.h"
#include "tiles/k_flightsimulatortile_assembly.h"
#include "tiles/k_resamplefile.h"
#include "tiles/k_tilebitmapwriter.h"

#include "testconversion.h"
#include "testplatform.h"
#include "tiffsamples.h"

#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using Settings = K_BuilderThread::Settings;
using Writer = K_TileBitmapWriter;

namespace {

// Keys are written short: "B" stands for the level-11 key 0123012301230, so "B03" is that key
// followed by "03". Every other key is written in full.
QString keyOf(const QString &key)
{
    return key.startsWith('B') ? "0123012301230" + key.mid(1) : key;
}

// What a tile bitmap of a test set holds; see Bitmaps.
enum class Kind { Opaque, Alpha, Alpha3, Hidden, Clear, Broken, Small, SmallClear, Folder, Nested };

// Per kind: the compression, the alpha (-1: from 0 to 255), the side and where the file ends.
// A Folder is a folder named like a tile bitmap; a Nested tile lies in a subfolder.
const std::tuple<Writer::Dxt, int, int, qint64> Bitmaps[] = {
        {Writer::Dxt::Dxt1, 255, 256, -1}, // Opaque
        {Writer::Dxt::Dxt5, -1, 256, -1}, // Alpha
        {Writer::Dxt::Dxt3, -1, 256, -1}, // Alpha3
        {Writer::Dxt::Dxt5, 0, 256, -1}, // Hidden: colours under alpha 0
        {Writer::Dxt::Dxt1, 0, 256, -1}, // Clear: transparent
        {Writer::Dxt::Dxt1, 255, 256, 1000}, // Broken: cut short
        {Writer::Dxt::Dxt1, 255, 128, -1}, // Small
        {Writer::Dxt::Dxt1, 0, 128, -1}, // SmallClear
        {Writer::Dxt::Dxt1, 255, 256, -1}, // Folder
        {Writer::Dxt::Dxt1, 255, 256, -1}, // Nested
};

// What strikes a run, before it starts or as it emits an event in a step.
enum class Fault {
    None,
    Break,
    Full, // 1 MiB left on the disk
    InfFull, // room for a picture, not for the .inf after it
    SizeLimit, // a limit on the size of files
    LimitAndInfFolder, // a limit on the size of files and a folder where B2.inf goes
    Removed, // the destination removed
    Replaced, // the destination replaced by a file
    TileGone, // a source tile deleted
    ThreePicturesSaved // strikes nothing: checks that three pictures are saved at that moment
};

// Stands for the destination folder, as the system names it, in expected log lines.
const QString Destination = QStringLiteral("<destination>");

// A tile set, put together tile by tile: each tile's key, kind and what follows the key in its
// file name.
struct TileSet
{
    QVector<std::tuple<QString, Kind, QString>> tiles;

    explicit TileSet(const QStringList &keys = {}, Kind kind = Kind::Opaque)
    {
        for (const QString &key : keys)
            tiles << std::tuple(key, kind, "SU.BMP");
    }
    // Every source tile below `key`, DXT1, DXT5 and DXT3 tiles with alpha in turn.
    TileSet &under(const QString &key)
    {
        const QStringList keys = Writer::keysUnder(keyOf(key));
        for (int i = 0; i < keys.size(); ++i)
            tiles << std::tuple(keys[i],
                                QVector<Kind>{Kind::Opaque, Kind::Alpha, Kind::Alpha3}[i % 3],
                                "SU.BMP");
        return *this;
    }
    TileSet &add(const QString &key, Kind kind, const QString &suffix = QStringLiteral("SU.BMP"))
    {
        tiles << std::tuple(key, kind, suffix);
        return *this;
    }
};

// How a conversion runs: its settings (BGL LOD 12 unless set), where it reads and writes, what
// lies in the destination before it, and what strikes it.
struct Run
{
    Settings settings;
    QString source; // instead of the tile set's folder
    QString destination; // as typed, instead of a folder in the work folder
    qint64 limitKiB = 1 << 21; // of a picture in memory
    Fault fault = Fault::None;
    int step = 0; // 0: the fault strikes before the run
    QString event;
    QStringList before; // files there before the run, which must stay as they were
    QStringList stale; // files whose temporaries a killed run left, which must go

    Run() { settings.bglLod = 12; }

    Run &lod(int level) { return settings.bglLod = level, *this; }
    Run &quality(int value) { return settings.compressionQuality = value, *this; }
    Run &single() { return settings.singleDestinationImage = true, *this; }
    Run &mirror() { return settings.verticalMirrorSourceTiles = true, *this; }
    Run &white() { return settings.passBrokenTiles = false, *this; }
    // Neither transparent nor broken tiles passed.
    Run &keep() { return settings.passCompletelyTransparentTiles = false, white(); }
    Run &pictureLimit(qint64 kib) { return limitKiB = kib, *this; }
    Run &from(const QString &folder) { return source = folder, *this; }
    Run &into(const QString &folder) { return destination = folder, *this; }
    Run &strike(Fault what, int inStep = 0, const QString &onEvent = QString())
    {
        return fault = what, step = inStep, event = onEvent, *this;
    }
    Run &keeps(const QStringList &files) { return before += files, *this; }
    Run &removesTemporariesOf(const QStringList &files) { return stale += files, *this; }
};

// The path below the destination of "B0.inf" or "B03.tif", and of a file beside it such as
// "B1.tif.bak"; a picture lies in its destination's folder, whose key is `keyLength` long, any
// other file at the top.
QString pathOf(const QString &file, int keyLength)
{
    const QString key = keyOf(file.section('.', 0, 0));
    const QString name = key + file.mid(file.indexOf('.'));
    return file.section('.', 1, 1) != "tif" ? name : "Source/" + key.left(keyLength) + '/' + name;
}

// Log lines and events, in English: line(Saved, "B0") is what the log says when B0 is saved.
const char Saved[] = "Tile \"%1\" saved.";
const char NotSquare[] = "BMP tile \"%1\" image dimensions not 256x256.";
const char SaveError[] = "Tile \"%1\" save error.";
const char InfError[] = "Tile \"%1\" .inf create error.";
const char TooLarge[] = "Tile \"%1\" does not fit into memory, its quarters are saved separately.";
const char Unreadable[] = "BMP tile \"%1\" read error: Compressed image reading error.";
const char Missing[] = "BMP tile \"%1\" read error: File not exists.";
const QString Complete = QStringLiteral("Converting complete.");
const QString Stopped = QStringLiteral("Break.");
QString line(const char *text, const QString &key)
{
    return QString(text).arg(keyOf(key));
}
// The reason a file below the destination cannot be written: "B0.inf", or "B1.tif" at BGL LOD 12.
QString unwritable(const QString &file, const QString &why)
{
    return QStringLiteral("Cannot write \"%1%2\": %3.")
            .arg(Destination, QDir::toNativeSeparators('/' + pathOf(file, 14)), why);
}
QString progress(int value)
{
    return QStringLiteral("value: %1").arg(value);
}

// Writes the tile set into `folder`.
void writeTileSet(const QString &folder, const TileSet &set)
{
    for (const auto &[key, kind, suffix] : set.tiles) {
        const QString path = folder + (kind == Kind::Nested ? "/sub/" : "/") + keyOf(key) + suffix;
        QVERIFY(QDir().mkpath(kind == Kind::Folder ? path : QFileInfo(path).path()));
        const auto [dxt, alpha, side, cutAt] = Bitmaps[int(kind)];
        Writer::Fields fields(dxt);
        fields.cutAt = cutAt;
        const QImage picture = Writer::pattern(int(qHash(keyOf(key), 0) % 1000), alpha, side);
        QVERIFY(kind == Kind::Folder || Writer::write(path, picture, fields));
    }
}

// The picture of a node as painting it level by level gives: every quadrant drawn onto a
// transparent picture of twice the side with the painter's default source-over composition.
QImage literalPicture(const QString &key, const QString &folder, const Settings &s)
{
    if (key.size() == 15) {
        K_FlightSimulatorBMPReader reader(folder + '/'
                                          + QDir(folder).entryList({key + "??????"}).value(0));
        QImage picture;
        if (reader.read() && reader.image().size() == QSize(256, 256))
            picture = reader.image().mirrored(false, s.verticalMirrorSourceTiles);
        if (picture.isNull() && !s.passBrokenTiles) {
            picture = QImage(256, 256, QImage::Format_ARGB32);
            picture.fill(0xffffffff);
        }
        return s.passCompletelyTransparentTiles && reader.isCompletelyTransparent() ? QImage()
                                                                                    : picture;
    }
    const int side = 256 << (15 - key.size());
    QImage target(side, side, QImage::Format_ARGB32);
    target.fill(0);
    QPainter painter(&target);
    for (int d = 0; d < 4; ++d) {
        const QString child = key + QString::number(d);
        QImage quadrant;
        if (!QDir(folder).entryList({child + '*'}, QDir::Files).isEmpty())
            quadrant = literalPicture(child, folder, s);
        if (quadrant.isNull() && !s.singleDestinationImage)
            return QImage();
        painter.drawImage((d % 2) * side / 2, (d / 2) * side / 2, quadrant);
    }
    return target;
}

// The .inf of `destination` listing `pictures`, with every folder as this system writes it.
QByteArray infText(const QByteArray &folder, const QString &destination,
                   const QStringList &pictures, int quality)
{
    const QByteArray n = QByteArray::number(pictures.size());
    const QByteArray separator = QByteArray(1, QDir::separator().toLatin1());
    QByteArray text = pictures.size() > 1
                              ? "[Source]\nType = MultiSource\nNumberOfSources = " + n + "\n\n"
                              : "";
    for (int i = 0; i < pictures.size(); ++i) {
        const K_FlightSimulatorTile tile(pictures[i]);
        text += (pictures.size() > 1 ? "[Source" + QByteArray::number(i + 1) + "]\n" : "[Source]\n")
                + "Type = TIFF\nLayer = Imagery\nSourceDir = \"" + folder + "Source" + separator
                + destination.toLatin1() + separator + "\"\nSourceFile = \""
                + pictures[i].toLatin1()
                + ".tif\"\nulxMap = " + QByteArray::number(tile.west(), 'g', 25)
                + "\nulyMap = " + QByteArray::number(tile.north(), 'g', 25)
                + "\nxDim = 0.000057220458984375\nyDim = 0.00004291534423828125\nVariation = "
                  "All\nPixelIsPoint = 0\nChannel_BlendMask = 3\nNullValue = ,,,,0\n\n";
    }
    return nativeLineEnds(text + "[Destination]\nDestDir = \"" + folder
                          + "\"\nLOD = Auto\nDestBaseFileName = \"" + destination.toLatin1()
                          + "\"\nCompressionQuality = " + QByteArray::number(quality) + "\n");
}

// Strikes the fault of run `c`; false when it cannot.
bool strike(const Run &c, const QString &source, const QString &work, const QString &destination,
            TestConversion &conversion)
{
    if (c.fault == Fault::Break)
        conversion.requestBreak();
    return c.fault == Fault::Break
           || (c.fault == Fault::Full && TestPlatform::leaveFree(work, 1 << 20))
           // Room for the pixels of a 512x512 picture and a page for its header only.
           || (c.fault == Fault::InfFull && TestPlatform::leaveFree(work, 512 * 512 * 4 + 4096))
           || (c.fault == Fault::SizeLimit && TestPlatform::limitFileSize(512 * 1024))
           || (c.fault == Fault::LimitAndInfFolder && TestPlatform::limitFileSize(512 * 1024)
               && QDir().mkpath(destination + '/' + keyOf("B2.inf")))
           || (c.fault == Fault::Removed && QDir(destination).removeRecursively())
           || (c.fault == Fault::Replaced && QDir(destination).removeRecursively()
               && Writer::writeBytes(destination, "not a folder"))
           || (c.fault == Fault::TileGone && QFile::remove(source + '/' + keyOf("B03SU.BMP")))
           // Three pictures and the dot entries, as the last quadrant's node begins.
           || (c.fault == Fault::ThreePicturesSaved
               && QDir(destination + "/Source/" + keyOf("B")).count() == 5);
}

// Compares what lies in `destination` with the row's files and record, every .inf with its text
// and every picture with what painting its tiles gives, placed on the globe.
void compareFiles(const Run &c, const QStringList &written, QStringList recorded,
                  const QString &source, const QString &destination, const QByteArray &folderBytes)
{
    const Settings &s = c.settings;
    const int keyLength = s.bglLod + 2;
    QStringList paths, all;
    for (const QString &file : written)
        paths << pathOf(file, keyLength);
    for (const QString &file : c.before)
        all << pathOf(file, keyLength);
    all += paths + (recorded.isEmpty() ? QStringList() : QStringList{"ORVIK-converted.txt"});
    all.sort();
    const QMap<QString, QByteArray> files = contentsBelow(destination);
    QCOMPARE(files.keys(), all);
    // Each line after the first tells of a destination finished, by its key.
    for (QString &key : recorded)
        key = "+ " + keyOf(key);
    const QString recordText = outputText(files.value("ORVIK-converted.txt"));
    QCOMPARE(recordText.split('\n', Qt::SkipEmptyParts)
                     .mid(1)
                     .replaceInStrings(QRegularExpression("^(\\S \\S+) .*"), "\\1"),
             recorded);
    for (const QString &file : c.before)
        QCOMPARE(files[pathOf(file, keyLength)], "older " + file.toUtf8());
    for (const QString &file : written) {
        const QString key = keyOf(file.section('.', 0, 0));
        if (file.endsWith(".inf")) {
            QStringList pictures = QStringList(paths)
                                           .filter("Source/" + key + '/')
                                           .replaceInStrings(QRegularExpression(".*/|\\.tif$"), "");
            pictures.sort();
            QCOMPARE(files[pathOf(file, keyLength)],
                     infText(folderBytes, key, pictures, s.compressionQuality));
            continue;
        }
        const QString path = destination + '/' + pathOf(file, keyLength);
        const QImage picture = readTiffSamples(path);
        QVERIFY2(!picture.isNull() && picture == literalPicture(key, source, s), qPrintable(file));
        // Geographic, pixel is area, WGS 84, degrees; the far corner on the tile's bounds.
        const K_FlightSimulatorTile tile(key);
        QCOMPARE(readGeoReference(path),
                 QVector<double>({3, 6, 0, 0, tile.west(), tile.north(), tile.east(), tile.south(),
                                  2, 1, 4326, 9102}));
    }
}

// Writes key + tail + letters + ".bmp" for each two-digit tail, a picture of `seed` + the tail:
// a tail followed by "!" is written broken, by "~" completely transparent.
void writeVariant(const QString &folder, const QString &key, const QString &letters, int seed,
                  const QString &tails)
{
    QVERIFY(QDir().mkpath(folder));
    for (const QString &tail : tails.split(' ')) {
        K_TileBitmapWriter::Fields fields;
        fields.cutAt = tail.endsWith('!') ? 1000 : -1;
        QVERIFY(K_TileBitmapWriter::write(folder + "/" + key + tail.left(2) + letters + ".bmp",
                                          K_TileBitmapWriter::pattern(seed + tail.left(2).toInt(),
                                                                      tail.endsWith('~') ? 0 : 255),
                                          fields));
    }
}

// Two tiles of one destination at BGL LOD 12.
const QStringList TwoKeys{"012301230123010", "012301230123011"};

// The .inf line that names the destination, as the file holds it.
QByteArray destDirLine(const QString &folder, const QString &key)
{
    QFile file(folder + '/' + key + ".inf");
    const QByteArray text = file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll() : "";
    const qsizetype at = text.indexOf("DestDir = ");
    return at < 0 ? QByteArray() : text.mid(at, text.indexOf('\n', at) - at);
}

} // namespace

Q_DECLARE_METATYPE(TileSet)
Q_DECLARE_METATYPE(Run)

class tst_BuilderThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installEnglishPluralForms(); }
    void converts_data();
    void converts();
    void eachVariantConvertsAsAlone();
    void infListsTheVariants_data();
    void infListsTheVariants();
    void namesTheFolderForTheResampler_data();
    void namesTheFolderForTheResampler();
    void fitsOrSaysSoAtOnce_data();
    void fitsOrSaysSoAtOnce();
};

void tst_BuilderThread::converts_data()
{
    // "B0" is a destination tile at BGL LOD 12, "B00" to "B03" its source tiles. Written files are
    // named "B0.inf" or "B03.tif" (in its destination's folder); recorded are the destination tiles
    // that the record keeps as finished.
    QTest::addColumn<TileSet>("tiles");
    QTest::addColumn<Run>("c");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("recorded");
    QTest::addColumn<QStringList>("log");
    using Names = QStringList;
    const Names quartet{"B00", "B01", "B02", "B03"};
    const Names threeOfB0{"B0.inf", "B01.tif", "B02.tif", "B03.tif"};
    const Names b0{"B0.inf", "B0.tif"};
    const Names savedB0{line(Saved, "B0"), Complete};

    QTest::newRow("south-east missing: three pictures in key order")
            << TileSet({"B02", "B00", "B01"}) << Run().quality(100)
            << Names{"B0.inf", "B00.tif", "B01.tif", "B02.tif"} << Names{"B0"} << savedB0;
    QTest::newRow("south-east missing, single picture")
            << TileSet({"B00", "B01", "B02"}) << Run().single() << b0 << Names{"B0"} << savedB0;
    QTest::newRow("alpha of every kind through three levels")
            << TileSet()
                       .under("012301230123")
                       .add("012301230123000", Kind::Hidden)
                       .add("B33", Kind::Hidden)
                       .add("012301230123333", Kind::Clear)
            << Run().lod(10).keep() << Names{"012301230123.inf", "012301230123.tif"}
            << Names{"012301230123"} << Names{line(Saved, "012301230123"), Complete};
    QTest::newRow("broken tile passed: largest complete squares")
            << TileSet().under("B").add("B00", Kind::Broken) << Run().lod(11)
            << Names{"B.inf", "B01.tif", "B02.tif", "B03.tif", "B1.tif", "B2.tif", "B3.tif"}
            << Names{"B"} << Names{line(Unreadable, "B00"), line(Saved, "B"), Complete};
    QTest::newRow("broken tile painted white")
            << TileSet().under("B").add("B00", Kind::Broken) << Run().lod(11).keep()
            << Names{"B.inf", "B.tif"} << Names{"B"}
            << Names{line(Unreadable, "B00"), line(Saved, "B"), Complete};
    QTest::newRow("128x128 tiles are broken: painted white, a transparent one passed")
            << TileSet({"B01", "B02"}).add("B00", Kind::SmallClear).add("B03", Kind::Small)
            << Run().white() << threeOfB0 << Names{"B0"}
            << Names{line(NotSquare, "B00"), line(NotSquare, "B03"), line(Saved, "B0"), Complete};
    QTest::newRow("only transparent tiles: nothing")
            << TileSet({"B00", "B01"}, Kind::Clear) << Run() << Names() << Names()
            << Names{Complete};
    QTest::newRow("mirrored tiles") << TileSet({"B01", "B02", "B03"}).add("B00", Kind::Alpha)
                                    << Run().mirror() << b0 << Names{"B0"} << savedB0;
    QTest::newRow("level 13, every tile alone")
            << TileSet().add("B00", Kind::Alpha).add("B03", Kind::Broken) << Run().lod(13)
            << Names{"B00.inf", "B00.tif"} << Names{"B00"}
            << Names{line(Saved, "B00"), line(Unreadable, "B03"), Complete};
    QTest::newRow("level 0, intermediate tiles at every length")
            << TileSet({"010000000000000"}).add("013333333333333", Kind::Alpha) << Run().lod(0)
            << Names{"01.inf", "010000000000000.tif", "013333333333333.tif"} << Names{"01"}
            << Names{line(Saved, "01"), Complete};
    QTest::newRow("too large for one picture: its quadrants instead, each saved before the next")
            << TileSet().under("B")
            << Run().lod(11).pictureLimit(1024).strike(Fault::ThreePicturesSaved, 2, progress(80))
            << Names{"B.inf", "B0.tif", "B1.tif", "B2.tif", "B3.tif"} << Names{"B"}
            << Names{line(TooLarge, "B"), line(Saved, "B"), Complete};
    QTest::newRow("too large, single: only quadrants holding tiles")
            << TileSet({"B00"}).add("B33", Kind::Alpha) << Run().lod(11).pictureLimit(1024).single()
            << Names{"B.inf", "B0.tif", "B3.tif"} << Names{"B"}
            << Names{line(TooLarge, "B"), line(Saved, "B"), Complete};
    QTest::newRow("only 21-character names ending in SU.BMP, in any case, one key once")
            << TileSet({"abcDEF012301232", "abcDEF012301233", "B0", "B000", "B11"})
                       .add("abcDEF012301230", Kind::Opaque, "su.bmp")
                       .add("abcDEF012301231", Kind::Opaque, "Su.Bmp")
                       .add("B01", Kind::Opaque, "SU.BMX")
                       .add("B02", Kind::Opaque, "SU.BMP.txt")
                       .add("B03", Kind::Folder)
                       .add("B10", Kind::Nested)
                       .add("B11", Kind::Opaque, "su.bmp")
            << Run() << Names{"B1.inf", "B11.tif", "abcDEF01230123.inf", "abcDEF01230123.tif"}
            << Names{"B1", "abcDEF01230123"}
            << Names{line(Saved, "B1"), line(Saved, "abcDEF01230123"), Complete};

    QTest::newRow("missing source folder")
            << TileSet({"B00"}) << Run().from("/nonexistent/orvik") << Names() << Names()
            << Names{"Source folder \"/nonexistent/orvik\" does not exist."};
    QTest::newRow("blank destination") << TileSet({"B00"}) << Run().into(" ") << Names() << Names()
                                       << Names{"Destination folder is not set."};
    if (QDir::separator() == '/') {
        QTest::newRow("destination in a folder nobody writes into")
                << TileSet({"B00"}) << Run().into("/proc/orvik") << Names() << Names()
                << Names{"Cannot write into the destination folder \"/proc/orvik\": No such file "
                         "or directory."};
    } else {
        QTest::newRow("destination on a drive that does not exist")
                << TileSet({"B00"}) << Run().into("Q:/orvik") << Names() << Names()
                << Names{"Cannot write into the destination folder \"Q:\\orvik\": No such drive "
                         "or folder."};
    }
    const TileSet two = TileSet().under("B0").under("B1");
    const Names b0b1{"B0.inf", "B0.tif", "B1.inf", "B1.tif"};
    QTest::newRow("another run's .inf files stay and are named")
            << two << Run().keeps({"B2.inf", "B3.inf"}) << b0b1 << Names{"B0", "B1"}
            << Names{'"' + Destination
                             + "\" already holds 2 .inf files that this run does not write, of "
                               "another BGL LOD or another source, such as "
                               "\"01230123012302.inf\".",
                     line(Saved, "B0"), line(Saved, "B1"), Complete};
    QTest::newRow("a killed run's temporaries go, nothing else")
            << two
            << Run().removesTemporariesOf({"B0.tif", "B11.tif", "B0.inf", "ORVIK-converted.txt"})
                       .keeps({"B1.tif.bak", "B0.inf.backup", "B11.tif.before", "B3.inf.notes1",
                               "ORVIK-converted.txt.mine01", "B0.tif.orvik-tmp-Ab12C",
                               "B0.inf.orvik-tmp-Ab12Cd7", "B0.inf.orvik-tmp-Ab-2Cd"})
            << b0b1 << Names{"B0", "B1"}
            << Names{"Removed 4 temporary files that an interrupted run left in \"" + Destination
                             + "\".",
                     line(Saved, "B0"), line(Saved, "B1"), Complete};

    QTest::newRow("a file named like the record but no record stays as it is")
            << TileSet(quartet) << Run().keeps({"ORVIK-converted.txt"}) << b0 << Names()
            << Names{"The record of finished destination tiles \"" + Destination + QDir::separator()
                             + "ORVIK-converted.txt\" cannot be used: it is no record of finished "
                               "destination tiles. Every destination tile is converted again, and "
                               "the file is left as it is.",
                     line(Saved, "B0"), Complete};

    QTest::newRow("break while scanning") << two << Run().strike(Fault::Break, 1, progress(10))
                                          << Names() << Names() << Names{Stopped};
    QTest::newRow("break after the first destination tile")
            << two << Run().strike(Fault::Break, 2, "log: " + line(Saved, "B0")) << b0
            << Names{"B0"} << Names{line(Saved, "B0"), Stopped};

    const TileSet three = TileSet(two).add("B20", Kind::Opaque);
    QTest::newRow("too little room for the pictures: one line, nothing read")
            << three << Run().strike(Fault::Full) << Names() << Names()
            << Names{"The pictures need up to 2.3\u00a0MB, but \"" + Destination
                     + "\" has only 1,020.0\u00a0kB free."};
    QTest::newRow("file size limit reached while saving a picture")
            << three
            << Run().strike(Fault::SizeLimit, 2, "log: " + line(Saved, "B0"))
                       .keeps({"B1.inf", "B1.tif"})
            << Names{"B0.inf", "B0.tif", "B2.inf", "B20.tif"} << Names{"B0", "B2"}
            << Names{line(Saved, "B0"), line(SaveError, "B1"),
                     unwritable("B1.tif", "File too large"), line(Saved, "B2"), Complete};
    QTest::newRow("each reason of a write failure said once")
            << three << Run().strike(Fault::LimitAndInfFolder) << Names{"B20.tif"} << Names()
            << Names{line(SaveError, "B0"),
                     unwritable("B0.tif", "File too large"),
                     line(SaveError, "B1"),
                     line(InfError, "B2"),
                     unwritable("B2.inf", "Filename refers to a directory"),
                     line(Saved, "B2"),
                     Complete};
    QTest::newRow("disk runs full while writing the .inf")
            << three << Run().strike(Fault::InfFull, 2, progress(41)).keeps({"B0.inf"})
            << Names{"B0.tif"} << Names()
            << Names{line(InfError, "B0"),   unwritable("B0.inf", "No space left on device"),
                     line(Saved, "B0"),      line(SaveError, "B1"),
                     line(SaveError, "B20"), Complete};
    QTest::newRow("destination removed before a picture is saved")
            << three << Run().strike(Fault::Removed, 2, progress(41))
            << b0b1 + Names{"B2.inf", "B20.tif"} << Names{"B0", "B1", "B2"}
            << Names{line(Saved, "B0"), line(Saved, "B1"), line(Saved, "B2"), Complete};
    QTest::newRow("destination replaced by a file")
            << three << Run().strike(Fault::Replaced, 2, "log: " + line(Saved, "B0")) << Names()
            << Names()
            << Names{line(Saved, "B0"), line(SaveError, "B1"),
                     unwritable("B1.tif", '"' + Destination + "\" is not a folder"),
                     line(SaveError, "B20"), Complete};
    QTest::newRow("source tile deleted after the scan")
            << three << Run().strike(Fault::TileGone, 1, progress(0))
            << Names{"B0.inf", "B00.tif", "B01.tif", "B02.tif",
                     "B1.inf", "B1.tif",  "B2.inf",  "B20.tif"}
            << Names{"B1", "B2"}
            << Names{line(Missing, "B03"), line(Saved, "B0"), line(Saved, "B1"), line(Saved, "B2"),
                     Complete};
}

void tst_BuilderThread::converts()
{
    QFETCH(TileSet, tiles);
    QFETCH(Run, c);
    QFETCH(QStringList, written);
    QFETCH(QStringList, recorded);
    QFETCH(QStringList, log);
    QTemporaryDir source, work;
    writeTileSet(source.path(), tiles);
    const int entries = int(QDir(source.path()).count()); // dot entries included
    Settings s = c.settings;
    K_TileAssembly::setPictureSizeLimit(c.limitKiB << 10);
    s.sourceFolder = "  " + (c.source.isEmpty() ? source.path() : c.source) + "  ";
    QString destination = work.filePath("out");
    // The .inf names the folder with native separators.
    const QByteArray folderBytes = QDir::toNativeSeparators(work.filePath("out/")).toLatin1();
    // A blank destination writes nothing, which its usual folder then shows.
    if (!c.destination.trimmed().isEmpty())
        destination = c.destination.trimmed();
    s.destinationFolder = "  " + (c.destination.isEmpty() ? destination : c.destination) + "  ";

    const bool onTmpfs = c.fault == Fault::Full || c.fault == Fault::InfFull;
    if (onTmpfs && !TestPlatform::tmpfs(work.path(), "mount"))
        QSKIP("mounting a tmpfs needs Linux and root");
    if ((c.fault == Fault::Removed || c.fault == Fault::Replaced) && QDir::separator() == '\\')
        QSKIP("Windows keeps a folder that a run holds open");
    if ((c.fault == Fault::SizeLimit || c.fault == Fault::LimitAndInfFolder)
        && !TestPlatform::limitFileSize(-1))
        QSKIP("limiting the size of files needs Linux");
    const auto unmount = qScopeGuard([&] {
        if (onTmpfs)
            TestPlatform::tmpfs(work.path(), "unmount");
    });
    // Older files are kept when nothing replaces them; an older .inf is replaced whole.
    const int keyLength = s.bglLod + 2;
    for (const QString &file : c.before + c.stale + written.filter(".inf")) {
        const QString path = destination + '/' + pathOf(file, keyLength)
                             + (c.stale.contains(file) ? ".orvik-tmp-Ab12Cd" : "");
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(Writer::writeBytes(path, c.before.contains(file) ? "older " + file.toUtf8()
                                                                 : QByteArray(5000, 'x')));
    }

    TestConversion conversion;
    const auto strikeNow = [&] {
        return strike(c, source.path(), work.path(), destination, conversion) ? 1 : -1;
    };
    int struck = c.fault == Fault::None ? 1 : c.step == 0 ? strikeNow() : 0;
    int step = 0;
    conversion.onEvent = [&](const QString &e) {
        step += e.startsWith("text: Step ");
        if (!struck && step == c.step && e == c.event)
            struck = strikeNow();
    };
    conversion.run(s);
    TestPlatform::limitFileSize(-1);
    QCOMPARE(struck, 1);

    log.replaceInStrings(Destination, QDir::toNativeSeparators(destination));
    QCOMPARE(conversion.log(), log);
    // Lines that inform rather than warn.
    const QRegularExpression noProblem(" saved\\.$|^Converting complete\\.$|^Break\\.$|does not "
                                       "fit into memory|^Cannot write \"|^The record|already "
                                       "holds|^Removed");
    QCOMPARE(conversion.problems, int(log.size() - log.filter(noProblem).size()));
    // A destination counts as written when it holds its .inf and every picture.
    if (c.fault != Fault::Replaced)
        QCOMPARE(conversion.destinationsWritten, written.filter(".inf").size());
    if (log.last() == Complete) {
        // Step 1 reports each listing entry, step 2 each tile node.
        QStringList expected;
        for (const auto &[text, count] :
             {std::pair("Step 1 of 2. Source folder scanning...", entries),
              {"Step 2 of 2. Build images...", conversion.tilesCount},
              {"", 0}}) {
            expected << progress(0) << QStringLiteral("text: ") + text;
            for (int i = 1; i <= count; ++i)
                expected << progress(100 * i / count);
        }
        QCOMPARE(conversion.events.filter(QRegularExpression("^(value|text): ")), expected);
    } else if (log.last() == Stopped) {
        QCOMPARE(conversion.events.mid(conversion.events.size() - 3),
                 QStringList({"log: " + Stopped, progress(0), "text: "}));
        QCOMPARE(conversion.sourceTiles.isEmpty(), c.step == 1);
    } else {
        // A run stopped by its checks reads no tile.
        QVERIFY(!conversion.events.contains("text: Step 2 of 2. Build images..."));
    }
    compareFiles(c, written, recorded, source.path(), destination, folderBytes);
}

// Summer covers the destination at BGL LOD 11; the others parts of it (spring a lone tile,
// winter with a gap, hard winter with a broken tile, night with a transparent one), letters in
// any case.
void tst_BuilderThread::eachVariantConvertsAsAlone()
{
    const QStringList variants = {"SU:00 01 02 03 10 11 12 13 20 21 22 23 30 31 32 33", "Sp:00",
                                  "wI:00 01 02 03 10 11 12", "HW:20 21 22 23!", "lm:30 31 32 33~"};
    QTemporaryDir dir;
    K_BuilderThread::Settings settings{QString(), QString(), 11};
    const auto convert = [&](TestConversion &conversion, const QString &from, bool seasons) {
        settings.sourceFolder = dir.filePath(from);
        settings.destinationFolder = dir.filePath(from + (seasons ? "-seasons" : "-out"));
        settings.convertSeasons = seasons;
        conversion.run(settings);
        return contentsBelow(settings.destinationFolder + "/Source");
    };
    QMap<QString, QByteArray> expected;
    QStringList lines; // each variant's own tile lines, its letters after the key
    int tilesCount = 0;
    for (int v = 0; v < variants.size(); ++v) {
        const QString letters = variants[v].section(':', 0, 0);
        const QString suffix = v ? letters.toUpper() : QString();
        writeVariant(dir.filePath("all"), "0123012301230", letters, v * 100, variants[v].mid(3));
        writeVariant(dir.filePath(letters), "0123012301230", "SU", v * 100, variants[v].mid(3));
        TestConversion alone;
        const auto own = convert(alone, letters, false);
        for (auto it = own.cbegin(); it != own.cend(); ++it)
            expected.insert(
                    QString(it.key()).replace(".tif", (v ? "_" + suffix.toLower() : "") + ".tif"),
                    it.value());
        for (const QString &line : alone.log().filter("BMP tile"))
            lines << QString(line).replace(QRegularExpression("(\\d{15})"), "\\1" + suffix);
        tilesCount += alone.tilesCount;
    }
    TestConversion seasons, off;
    QVERIFY(convert(seasons, "all", true) == expected);
    QCOMPARE(seasons.log().filter("BMP tile"), lines);
    QCOMPARE(seasons.log().filter("saved.").size(), 1);
    QCOMPARE(seasons.tilesCount, tilesCount);
    // Without the option the other variants are not even read.
    QCOMPARE(convert(off, "all", false), contentsBelow(dir.filePath("SU-out/Source")));
    QVERIFY(off.log().filter("BMP tile").isEmpty());
}

void tst_BuilderThread::infListsTheVariants_data()
{
    QTest::addColumn<QString>("key"); // a destination at BGL LOD 12: its tile 0 in each variant
    QTest::addColumn<QString>("letters");
    QTest::addColumn<QString>("expected"); // the SourceFile and Variation values, %1 the key
    const char *const rows[][4]
            = {{"summer only", "01230123012301", "SU", "%10.tif All"},
               {"summer, winter, hard winter, north", "01230123012301", "SU WI HW",
                "%10.tif March,April,May,June,July,August,September,October %10_wi.tif November "
                "%10_hw.tif January,February,December"},
               {"summer, winter, hard winter, south", "02230123012301", "SU WI HW",
                "%10.tif January,February,March,April,September,October,November,December "
                "%10_wi.tif May %10_hw.tif June,July,August"},
               {"night only", "01230123012301", "LM", "%10_lm.tif LightMap"},
               {"day variants without summer", "01230123012301", "FA SP",
                "%10_sp.tif March,April,May %10_fa.tif September,October"}};
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
}

void tst_BuilderThread::infListsTheVariants()
{
    QFETCH(QString, key);
    QFETCH(QString, letters);
    QTemporaryDir dir;
    for (const QString &variant : letters.split(' '))
        writeVariant(dir.path(), key, variant, 0, "0");
    const auto inf = [&](bool seasons) {
        QFile file(dir.filePath("out/" + key + ".inf"));
        file.remove();
        TestConversion().run(
                {dir.path(), dir.filePath("out"), 12, 95, false, true, true, false, seasons});
        return file.open(QIODevice::ReadOnly | QIODevice::Text)
                       ? QString::fromLatin1(file.readAll())
                       : QString();
    };
    const QString text = inf(true);
    if (letters == "SU")
        QCOMPARE(text, inf(false));
    QString values
            = text.split('\n').filter(QRegularExpression("^(SourceFile|Variation) ")).join(' ');
    QFETCH(QString, expected);
    QCOMPARE(values.remove("SourceFile = ").remove("Variation = ").remove('"'),
             expected.replace("%1", key));
}

void tst_BuilderThread::namesTheFolderForTheResampler_data()
{
    // The destination below the work folder, typed relative to the current folder or in full, as
    // the record of finished destination tiles must take it however it is typed; the name's bytes
    // in Windows-1251 and Windows-1252 (null: not in the page), and the characters that
    // Windows-1251 lacks.
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<QByteArray>("in1251");
    QTest::addColumn<QByteArray>("in1252");
    QTest::addColumn<QString>("missing");
    QTest::newRow("relative, with . and .., from another current folder")
            << "./a/../out" << true << QByteArray("out") << QByteArray("out") << "";
    QTest::newRow("Cyrillic") << QString("Карта") << false << QByteArray("\xca\xe0\xf0\xf2\xe0")
                              << QByteArray() << "";
    QTest::newRow("Western") << QString("Jürgen é") << false << QByteArray()
                             << QByteArray("J\xfcrgen \xe9") << QString("üé");
    QTest::newRow("Chinese") << QString("地景") << false << QByteArray() << QByteArray()
                             << QString("地景");
    QTest::newRow("double quote") << QString("a\"b") << false << QByteArray() << QByteArray()
                                  << QString("\"");
}

void tst_BuilderThread::namesTheFolderForTheResampler()
{
    QFETCH(QString, folder);
    QFETCH(bool, relative);
    // The system's code page: Wine takes it from the locale, as Windows from the user's language.
    const bool windows = QDir::separator() == '\\';
    const int codePage = !windows || qEnvironmentVariable("LANG").startsWith("ru") ? 1251 : 1252;
    QCOMPARE(K_ResampleFile::codePage(), codePage);
    QFETCH(QByteArray, in1251);
    QFETCH(QByteArray, in1252);
    const QByteArray bytes = codePage == 1251 ? in1251 : in1252;

    QTemporaryDir work;
    QVERIFY(writeTiles(work.filePath("tiles"), TwoKeys) && QDir().mkpath(work.filePath("current")));
    const QString destination
            = QDir::cleanPath(work.filePath(relative ? "current/" + folder : folder));
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.filePath("current")));
    TestConversion conversion;
    conversion.run({work.filePath("tiles"), relative ? folder : destination, 12});
    QVERIFY(QDir::setCurrent(current));

    const QString shown = QDir::toNativeSeparators(destination);
    const QString separator = QDir::separator();
    if (!bytes.isNull()) {
        QCOMPARE(conversion.log().last(), QString("Converting complete."));
        QCOMPARE(destDirLine(destination, TwoKeys[0].left(14)),
                 "DestDir = \"" + QDir::toNativeSeparators(work.path()).toLatin1()
                         + (relative ? separator + "current" : QString()).toLatin1()
                         + separator.toLatin1() + bytes + separator.toLatin1() + '"');
        // Typed another way, it is the same folder to the record of finished destination tiles.
        K_BuilderThread::Settings again{work.filePath("tiles"), destination + "/.", 12};
        again.skipConverted = true;
        TestConversion resumed;
        resumed.run(again);
        QCOMPARE(resumed.log().first(), "Tile \"" + TwoKeys[0].left(14) + "\" already converted.");
    } else if (windows && conversion.log().first().contains("by its short form")) {
        // The .inf files name the folder by a form of plain ASCII that leads to the same place.
        const QByteArray line = destDirLine(destination, TwoKeys[0].left(14));
        const QString named = QString::fromLatin1(line.mid(11, line.size() - 12));
        QVERIFY2(std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; }),
                 line);
        QVERIFY2(QFileInfo(named + TwoKeys[0].left(14) + ".inf").isFile(), line);
    } else {
        QFETCH(QString, missing);
        const QString why = missing == "\""
                                    ? QString("the resampler reads folders between double quotes")
                                    : QString("its characters \"%1\" are not in code page %2")
                                              .arg(codePage == 1251 ? missing : folder)
                                              .arg(codePage);
        QCOMPARE(conversion.log().size(), 1);
        QVERIFY2(conversion.log()[0].startsWith("The .inf files cannot name \"" + shown
                                                + "\": " + why),
                 qPrintable(conversion.log()[0]));
        QVERIFY(!QFileInfo::exists(destination));
    }
}

void tst_BuilderThread::fitsOrSaysSoAtOnce_data()
{
    // The tiles of an earlier run into the folder, then those this run adds, at a BGL LOD, on a
    // file system with `free` bytes left, in whole blocks (-1: read-only, everything converted
    // already): refused at once, or done without a save error.
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<int>("lod");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<bool>("refused");
    // One tile in every quartet below 01230123012: 28 pictures of 64.1 blocks each.
    QStringList lone;
    for (int i = 0; i < 28; ++i)
        lone << "01230123012" + QString::number(i / 16) + QString::number(i / 4 % 4)
                        + QString::number(i % 4) + '0';
    const QStringList quartets{"012301230123000", "012301230123001", "012301230123002",
                               "012301230123010", "012301230123011", "012301230123012"};
    QTest::newRow("every picture takes whole blocks")
            << QStringList() << lone << 9 << qint64(1819 * 4096) << true;
    QTest::newRow("every .inf takes what it holds")
            << QStringList() << lone.mid(0, 24) << 13 << qint64(24 * (266240 + 8192)) << false;
    QTest::newRow("older pictures of other names stay")
            << quartets << QStringList{"012301230123003", "012301230123013"} << 12
            << qint64(391 * 4096) << true;
    QTest::newRow("nothing to write on a read-only folder")
            << quartets << QStringList() << 12 << qint64(-1) << false;
}

void tst_BuilderThread::fitsOrSaysSoAtOnce()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, added);
    QFETCH(int, lod);
    QFETCH(qint64, free);
    QTemporaryDir tiles, work;
    if (!TestPlatform::tmpfs(work.path(), "mount"))
        QSKIP("mounting a tmpfs needs Linux and root");
    const auto unmount = qScopeGuard([&] { TestPlatform::tmpfs(work.path(), "unmount"); });
    K_BuilderThread::Settings settings{tiles.path(), work.filePath("out"), lod};
    settings.skipConverted = true;
    if (!before.isEmpty()) {
        QVERIFY(writeTiles(tiles.path(), before));
        TestConversion().run(settings);
    }
    QVERIFY(writeTiles(tiles.path(), added));
    QVERIFY(free < 0 ? TestPlatform::tmpfs(work.path(), "read-only")
                     : TestPlatform::leaveFree(work.path(), free));
    TestConversion conversion;
    conversion.run(settings);
    QFETCH(bool, refused);
    const QStringList log = conversion.log();
    QVERIFY2(refused ? log.size() == 1 && log[0].startsWith("The pictures need up to ")
                     : log.filter("error").isEmpty() && log.last() == "Converting complete.",
             qPrintable(log.join('\n')));
}

QTEST_GUILESS_MAIN(tst_BuilderThread)
#include "tst_builderthread.moc"
