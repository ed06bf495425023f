#include "testconversion.h"
#include "tiles/k_sampletiles.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The stand-in resampler on the .inf files of a real conversion of the sample tile set at BGL LOD
// 12 with the seasons: 01230123103001 lists one picture, 01230123012130 summer and winter at one
// place, 01230123010210 four pictures, one of them of the night.
class tst_StandinResampler : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // A file's bytes, or "none".
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "none";
    }

private slots:
    void initTestCase()
    {
        QVERIFY(K_SampleTiles::write(dir.filePath("tiles")));
        TestConversion().run(
                {dir.filePath("tiles"), dir.path(), 12, 95, false, true, true, false, true});
    }

    void checksInf_data()
    {
        QTest::addColumn<QString>("key"); // of the .inf a fault is planted in
        QTest::addColumn<QString>("planted"); // a pattern, each match replaced by `by`
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("error"); // a pattern of standard error; empty: a BGL is made
        const char *const rows[][5] = {
                {"one picture", "01230123103001", "", "", ""},
                {"summer and winter at one place", "01230123012130", "", "", ""},
                {"day and night at one place", "01230123010210", "", "", ""},
                {"a relative SourceDir", "01230123103001", "SourceDir = \"[^\"]*(Source[\\\\/])",
                 "SourceDir = \"\\1",
                 "planted.inf:4: SourceDir = \"Source.01230123103001.\" is not an absolute folder"},
                {"a missing picture", "01230123012130", "_wi.tif", "_sp.tif",
                 R"(planted.inf:23: no picture .*01230123012130_sp\.tif)"},
                {"a picture of the wrong size for its xDim", "01230123103001",
                 "xDim = 0.000057220458984375", "xDim = 0.00011444091796875",
                 R"(planted.inf:8: .*01230123103001\.tif has 512 x 512 pixels of 5\.72.*e-05 x )"
                 R"(4\.29.*e-05 degrees, not of xDim x yDim)"},
                {"a picture elsewhere", "01230123103001", "ulxMap = -19.423828125",
                 "ulxMap = -19.4",
                 R"(planted.inf:6: .*01230123103001\.tif starts at -19\.423828125, 18\.10546875)"},
                {"overlapping cells of one Variation", "01230123010210", "LightMap", "All",
                 R"(planted.inf:47: \[Source4\] overlaps \[Source1\] in a common Variation)"},
                {"overlapping cells of a common month", "01230123012130", "November", "December",
                 R"(planted.inf:19: \[Source2\] overlaps \[Source1\] in a common Variation)"},
                {"a wrong NumberOfSources", "01230123010210", "Sources = 4", "Sources = 5",
                 R"(planted.inf:3: NumberOfSources = 5, but 4 \[SourceN\] blocks follow)"},
                {"a key missing", "01230123103001", "Layer = Imagery", "",
                 R"(planted.inf:1: \[Source\] lacks Layer)"},
                {"an ill-formed value", "01230123103001", "Quality = 95", "Quality = 101",
                 R"(planted.inf:19: CompressionQuality = 101 is not well-formed)"}};
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3])
                                  << QString(row[4]);
    }

    void checksInf()
    {
        QFETCH(QString, key);
        QFETCH(QString, planted);
        QFETCH(QString, by);
        QFETCH(QString, error);
        const QByteArray text = contents(dir.filePath(key + ".inf"));
        QFile inf(dir.filePath("planted.inf"));
        const QByteArray bytes
                = QString::fromLatin1(text).replace(QRegularExpression(planted), by).toLatin1();
        QCOMPARE(bytes == text, planted.isEmpty());
        QVERIFY(inf.open(QIODevice::WriteOnly) && inf.write(bytes) == bytes.size());
        inf.close();
        QFile::remove(dir.filePath(key + ".bgl"));
        // Run from the folder of the .inf, as ORVIK runs the resampler.
        QProcess standin;
        standin.setProcessChannelMode(QProcess::MergedChannels);
        standin.setWorkingDirectory(dir.path());
        standin.start(ORVIK_STANDIN_PATH, {"planted.inf"});
        QVERIFY(standin.waitForFinished(30000) && standin.exitStatus() == QProcess::NormalExit);
        QCOMPARE(standin.exitCode(), error.isEmpty() ? 0 : 1);
        const QString output = outputText(standin.readAll()).trimmed();
        QVERIFY2(QRegularExpression("^" + error + "$").match(output).hasMatch(),
                 qPrintable(output));
        const QByteArray sha1 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
        QCOMPARE(contents(dir.filePath(key + ".bgl")),
                 error.isEmpty() ? "ORVIK stand-in BGL\nSHA-1 " + sha1 + "\n" : QByteArray("none"));
    }
};

QTEST_GUILESS_MAIN(tst_StandinResampler)
#include "tst_standinresampler.moc"
