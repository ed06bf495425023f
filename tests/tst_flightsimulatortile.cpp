#include "tiles/k_flightsimulatortile.h"

#include <QSignalSpy>
#include <QTest>

class tst_FlightSimulatorTile : public QObject
{
    Q_OBJECT

private slots:
    void decodesKey_data();
    void decodesKey();
    void childIsOneQuarterOfParent_data();
    void childIsOneQuarterOfParent();
    void deletesWholeSubtree();
};

void tst_FlightSimulatorTile::decodesKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("level");
    QTest::addColumn<double>("west");
    QTest::addColumn<double>("east");
    QTest::addColumn<double>("south");
    QTest::addColumn<double>("north");

    QTest::newRow("region 00") << "00" << 0 << -180.0 << -60.0 << 0.0 << 90.0;
    QTest::newRow("region 01") << "01" << 0 << -60.0 << 60.0 << 0.0 << 90.0;
    QTest::newRow("region 10") << "10" << 0 << 60.0 << 180.0 << 0.0 << 90.0;
    QTest::newRow("region 02") << "02" << 0 << -180.0 << -60.0 << -90.0 << 0.0;
    QTest::newRow("region 03") << "03" << 0 << -60.0 << 60.0 << -90.0 << 0.0;
    QTest::newRow("region 11 falls into the last") << "11" << 0 << 60.0 << 180.0 << -90.0 << 0.0;
    QTest::newRow("region 12") << "12" << 0 << 60.0 << 180.0 << -90.0 << 0.0;
    QTest::newRow("region 13 falls into the last") << "13" << 0 << 60.0 << 180.0 << -90.0 << 0.0;
    QTest::newRow("region of letters") << "ab" << 0 << 60.0 << 180.0 << -90.0 << 0.0;
    QTest::newRow("worked example 0123") << "0123" << 2 << -30.0 << 0.0 << 0.0 << 22.5;
    QTest::newRow("digit 4 acts as 1") << "004" << 1 << -120.0 << -60.0 << 45.0 << 90.0;
    QTest::newRow("letter acts as 1") << "00x" << 1 << -120.0 << -60.0 << 45.0 << 90.0;
    QTest::newRow("level 13") << "030123012301230" << 13 << -20.009765625 << -19.9951171875
                              << -18.006591796875 << -17.99560546875;
    QTest::newRow("one character") << "1" << -1 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("empty") << "" << -2 << 0.0 << 0.0 << 0.0 << 0.0;
}

void tst_FlightSimulatorTile::decodesKey()
{
    QFETCH(QString, key);
    const K_FlightSimulatorTile tile(key);
    QCOMPARE(tile.key(), key);
    QTEST(tile.level(), "level");
    // Bounds are sums of powers of two, so they must be exact.
    QTEST(tile.west(), "west");
    QTEST(tile.east(), "east");
    QTEST(tile.south(), "south");
    QTEST(tile.north(), "north");
    QVERIFY(tile.filePath().isEmpty());
    QVERIFY(tile.children.isEmpty());
}

void tst_FlightSimulatorTile::childIsOneQuarterOfParent_data()
{
    QTest::addColumn<QString>("parentKey");
    QTest::newRow("region") << "03";
    QTest::newRow("level 5") << "1031203";
    QTest::newRow("level 12") << "02301230123012";
}

void tst_FlightSimulatorTile::childIsOneQuarterOfParent()
{
    QFETCH(QString, parentKey);
    const K_FlightSimulatorTile parent(parentKey);
    const double midLongitude = (parent.west() + parent.east()) / 2;
    const double midLatitude = (parent.south() + parent.north()) / 2;
    const double expected[4][4] = {
            {parent.west(), midLongitude, midLatitude, parent.north()},
            {midLongitude, parent.east(), midLatitude, parent.north()},
            {parent.west(), midLongitude, parent.south(), midLatitude},
            {midLongitude, parent.east(), parent.south(), midLatitude},
    };
    for (int digit = 0; digit < 4; ++digit) {
        const K_FlightSimulatorTile child(parentKey + QString::number(digit));
        QCOMPARE(child.level(), parent.level() + 1);
        QCOMPARE(child.west(), expected[digit][0]);
        QCOMPARE(child.east(), expected[digit][1]);
        QCOMPARE(child.south(), expected[digit][2]);
        QCOMPARE(child.north(), expected[digit][3]);
        QCOMPARE(child.east() - child.west(), 120.0 / (1 << child.level()));
        QCOMPARE(child.north() - child.south(), 90.0 / (1 << child.level()));
    }
}

void tst_FlightSimulatorTile::deletesWholeSubtree()
{
    auto *root = new K_FlightSimulatorTile(QStringLiteral("01"));
    int destroyed = 0;
    auto track = [&destroyed](K_FlightSimulatorTile *tile) {
        QObject::connect(tile, &QObject::destroyed, [&destroyed] { ++destroyed; });
    };
    track(root);
    for (const char *key : {"010", "013"}) {
        auto *child = new K_FlightSimulatorTile(QLatin1String(key));
        track(child);
        root->children.insert(child->key(), child);
        for (int digit = 0; digit < 4; ++digit) {
            auto *grandChild = new K_FlightSimulatorTile(child->key() + QString::number(digit));
            track(grandChild);
            child->children.insert(grandChild->key(), grandChild);
        }
    }
    root->children.insert(QStringLiteral("012"), nullptr);
    delete root;
    QCOMPARE(destroyed, 1 + 2 + 8);
}

QTEST_APPLESS_MAIN(tst_FlightSimulatorTile)
#include "tst_flightsimulatortile.moc"
