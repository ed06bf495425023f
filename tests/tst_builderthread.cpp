#include "engine/k_builderthread.h"
#include "tiles/k_flightsimulatorbmpreader.h"
#include "tiles/k_flightsimulatortile.h"
#include "tiles/k_flightsimulatortile_assembly.h"
#include "tiles/k_tilebitmapwriter.h"

#include "testconversion.h"
#include "testplatform.h"
#include "tiffsamples.h"

#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

using Settings = K_BuilderThread::Settings;
using Writer = K_TileBitmapWriter;

namespace {

// Keys in the table are written relative to this level-11 key: "B03" stands for B + "03".
QString keyOf(const QString &token)
{
    return token.startsWith('B') ? "0123012301230" + token.mid(1) : token;
}

// Writes a tile set: keys, "B0*" for every source tile below B0 (DXT1, DXT5 and DXT3 in turn),
// ":kind" for "alpha" (DXT5, alpha 0 to 255), "alpha3" (the same in DXT3), "hidden" (DXT5,
// colours under alpha 0), "transparent", "broken" (cut short), "small" (128x128),
// "smalltransparent", "folder" (a folder of that name) or "sub" (in a subfolder), and "=suffix" for
// a name other than key "SU.BMP".
void writeTileSet(const QString &folder, const QString &tiles)
{
    for (const QString &token : tiles.split(' ', Qt::SkipEmptyParts)) {
        const QString key = keyOf(token.section(QRegularExpression("[:=]"), 0, 0));
        const QString kind = token.section('=', 0, 0).section(':', 1);
        const QString suffix = token.contains('=') ? token.section('=', 1) : "SU.BMP";
        const QStringList keys
                = key.endsWith('*') ? Writer::keysUnder(key.chopped(1)) : QStringList{key};
        for (int i = 0; i < keys.size(); ++i) {
            const QString k = keys.size() > 1 ? QStringList{"", "alpha", "alpha3"}[i % 3] : kind;
            const QString path = folder + (k == "sub" ? "/sub/" : "/") + keys[i] + suffix;
            QVERIFY(QDir().mkpath(k == "folder" ? path : QFileInfo(path).path()));
            Writer::Fields fields(k == "alpha3"                   ? Writer::Dxt::Dxt3
                                  : k == "alpha" || k == "hidden" ? Writer::Dxt::Dxt5
                                                                  : Writer::Dxt::Dxt1);
            fields.cutAt = k == "broken" ? 1000 : -1;
            const int alpha = k.startsWith("alpha")                        ? -1
                              : k == "hidden" || k.endsWith("transparent") ? 0
                                                                           : 255;
            const QImage picture = Writer::pattern(int(qHash(keys[i], 0) % 1000), alpha,
                                                   k.startsWith("small") ? 128 : 256);
            QVERIFY(k == "folder" || Writer::write(path, picture, fields));
        }
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

// The log of "B0 saved, B03 read error: File not exists": "Tile" or "BMP tile", key, text, full
// stop. "B1 unwritable: reason" names B1's picture at BGL LOD 12, "B1.inf unwritable: reason"
// its .inf. An entry with its own full stop stands as it is, "$d" in it the destination, "$/" the
// separator, "$," a comma; a log that does not end in one ends in "Converting complete.".
QStringList logLines(const QString &description, const QString &destination = QString())
{
    QStringList lines;
    const QString shown = QString(description)
                                  .replace("$/", QDir::separator())
                                  .replace("$,", "\x01")
                                  .replace("$d", QDir::toNativeSeparators(destination));
    for (QString entry : shown.split(", ", Qt::SkipEmptyParts)) {
        entry.replace('\x01', ',');
        const QString what = entry.section(' ', 1).replace(
                "$m", "does not fit into memory, its quarters are saved separately");
        const QString name = entry.section(' ', 0, 0);
        const QString key = keyOf(name.section('.', 0, 0));
        const bool bmp = what.startsWith("read") || what.startsWith("image");
        if (entry.endsWith('.'))
            lines << entry;
        else if (what.startsWith("unwritable: "))
            lines << QStringLiteral("Cannot write \"%1\": %2.")
                             .arg(QDir::toNativeSeparators(
                                          destination
                                          + (name.endsWith(".inf")
                                                     ? '/' + key + ".inf"
                                                     : "/Source/" + key + '/' + key + ".tif")),
                                  what.section(": ", 1));
        else
            lines << QStringLiteral("%1 \"%2\" %3.").arg(bmp ? "BMP tile" : "Tile", key, what);
    }
    return description.endsWith('.') ? lines : lines << "Converting complete.";
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

// Leaves `room` bytes free on the file system of `root`.
bool fill(const QString &root, qint64 room)
{
    QFile filler(root + "/filler");
    const QByteArray bytes(QStorageInfo(root).bytesAvailable() - room, 'f');
    return filler.open(QIODevice::WriteOnly) && filler.write(bytes) == bytes.size()
           && filler.flush() && QStorageInfo(root).bytesAvailable() == room;
}

} // namespace

class tst_BuilderThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installEnglishPluralForms(); }
    void converts_data();
    void converts();
};

void tst_BuilderThread::converts_data()
{
    // "tiles | options | fault | files | log". Options: "lod=N" (12 if not given), "quality=N",
    // "single", "keep" (neither transparent nor broken tiles passed), "white" (broken tiles not
    // passed), "mirror", "limit=KiB" (of a picture), "source=PATH", "dest=PATH" (blank if none),
    // "cyrillic", "unix" or "windows" (a row for that system only). A fault strikes before the run
    // or at an event of step 1 or 2. Files: those written; with "old:" those there before, which
    // must stay as they were; with "stale:" the temporaries a killed run left, which must go;
    // "rec=B0+B2" the destination tiles recorded as finished.
    QTest::addColumn<QString>("row");
    const auto row = [](const char *name, const char *text) {
        QTest::newRow(name) << QString::fromUtf8(text)
                                       .replace("$2", "B0* B1*")
                                       .replace("$3", "B0* B1* B20")
                                       .replace("$c", "read error: Compressed image reading error");
    };
    row("quadrants in place", "B00 B01 B02 B03 | cyrillic | | B0 rec=B0 | B0 saved");
    row("south-east missing: three pictures in key order",
        "B02 B00 B01 | quality=100 | | B0.inf B00.tif B01.tif B02.tif rec=B0 | B0 saved");
    row("south-east missing, single picture", "B00 B01 B02 | single | | B0 rec=B0 | B0 saved");
    row("alpha of every kind through three levels",
        "012301230123* 012301230123000:hidden B33:hidden 012301230123333:transparent | lod=10 keep "
        "| | 012301230123 rec=012301230123 | 012301230123 saved");
    row("broken tile passed: largest complete squares",
        "B* B00:broken | lod=11 | | B.inf B01.tif B02.tif B03.tif B1.tif B2.tif B3.tif rec=B | B00 "
        "$c, B saved");
    row("broken tile painted white", "B* B00:broken | lod=11 keep | | B rec=B | B00 $c, B saved");
    row("128x128 tile is broken", "B00 B01 B02 B03:small | | | B0.inf B00.tif B01.tif B02.tif "
                                  "rec=B0 | B03 image dimensions not 256x256, B0 saved");
    row("128x128 transparent tile passed, not painted white",
        "B00:smalltransparent B01 B02 B03 | white | | B0.inf B01.tif B02.tif B03.tif rec=B0 | B00 "
        "image dimensions not 256x256, B0 saved");
    row("transparent tile passed",
        "B00:transparent B01 B02 B03 | | | B0.inf B01.tif B02.tif B03.tif rec=B0 | B0 saved");
    row("only transparent tiles: nothing", "B00:transparent B01:transparent | | | | ");
    row("mirrored tiles", "B00:alpha B01 B02 B03 | mirror | | B0 rec=B0 | B0 saved");
    row("level 13, every tile alone",
        "B00:alpha B03:broken | lod=13 | | B00 rec=B00 | B00 saved, B03 $c");
    row("level 0, intermediate tiles at every length",
        "010000000000000 013333333333333:alpha | lod=0 | | 01.inf 010000000000000.tif "
        "013333333333333.tif rec=01 | 01 saved");
    row("too large for one picture: its quadrants instead, each saved before the next is built",
        "B* | lod=11 limit=1024 | three saved at 2 value: 80 | B.inf B0.tif B1.tif B2.tif B3.tif "
        "rec=B | B $m, B saved");
    row("too large, single: only quadrants holding tiles",
        "B00 B33:alpha | lod=11 limit=1024 single | | B.inf B0.tif B3.tif rec=B | B $m, B saved");
    row("only 21-character names ending in SU.BMP, in any case, one key once",
        "abcDEF012301230=su.bmp abcDEF012301231=Su.Bmp abcDEF012301232 abcDEF012301233 B0 B000 "
        "B01=SU.BMX B02=SU.BMP.txt B03:folder B10:sub B11 B11=su.bmp | | | B1.inf B11.tif "
        "abcDEF01230123 rec=B1+abcDEF01230123 | B1 saved, abcDEF01230123 saved");
    row("missing source folder", "B00 | source=/nonexistent/orvik | | | Source folder "
                                 "\"/nonexistent/orvik\" does not exist.");
    row("blank destination", "B00 | dest= | | | Destination folder is not set.");
    row("destination in a folder nobody writes into",
        "B00 | dest=/proc/orvik unix | | | Cannot write into the destination folder "
        "\"/proc/orvik\": No such file or directory.");
    row("destination on a drive that does not exist",
        "B00 | dest=Q:/orvik windows | | | Cannot write into the destination folder \"Q:\\orvik\": "
        "No such drive or folder.");
    row("another run's .inf files stay and are named",
        "$2 | | | old:B2.inf old:B3.inf B0 B1 rec=B0+B1 | \"$d\" already holds 2 .inf files that "
        "this run does not write$, of another BGL LOD or another source$, such as "
        "\"01230123012302.inf\"., B0 saved, B1 saved");
    row("a killed run's temporaries go, nothing else",
        "$2 | | | stale:B0.tif stale:B11.tif stale:B0.inf old:B1.tif.bak B0 B1 rec=B0+B1 | "
        "Removed 3 temporary files that an interrupted run left in \"$d\"., B0 saved, B1 saved");

    row("break while scanning", "$2 | | break at 1 value: 10 | | Break.");
    row("break on the first node", "$2 | | break at 2 value: 10 | | Break.");
    row("break after the first destination tile",
        "$2 | | break at 2 B0 saved | B0 rec=B0 | B0 saved, Break.");

    row("destination turns read-only: the first save error says why",
        "$3 | | read-only at 2 value: 50 | B0 rec=B0 | B0 saved, B1 save error, B1 unwritable: "
        "Read-only file system, B20 save error");
    row("too little room for the pictures: one line, nothing read",
        "$3 | | full | | The pictures need up to 2.4\u00a0MB$, but \"$d\" has only 1.0\u00a0MB "
        "free.");
    row("file size limit reached while saving a picture",
        "$3 | | size limit at 2 B0 saved | old:B1 B0 B2.inf B20.tif rec=B0+B2 | B0 saved, B1 save "
        "error, B1 unwritable: File too large, B2 saved");
    row("disk runs full while writing the .inf",
        "$3 | | inf full at 2 value: 41 | old:B0.inf B0.tif | B0 .inf create error, B0.inf "
        "unwritable: No space left on device, B0 saved, B1 save error, B20 save error");
    row(".inf name taken by a folder",
        "$3 | | inf folder | B0.tif B1 B2.inf B20.tif rec=B1+B2 | B0 .inf create error, B0.inf "
        "unwritable: Filename refers to a directory, B0 saved, B1 saved, B2 saved");
    row("destination removed before a picture is saved",
        "$3 | | removed at 2 value: 41 | B0 B1 B2.inf B20.tif rec=B0+B1+B2 | B0 saved, B1 saved, "
        "B2 saved");
    row("destination replaced by a file",
        "$3 | | replaced at 2 B0 saved | | B0 saved, The record of finished destination tiles "
        "\"$d$/ORVIK-converted.txt\" cannot be written: \"$d\" is not a folder., B1 save error, "
        "B1 unwritable: \"$d\" is not a folder, B20 save error");
    row("source tile deleted after the scan",
        "$3 | | tile gone at 1 value: 0 | B0.inf B00.tif B01.tif B02.tif B1 B2.inf B20.tif "
        "rec=B0+B1+B2 | B03 read error: File not exists, B0 saved, B1 saved, B2 saved");
}

void tst_BuilderThread::converts()
{
    QFETCH(QString, row);
    const QStringList column = row.split(QRegularExpression(" ?\\| ?"));
    const QString options = column[1], fault = column[2].section(" at ", 0, 0);
    const QString when = column[2].section(" at ", 1);

    if (options.contains(QDir::separator() == '/' ? "windows" : "unix"))
        QSKIP("a case of another system");
    QTemporaryDir source, work;
    writeTileSet(source.path(), column[0]);
    const int entries = int(QDir(source.path()).count()); // dot entries included
    Settings s;
    const auto number = [&](const QString &name, int otherwise) {
        return options.contains(name) ? options.section(name, 1).section(' ', 0, 0).toInt()
                                      : otherwise;
    };
    s.bglLod = number("lod=", 12);
    s.compressionQuality = number("quality=", 95);
    s.singleDestinationImage = options.contains("single");
    s.passCompletelyTransparentTiles = !options.contains("keep");
    s.passBrokenTiles = !options.contains("keep") && !options.contains("white");
    s.verticalMirrorSourceTiles = options.contains("mirror");
    K_TileAssembly::setPictureSizeLimit(qint64(number("limit=", 1 << 21)) << 10);
    s.sourceFolder = "  "
                     + (options.contains("source=") ? options.section("source=", 1) : source.path())
                     + "  ";
    // The .inf names the folder with native separators in the Windows Cyrillic code page, where
    // what the page lacks becomes its replacement character.
    const bool cyrillic = options.contains("cyrillic");
    QString destination = work.filePath(cyrillic ? "out/Карта日" : "out");
    const QByteArray folderBytes
            = QDir::toNativeSeparators(work.filePath("out/")).toLatin1()
              + (cyrillic ? "\xca\xe0\xf0\xf2\xe0\x1a" + QByteArray(1, QDir::separator().toLatin1())
                          : "");
    const QString typedDestination = options.section("dest=", 1).section(' ', 0, 0);
    if (!typedDestination.isEmpty())
        destination = typedDestination;
    s.destinationFolder
            = options.contains("dest=") ? "   " + typedDestination : "  " + destination + "  ";

    const bool onTmpfs = fault == "read-only" || fault.endsWith("full");
    if (onTmpfs && !TestPlatform::tmpfs(work.path(), "mount"))
        QSKIP("mounting a tmpfs needs Linux and root");
    if (fault == "size limit" && !TestPlatform::limitFileSize(-1))
        QSKIP("limiting the size of files needs Linux");
    const auto unmount = qScopeGuard([&] {
        if (onTmpfs)
            TestPlatform::tmpfs(work.path(), "unmount");
    });
    // "B0" is B0.inf and B0's own picture, "B0.inf" or "B20.tif" the one file, "B1.tif.bak" a
    // file beside that picture.
    QStringList newFiles, oldFiles, staleFiles, recorded;
    for (const QString &token : column[3].split(' ', Qt::SkipEmptyParts)) {
        if (token.startsWith("rec=")) {
            for (const QString &key : token.mid(4).split('+'))
                recorded << keyOf(key);
            continue;
        }
        const QString name = token.section(':', -1);
        const QString key = keyOf(name.section('.', 0, 0));
        const QString extension = name.section('.', 1, 1);
        QStringList files;
        if (extension != "tif")
            files << key + ".inf";
        if (extension != "inf")
            files << QStringLiteral("Source/%1/%2.tif").arg(key.left(s.bglLod + 2), key);
        const QString suffix = token.startsWith("stale:") ? "Ab12Cd" : name.section('.', 2);
        if (!suffix.isEmpty())
            files.replaceInStrings(QRegularExpression("$"), '.' + suffix);
        (token.startsWith("old:")     ? oldFiles
         : token.startsWith("stale:") ? staleFiles
                                      : newFiles)
                << files;
    }
    if (!recorded.isEmpty())
        newFiles << "ORVIK-converted.txt";
    // Older files are kept when nothing replaces them; an older .inf is replaced whole.
    for (const QString &file : oldFiles + staleFiles + newFiles.filter(".inf")) {
        QVERIFY(QDir().mkpath(QFileInfo(destination + '/' + file).path()));
        QVERIFY(Writer::writeBytes(destination + '/' + file, oldFiles.contains(file)
                                                                     ? "older " + file.toUtf8()
                                                                     : QByteArray(5000, 'x')));
    }

    TestConversion conversion;
    const auto strike = [&] {
        QFile tile(source.filePath(keyOf("B03SU.BMP")));
        if (fault == "break")
            conversion.requestBreak();
        return fault == "break"
               || (fault == "read-only" && TestPlatform::tmpfs(work.path(), "read-only"))
               || (fault == "full" && fill(work.path(), 1 << 20))
               // Room for the pixels of a 512x512 picture and a page for its header only.
               || (fault == "inf full" && fill(work.path(), 512 * 512 * 4 + 4096))
               || (fault == "size limit" && TestPlatform::limitFileSize(512 * 1024))
               || (fault == "inf folder" && QDir().mkpath(destination + '/' + keyOf("B0.inf")))
               || (fault == "removed" && QDir(destination).removeRecursively())
               || (fault == "replaced" && QDir(destination).removeRecursively()
                   && Writer::writeBytes(destination, "not a folder"))
               || (fault == "tile gone" && tile.remove())
               // As the last quadrant's node, 17th of 21, begins: three pictures and dot entries.
               || (fault == "three saved"
                   && QDir(destination + "/Source/" + keyOf("B")).count() == 5);
    };
    const QString trigger = when.section(' ', 1);
    const QString event = trigger.startsWith("value:") ? trigger : "log: " + logLines(trigger)[0];
    int struck = fault.isEmpty() ? 1 : when.isEmpty() ? (strike() ? 1 : -1) : 0, step = 0;
    conversion.onEvent = [&](const QString &e) {
        step += e.startsWith("text: Step ");
        if (!struck && step == when.section(' ', 0, 0).toInt() && e == event)
            struck = strike() ? 1 : -1;
    };
    conversion.run(s);
    TestPlatform::limitFileSize(-1);
    QCOMPARE(struck, 1);

    const QStringList log = logLines(column[4], destination);
    QCOMPARE(conversion.log(), log);
    // Lines that inform rather than warn.
    const QRegularExpression noProblem(" saved\\.$|^Converting complete\\.$|^Break\\.$|does not "
                                       "fit into memory|^Cannot write \"|^The record|already "
                                       "holds|^Removed");
    QCOMPARE(conversion.problems, int(log.size() - log.filter(noProblem).size()));
    if (log.last() == "Converting complete.") {
        // Step 1 reports each listing entry, step 2 each tile node.
        QStringList expected;
        for (const auto &[text, count] :
             {std::pair("Step 1 of 2. Source folder scanning...", entries),
              {"Step 2 of 2. Build images...", conversion.tilesCount},
              {"", 0}}) {
            expected << "value: 0" << QStringLiteral("text: ") + text;
            for (int i = 1; i <= count; ++i)
                expected << QStringLiteral("value: %1").arg(100 * i / count);
        }
        QCOMPARE(conversion.events.filter(QRegularExpression("^(value|text): ")), expected);
    } else if (log.last() == "Break.") {
        QCOMPARE(conversion.events.mid(conversion.events.size() - 3),
                 QStringList({"log: Break.", "value: 0", "text: "}));
        QCOMPARE(conversion.sourceTiles.isEmpty(), when.startsWith('1'));
    } else {
        // A run stopped by its checks reads no tile.
        QVERIFY(!conversion.events.contains("text: Step 2 of 2. Build images..."));
    }

    QStringList all = newFiles + oldFiles;
    all.sort();
    const QMap<QString, QByteArray> written = contentsBelow(destination);
    QCOMPARE(written.keys(), all);
    // Each line after the first ends in a key, after the .inf's hash and the variants.
    const QString recordText = outputText(written.value("ORVIK-converted.txt"));
    QCOMPARE(recordText.split('\n', Qt::SkipEmptyParts)
                     .mid(1)
                     .replaceInStrings(QRegularExpression("^\\S+ \\S+ "), ""),
             recorded);
    for (const QString &file : all) {
        if (file == "ORVIK-converted.txt")
            continue;
        const QString key = QFileInfo(file).completeBaseName();
        const QStringList pictures
                = newFiles.filter("Source/" + key + "/")
                          .replaceInStrings(QRegularExpression(".*/|\\.tif$"), "");
        if (oldFiles.contains(file))
            QCOMPARE(written[file], "older " + file.toUtf8());
        else if (file.endsWith(".inf"))
            QCOMPARE(written[file], infText(folderBytes, key, pictures, s.compressionQuality));
        else {
            const QString path = destination + '/' + file;
            const QImage picture = readTiffSamples(path);
            QVERIFY2(!picture.isNull() && picture == literalPicture(key, source.path(), s),
                     qPrintable(file));
            // Geographic, pixel is area, WGS 84, degrees; the far corner on the tile's bounds.
            const K_FlightSimulatorTile tile(key);
            QCOMPARE(readGeoReference(path),
                     QVector<double>({3, 6, 0, 0, tile.west(), tile.north(), tile.east(),
                                      tile.south(), 2, 1, 4326, 9102}));
        }
    }
}

QTEST_GUILESS_MAIN(tst_BuilderThread)
#include "tst_builderthread.moc"
