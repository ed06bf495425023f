#include "tiles/k_flightsimulatortile.h"

#include <QTest>

#include <functional>

class tst_FlightSimulatorTile : public QObject
{
    Q_OBJECT

private slots:
    void decodesKey_data();
    void decodesKey();
    void deletesWholeSubtree();
};

void tst_FlightSimulatorTile::decodesKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("level");
    QTest::addColumn<QVector<double>>("bounds"); // west, east, south, north

    QTest::newRow("region 00") << "00" << 0 << QVector<double>{-180, -60, 0, 90};
    QTest::newRow("region 01") << "01" << 0 << QVector<double>{-60, 60, 0, 90};
    QTest::newRow("region 10") << "10" << 0 << QVector<double>{60, 180, 0, 90};
    QTest::newRow("region 02") << "02" << 0 << QVector<double>{-180, -60, -90, 0};
    QTest::newRow("region 03") << "03" << 0 << QVector<double>{-60, 60, -90, 0};
    QTest::newRow("region 12") << "12" << 0 << QVector<double>{60, 180, -90, 0};
    QTest::newRow("region 11 falls into the last") << "11" << 0 << QVector<double>{60, 180, -90, 0};
    QTest::newRow("region of letters") << "ab" << 0 << QVector<double>{60, 180, -90, 0};
    QTest::newRow("0123") << "0123" << 2 << QVector<double>{-30, 0, 0, 22.5};
    QTest::newRow("digit 4 acts as 1") << "004" << 1 << QVector<double>{-120, -60, 45, 90};
    QTest::newRow("level 13") << "030123012301230" << 13
                              << QVector<double>{-20.009765625, -19.9951171875, -18.006591796875,
                                                 -17.99560546875};
    QTest::newRow("one character") << "1" << -1 << QVector<double>{0, 0, 0, 0};
    QTest::newRow("empty") << "" << -2 << QVector<double>{0, 0, 0, 0};
}

void tst_FlightSimulatorTile::decodesKey()
{
    QFETCH(QString, key);
    QFETCH(QVector<double>, bounds);
    const K_FlightSimulatorTile tile(key);
    QCOMPARE(tile.key(), key);
    QTEST(tile.level(), "level");
    // Bounds are sums of powers of two, so they must be exact.
    QCOMPARE(QVector<double>({tile.west(), tile.east(), tile.south(), tile.north()}), bounds);
}

void tst_FlightSimulatorTile::deletesWholeSubtree()
{
    auto *root = new K_FlightSimulatorTile(QStringLiteral("01"));
    int destroyed = 0;
    std::function<void(K_FlightSimulatorTile *, int)> grow
            = [&](K_FlightSimulatorTile *tile, int depth) {
                  QObject::connect(tile, &QObject::destroyed, [&destroyed] { ++destroyed; });
                  for (int digit = 0; digit < 4 && depth > 0; digit += 3) {
                      auto *child = new K_FlightSimulatorTile(tile->key() + QString::number(digit));
                      tile->children.insert(child->key(), child);
                      grow(child, depth - 1);
                  }
              };
    grow(root, 2);
    delete root;
    QCOMPARE(destroyed, 1 + 2 + 4);
}

QTEST_APPLESS_MAIN(tst_FlightSimulatorTile)
#include "tst_flightsimulatortile.moc"
