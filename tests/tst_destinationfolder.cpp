#include "tiles/k_resamplefile.h"
#include "tiles/k_tilebitmapwriter.h"

#include "testconversion.h"
#include "testplatform.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList Keys{"012301230123010", "012301230123011"};

// The .inf line that names the destination, as the file holds it.
QByteArray destDirLine(const QString &folder, const QString &key)
{
    QFile file(folder + '/' + key + ".inf");
    const QByteArray text = file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll() : "";
    const qsizetype at = text.indexOf("DestDir = ");
    return at < 0 ? QByteArray() : text.mid(at, text.indexOf('\n', at) - at);
}

} // namespace

class tst_DestinationFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installEnglishPluralForms(); }
    void namesTheFolderForTheResampler_data();
    void namesTheFolderForTheResampler();
    void fitsOrSaysSoAtOnce_data();
    void fitsOrSaysSoAtOnce();
};

void tst_DestinationFolder::namesTheFolderForTheResampler_data()
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

void tst_DestinationFolder::namesTheFolderForTheResampler()
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
    QVERIFY(writeTiles(work.filePath("tiles"), Keys) && QDir().mkpath(work.filePath("current")));
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
        QCOMPARE(destDirLine(destination, Keys[0].left(14)),
                 "DestDir = \"" + QDir::toNativeSeparators(work.path()).toLatin1()
                         + (relative ? separator + "current" : QString()).toLatin1()
                         + separator.toLatin1() + bytes + separator.toLatin1() + '"');
        // Typed another way, it is the same folder to the record of finished destination tiles.
        K_BuilderThread::Settings again{work.filePath("tiles"), destination + "/.", 12};
        again.skipConverted = true;
        TestConversion resumed;
        resumed.run(again);
        QCOMPARE(resumed.log().first(), "Tile \"" + Keys[0].left(14) + "\" already converted.");
    } else if (windows && conversion.log().first().contains("by its short form")) {
        // The .inf files name the folder by a form of plain ASCII that leads to the same place.
        const QByteArray line = destDirLine(destination, Keys[0].left(14));
        const QString named = QString::fromLatin1(line.mid(11, line.size() - 12));
        QVERIFY2(std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; }),
                 line);
        QVERIFY2(QFileInfo(named + Keys[0].left(14) + ".inf").isFile(), line);
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

void tst_DestinationFolder::fitsOrSaysSoAtOnce_data()
{
    // The tiles of an earlier run into the folder, then those this run adds, at a BGL LOD, on a
    // file system with `free` bytes left, in whole blocks (-1: read-only, everything converted
    // already): refused at
    // once, or done without a save error.
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

void tst_DestinationFolder::fitsOrSaysSoAtOnce()
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
    for (const QString &key : added)
        QVERIFY(writeTiles(tiles.path(), {key}));
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

QTEST_GUILESS_MAIN(tst_DestinationFolder)
#include "tst_destinationfolder.moc"
