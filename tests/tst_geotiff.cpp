#include "tiles/k_flightsimulatortile.h"

#include "testconversion.h"
#include "tiles/k_tilebitmapwriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <geotiffio.h>
#include <xtiffio.h>

class tst_GeoTiff : public QObject
{
    Q_OBJECT

private slots:
    // Without room for the picture of B, a level-11 destination of 1024x1024 pixels, its quadrants
    // are saved, each before the next is assembled, and each is placed on its own tile exactly.
    void placesEveryPicture()
    {
        const QString B = "0123012301230";
        QTemporaryDir source, destination;
        QVERIFY(writeTiles(source.path(), K_TileBitmapWriter::keysUnder(B)));
        K_FlightSimulatorTile::setPictureSizeLimit(1 << 20);
        TestConversion conversion;
        int nodes = -1;
        QStringList savedBefore; // the quadrant pictures on disk as each quadrant's node begins
        conversion.onEvent = [&](const QString &event) {
            if (event == "text: Step 2 of 2. Build images...")
                nodes = 0;
            else if (nodes >= 0 && event.startsWith("value: ") && ++nodes % 5 == 2 && nodes < 20)
                savedBefore << QDir(destination.filePath("Source/" + B))
                                       .entryList(QDir::Files)
                                       .join(' ');
        };
        conversion.run({source.path(), destination.path(), 11});
        QCOMPARE(savedBefore, QStringList({"", B + "0.tif", B + "0.tif " + B + "1.tif",
                                           B + "0.tif " + B + "1.tif " + B + "2.tif"}));
        for (int digit = 0; digit < 4; ++digit) {
            const K_FlightSimulatorTile tile(B + QString::number(digit));
            TIFF *tiff = XTIFFOpen(QFile::encodeName(destination.filePath("Source/" + B + "/"
                                                                          + tile.key() + ".tif")),
                                   "r");
            uint16_t count = 0, scaleCount = 0;
            double *scale = nullptr, *tie = nullptr;
            QVERIFY(tiff && TIFFGetField(tiff, TIFFTAG_GEOPIXELSCALE, &scaleCount, &scale)
                    && TIFFGetField(tiff, TIFFTAG_GEOTIEPOINTS, &count, &tie));
            // Each quadrant is 512x512: its far corner must land on the tile's bounds exactly.
            QCOMPARE(QVector<double>({double(scaleCount), double(count), tie[0], tie[1], tie[3],
                                      tie[4], tie[3] + 512 * scale[0], tie[4] - 512 * scale[1]}),
                     QVector<double>(
                             {3, 6, 0, 0, tile.west(), tile.north(), tile.east(), tile.south()}));
            GTIF *geoTiff = GTIFNew(tiff);
            const geokey_t geoKeys[] = {GTModelTypeGeoKey, GTRasterTypeGeoKey, GeographicTypeGeoKey,
                                        GeogAngularUnitsGeoKey};
            QVector<unsigned short> values(4);
            for (int k = 0; k < 4; ++k)
                GTIFKeyGetSHORT(geoTiff, geoKeys[k], &values[k], 0, 1);
            QCOMPARE(values, QVector<unsigned short>({ModelTypeGeographic, RasterPixelIsArea,
                                                      GCS_WGS_84, Angular_Degree}));
            GTIFFree(geoTiff);
            XTIFFClose(tiff);
        }
    }
};

QTEST_GUILESS_MAIN(tst_GeoTiff)
#include "tst_geotiff.moc"
