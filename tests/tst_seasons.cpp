#include "app/k_commandline.h"
#include "testconversion.h"
#include "tilebitmapwriter.h"
#include "ui/k_formmain.h"
#include "ui/k_formoptions.h"

#include <QCheckBox>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Writes key + letters + ".bmp" for each key, with a picture of `seed` and the key's last two
// digits: a key followed by "!" is written broken, one followed by "~" completely transparent.
static void writeTiles(const QString &folder, const QString &letters, int seed,
                       const QStringList &keys)
{
    QVERIFY(QDir().mkpath(folder));
    for (const QString &key : keys) {
        TileBitmap::Fields fields;
        fields.cutAt = key.endsWith('!') ? 1000 : -1;
        QVERIFY(TileBitmap::write(
                folder + "/" + key.left(15) + letters + ".bmp",
                TileBitmap::pattern(seed + key.mid(13, 2).toInt(), key.endsWith('~') ? 0 : 255),
                fields));
    }
}

class tst_Seasons : public QObject
{
    Q_OBJECT

private slots:
    void eachVariantConvertsAsAlone_data();
    void eachVariantConvertsAsAlone();
    void infListsTheVariants_data();
    void infListsTheVariants();
    void optionIsStoredAndParsed();
};

void tst_Seasons::eachVariantConvertsAsAlone_data()
{
    QTest::addColumn<bool>("keep"); // broken and transparent tiles painted instead of passed
    QTest::addColumn<bool>("single");
    QTest::newRow("defaults") << false << false;
    QTest::newRow("broken and transparent tiles kept, single image") << true << true;
}

void tst_Seasons::eachVariantConvertsAsAlone()
{
    // Summer covers the destination B at BGL LOD 11; the others parts of it (spring a lone tile,
    // winter a gap, hard winter a broken tile, night a transparent one), letters in any case.
    const QString B = "0123012301230";
    const QList<QPair<QString, QStringList>> variants
            = {{"SU", TileBitmap::keysUnder(B)},
               {"Sp", {B + "00"}},
               {"wI", {B + "00", B + "01", B + "02", B + "03", B + "10", B + "11", B + "12"}},
               {"HW", {B + "20", B + "21", B + "22", B + "23!"}},
               {"lm", {B + "30", B + "31", B + "32", B + "33~"}}};
    QTemporaryDir dir;
    K_BuilderThread::Settings settings;
    settings.bglLod = 11;
    QFETCH(bool, keep);
    settings.passBrokenTiles = settings.passCompletelyTransparentTiles = !keep;
    QFETCH(bool, single);
    settings.singleDestinationImage = single;
    auto convert = [&](TestConversion &conversion, const QString &from, const QString &to,
                       bool seasons) {
        settings.sourceFolder = dir.filePath(from);
        settings.destinationFolder = dir.filePath(to);
        settings.convertSeasons = seasons;
        conversion.run(settings);
        return contentsBelow(settings.destinationFolder + "/Source");
    };
    for (int v = 0; v < variants.size(); ++v) {
        writeTiles(dir.filePath("all"), variants[v].first, v * 100, variants[v].second);
        writeTiles(dir.filePath(variants[v].first), "SU", v * 100, variants[v].second);
    }
    TestConversion seasons;
    const QMap<QString, QByteArray> pictures = convert(seasons, "all", "seasons", true);
    QCOMPARE(seasons.log().filter("saved.").size(), 1);

    QMap<QString, QByteArray> expected;
    int tilesCount = 0;
    for (int v = 0; v < variants.size(); ++v) {
        const QString letters = v ? variants[v].first.toUpper() : QString();
        TestConversion alone;
        const auto own = convert(alone, variants[v].first, variants[v].first + "-out", false);
        const QString suffix = (v ? "_" + letters.toLower() : QString()) + ".tif";
        for (auto it = own.cbegin(); it != own.cend(); ++it)
            expected.insert(QString(it.key()).replace(".tif", suffix), it.value());
        // Problems name the tile by its key and letters.
        for (QString line : alone.log().filter("BMP tile"))
            QVERIFY(seasons.log().contains(
                    line.replace(QRegularExpression("(\\d{15})"), "\\1" + letters)));
        tilesCount += alone.tilesCount;
    }
    QVERIFY(pictures == expected);
    QCOMPARE(seasons.tilesCount, tilesCount);

    // Without the option the other variants are not even read.
    TestConversion off;
    QCOMPARE(convert(off, "all", "off", false), contentsBelow(dir.filePath("SU-out/Source")));
}

void tst_Seasons::infListsTheVariants_data()
{
    QTest::addColumn<QString>("key"); // a source tile key; one tile of it per variant
    QTest::addColumn<QStringList>("letters");
    QTest::addColumn<QString>("expected"); // the SourceFile and Variation values, the key as %1
    const QString north = "012301230123010";
    QTest::newRow("summer only") << north << QStringList{"SU"} << "%1.tif All";
    QTest::newRow("summer, winter, hard winter, north")
            << north << QStringList{"SU", "WI", "HW"}
            << "%1.tif March,April,May,June,July,August,September,October %1_wi.tif November "
               "%1_hw.tif January,February,December";
    QTest::newRow("summer, winter, hard winter, south")
            << "022301230123010" << QStringList{"SU", "WI", "HW"}
            << "%1.tif January,February,March,April,September,October,November,December "
               "%1_wi.tif May %1_hw.tif June,July,August";
    QTest::newRow("night only") << north << QStringList{"LM"} << "%1_lm.tif LightMap";
    QTest::newRow("day variants without summer")
            << north << QStringList{"FA", "SP"}
            << "%1_sp.tif March,April,May %1_fa.tif September,October";
}

void tst_Seasons::infListsTheVariants()
{
    QFETCH(QString, key);
    QFETCH(QStringList, letters);
    QTemporaryDir dir;
    for (const QString &variant : letters)
        writeTiles(dir.path(), variant, 0, {key});
    K_BuilderThread::Settings settings;
    settings.bglLod = 12; // the tile is saved on its own
    settings.sourceFolder = dir.path();
    settings.destinationFolder = dir.filePath("out");
    auto inf = [&](bool seasons) {
        settings.convertSeasons = seasons;
        TestConversion().run(settings);
        QFile file(settings.destinationFolder + "/" + key.chopped(1) + ".inf");
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    };
    const QString withoutSeasons = inf(false);
    const QString text = inf(true);
    if (letters == QStringList{"SU"})
        QCOMPARE(text, withoutSeasons);
    QStringList values;
    const QRegularExpression line("^(SourceFile|Variation) = \"?([^\"\n]*)",
                                  QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch &match : line.globalMatch(text))
        values << match.captured(2);
    QFETCH(QString, expected);
    QCOMPARE(values.join(' '), expected.arg(key));
}

void tst_Seasons::optionIsStoredAndParsed()
{
    QTemporaryDir config;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    {
        K_FormMain window;
        K_FormOptions options(&window);
        auto *box = options.findChild<QCheckBox *>("convertSeasonsCheckBox");
        QVERIFY(box && !box->isChecked());
        box->setChecked(true);
        options.accept();
    }
    K_FormMain restored;
    K_TileMap maps[2];
    QVERIFY(K_BuilderThread(&restored, &maps[0], &maps[1]).settings().convertSeasons);
    QVERIFY(K_CommandLine::parse({"orvik-convert", "--seasons", "a", "b"}).settings.convertSeasons);
    QVERIFY(!K_CommandLine::parse({"orvik-convert", "a", "b"}).settings.convertSeasons);
}

QTEST_MAIN(tst_Seasons)
#include "tst_seasons.moc"
