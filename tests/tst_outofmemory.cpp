// A conversion logs a tile whose reading throws (out of memory) as that tile's read error and
// goes on. This program's allocator fails on demand, so it is a program of its own and left out
// of scripts/tsan.sh: there the toolkit's allocations would pass through it, out of reach of the
// suppressions in .ci/tsan.supp.

#include "engine/k_builderthread.h"
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
        // A first run starts the painter's threads, whose allocations must not be the ones to fail.
        TestConversion().run({settings.sourceFolder, dir.filePath("first")});
        spared[0] = std::this_thread::get_id();
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
        QCOMPARE(QString(log.first()).remove(QRegularExpression("(?<=\"012301230123)\\d{3}")),
                 "BMP tile \"012301230123\" read error: Not enough memory.");
    }
};

QTEST_GUILESS_MAIN(tst_OutOfMemory)
#include "tst_outofmemory.moc"
