#include "testconversion.h"
#include "tiles/k_tilebitmapwriter.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Writes key + tail + letters + ".bmp" for each two-digit tail, a picture of `seed` + the tail:
// a tail followed by "!" is written broken, by "~" completely transparent.
static void writeVariant(const QString &folder, const QString &key, const QString &letters,
                         int seed, const QString &tails)
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

class tst_Seasons : public QObject
{
    Q_OBJECT

private slots:
    // Summer covers the destination at BGL LOD 11; the others parts of it (spring a lone tile,
    // winter with a gap, hard winter with a broken tile, night with a transparent one), letters in
    // any case.
    void eachVariantConvertsAsAlone()
    {
        const QStringList variants
                = {"SU:00 01 02 03 10 11 12 13 20 21 22 23 30 31 32 33", "Sp:00",
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
            writeVariant(dir.filePath("all"), "0123012301230", letters, v * 100,
                         variants[v].mid(3));
            writeVariant(dir.filePath(letters), "0123012301230", "SU", v * 100, variants[v].mid(3));
            TestConversion alone;
            const auto own = convert(alone, letters, false);
            for (auto it = own.cbegin(); it != own.cend(); ++it)
                expected.insert(QString(it.key()).replace(".tif", (v ? "_" + suffix.toLower() : "")
                                                                          + ".tif"),
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

    void infListsTheVariants_data()
    {
        QTest::addColumn<QString>("key"); // a destination at BGL LOD 12: its tile 0 in each variant
        QTest::addColumn<QString>("letters");
        QTest::addColumn<QString>("expected"); // the SourceFile and Variation values, %1 the key
        const char *const rows[][4] = {
                {"summer only", "01230123012301", "SU", "%10.tif All"},
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

    void infListsTheVariants()
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
};

QTEST_GUILESS_MAIN(tst_Seasons)
#include "tst_seasons.moc"
