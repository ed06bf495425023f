#include "tiles/k_flightsimulatortile.h"

#include "testconversion.h"
#include "tilebitmapwriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <geotiffio.h>
#include <xtiffio.h>

// B + two digits are source tile keys; B is a level-11 destination of 1024x1024 pixels.
static const QString B = QStringLiteral("0123012301230");

class tst_GeoTiff : public QObject
{
    Q_OBJECT

private slots:
    void placesEveryPicture();
};

// Without room for B's picture its quadrants are saved, each before the next is assembled, and
// every picture is placed where its own tile lies, to the pixel.
void tst_GeoTiff::placesEveryPicture()
{
    QTemporaryDir source, destination;
    const QStringList keys = TileBitmap::keysUnder(B);
    for (int i = 0; i < keys.size(); ++i)
        QVERIFY(TileBitmap::write(source.filePath(keys[i] + "SU.BMP"), TileBitmap::pattern(i)));
    K_FlightSimulatorTile::setPictureSizeLimit(1 << 20);
    K_BuilderThread::Settings settings;
    settings.sourceFolder = source.path();
    settings.destinationFolder = destination.path();
    settings.bglLod = 11;
    TestConversion conversion;
    int nodes = -1;
    QStringList savedBefore; // the quadrant pictures on disk as each quadrant's node begins
    conversion.onEvent = [&](const QString &event) {
        if (event == "text: Step 2 of 2. Build images...")
            nodes = 0;
        else if (nodes >= 0 && event.startsWith("value: ") && ++nodes % 5 == 2 && nodes < 20)
            savedBefore
                    << QDir(destination.filePath("Source/" + B)).entryList(QDir::Files).join(' ');
    };
    conversion.run(settings);
    QCOMPARE(savedBefore, QStringList({"", B + "0.tif", B + "0.tif " + B + "1.tif",
                                       B + "0.tif " + B + "1.tif " + B + "2.tif"}));
    QCOMPARE(conversion.log().first(),
             "Tile \"" + B + "\" does not fit into memory, its quarters are saved separately.");

    for (int digit = 0; digit < 4; ++digit) {
        const K_FlightSimulatorTile tile(B + QString::number(digit));
        const QString path = destination.filePath("Source/" + B + "/" + tile.key() + ".tif");
        TIFF *tiff = XTIFFOpen(QFile::encodeName(path).constData(), "r");
        QVERIFY(tiff);
        uint16_t count = 0;
        double *scale = nullptr, *tie = nullptr;
        QVERIFY(TIFFGetField(tiff, TIFFTAG_GEOPIXELSCALE, &count, &scale) && count == 3);
        QVERIFY(TIFFGetField(tiff, TIFFTAG_GEOTIEPOINTS, &count, &tie) && count == 6);
        // Each quadrant is 512x512: its far corner must land on the tile's bounds exactly.
        QCOMPARE(QVector<double>({tie[0], tie[1], tie[3], tie[4], tie[3] + 512 * scale[0],
                                  tie[4] - 512 * scale[1]}),
                 QVector<double>({0, 0, tile.west(), tile.north(), tile.east(), tile.south()}));
        GTIF *geoTiff = GTIFNew(tiff);
        QVector<unsigned short> keyValues;
        for (geokey_t key : {GTModelTypeGeoKey, GTRasterTypeGeoKey, GeographicTypeGeoKey,
                             GeogAngularUnitsGeoKey}) {
            unsigned short value = 0;
            GTIFKeyGetSHORT(geoTiff, key, &value, 0, 1);
            keyValues << value;
        }
        QCOMPARE(keyValues, QVector<unsigned short>({ModelTypeGeographic, RasterPixelIsArea,
                                                     GCS_WGS_84, Angular_Degree}));
        GTIFFree(geoTiff);
        XTIFFClose(tiff);
    }
}

QTEST_GUILESS_MAIN(tst_GeoTiff)
#include "tst_geotiff.moc"
