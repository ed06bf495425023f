#ifndef K_TILEREADAHEAD_H
#define K_TILEREADAHEAD_H

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs one piece of work per tile on every core, ahead of a consumer that takes the results in
// order: the consumer calls waitFor(0), waitFor(1), ... and, while a tile it waits for is still
// running elsewhere, starts the next one itself. Tiles are started in index order, so the results
// arrive roughly in the order they are wanted, and the consumer keeps its own order of log lines
// and progress values.
//
// `work(index, slot)` must only touch what belongs to tile `index`, plus per-thread buffers chosen
// by `slot` (0 for the consumer's thread, up to slotCount() - 1). The destructor starts no more
// tiles and waits for the running ones, so whatever the work writes into may be freed after it.
// Nothing leaves the object as an exception: a tile whose work throws (std::bad_alloc, above all)
// counts as failed, and threads that cannot be started leave their tiles to the others.
class K_TileReadAhead : public QObject
{
    Q_OBJECT

public:
    using Work = std::function<void(int index, int slot)>;

    K_TileReadAhead(int count, Work work, QObject *parent = nullptr);
    ~K_TileReadAhead() override;

    // The number of threads, the consumer's included, that run the work for `count` tiles.
    static int slotCount(int count);

    // Returns when tile `index` is done: true when its work returned, false with the translated
    // reason in `error` when it threw.
    bool waitFor(int index, QString *error = nullptr);

private:
    enum Outcome : char { Pending, Done, OutOfMemory, Failed };

    bool runNext(int slot);

    const int m_count;
    const Work m_work;
    std::atomic<int> m_next{0};
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::vector<Outcome> m_done; // guarded by m_mutex
    std::vector<std::thread> m_threads;
};

#endif // K_TILEREADAHEAD_H
