// A tile whose reading throws (out of memory) is broken in the preview; a conversion logs it as
// that tile's read error and goes on. This program's allocator fails on demand, so it is a program
// of its own and left out of scripts/tsan.sh: there the toolkit's allocations would pass through
// it, out of reach of the suppressions in .ci/tsan.supp.

#include "engine/k_previewthread.h"
#include "tiles/k_tilebitmapwriter.h"
#include "tiles/k_tilereadahead.h"

#include "testconversion.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

using Preview = K_PreviewThread;

namespace {

// Once armed, the first allocation on a thread other than the two spared ones fails: in the
// test below, that of a tile's work on a thread of the read-ahead.
std::atomic<bool> failOnce{false};
std::thread::id spared[2];

void *allocate(std::size_t size)
{
    const std::thread::id self = std::this_thread::get_id();
    if (failOnce.load() && self != spared[0] && self != spared[1] && failOnce.exchange(false))
        throw std::bad_alloc();
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

} // namespace

// Every plain form, so that what one allocates another never frees.
void *operator new(std::size_t size)
{
    return allocate(size);
}
void *operator new[](std::size_t size)
{
    return allocate(size);
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    return std::malloc(size ? size : 1);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    return std::malloc(size ? size : 1);
}
void operator delete(void *memory) noexcept
{
    std::free(memory);
}
void operator delete[](void *memory) noexcept
{
    std::free(memory);
}
void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void *memory, std::size_t) noexcept
{
    std::free(memory);
}

class tst_OutOfMemory : public QObject
{
    Q_OBJECT

private slots:
    void tileReadThatThrows()
    {
        if (K_TileReadAhead::slotCount(2) < 2)
            QSKIP("With one core no tile is read on a thread of its own.");
#if defined(Q_OS_WIN)
        QSKIP("A program's own operator new reaches into the toolkit's libraries only where the "
              "dynamic linker lets it, as on Linux.");
#endif
        QTemporaryDir dir;
        K_BuilderThread::Settings settings{dir.filePath("source"), dir.filePath("out")};
        QVERIFY(writeTiles(settings.sourceFolder, K_TileBitmapWriter::keysUnder("012301230123")));
        spared[0] = spared[1] = std::this_thread::get_id();
        failOnce = true;
        Preview preview({settings.sourceFolder, 8, QString()});
        QVERIFY(preview.build());
        QVERIFY(!failOnce.exchange(false));
        QCOMPARE(preview.counts().broken, 1);
        const QImage map = preview.picture(1);
        QStringList errors;
        for (int y = 0; y < map.height(); ++y) {
            for (int x = 0; x < map.width(); ++x) {
                if (map.pixel(x, y) == Preview::BrokenColour)
                    errors << preview.cellInfo(QPoint(x, y)).error;
            }
        }
        QCOMPARE(errors, QStringList("Not enough memory"));

        TestConversion conversion;
        conversion.onEvent = [](const QString &event) {
            if (event.startsWith("text: Step 2")) {
                spared[1] = std::this_thread::get_id();
                failOnce = true;
            }
        };
        conversion.run(settings);
        QVERIFY(!failOnce.exchange(false));
        const QStringList log = conversion.log();
        QCOMPARE(log.mid(1), QStringList({"Tile \"0123012301\" saved.", "Converting complete."}));
        QVERIFY2(QRegularExpression("^BMP tile \"012301230123\\d{3}\" read error: Not enough "
                                    "memory\\.$")
                         .match(log.first())
                         .hasMatch(),
                 qPrintable(log.first()));
    }
};

QTEST_GUILESS_MAIN(tst_OutOfMemory)
#include "tst_outofmemory.moc"
