#include "k_tilereadahead.h"

#include <QThread>

#include <new>

K_TileReadAhead::K_TileReadAhead(int count, Work work, QObject *parent)
    : QObject(parent)
    , m_count(count)
    , m_work(std::move(work))
    , m_done(size_t(qMax(0, count)), Pending)
{
    const int workers = slotCount(count) - 1;
    // The room is taken first, so that no thread runs while the vector could still fail to grow.
    // Without threads of their own the consumer simply runs every tile itself.
    try {
        m_threads.reserve(size_t(workers));
        for (int slot = 1; slot <= workers; ++slot) {
            m_threads.emplace_back([this, slot] {
                while (runNext(slot)) {
                }
            });
        }
    } catch (...) {
    }
}

K_TileReadAhead::~K_TileReadAhead()
{
    m_stopping.store(true);
    for (std::thread &thread : m_threads)
        thread.join();
}

int K_TileReadAhead::slotCount(int count)
{
    return qBound(1, QThread::idealThreadCount(), qMax(1, count));
}

bool K_TileReadAhead::runNext(int slot)
{
    if (m_stopping.load())
        return false;
    const int index = m_next.fetch_add(1);
    if (index >= m_count)
        return false;
    Outcome outcome = Done;
    try {
        m_work(index, slot);
    } catch (const std::bad_alloc &) {
        outcome = OutOfMemory;
    } catch (...) {
        outcome = Failed;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done[size_t(index)] = outcome;
    }
    m_finished.notify_all();
    return true;
}

bool K_TileReadAhead::waitFor(int index, QString *error)
{
    Q_ASSERT(index >= 0 && index < m_count);
    Outcome outcome = Pending;
    for (;;) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            outcome = m_done[size_t(index)];
        }
        // Rather than idle while another thread finishes this tile, start a later one.
        if (outcome != Pending || !runNext(0))
            break;
    }
    if (outcome == Pending) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_finished.wait(lock, [this, index] { return m_done[size_t(index)] != Pending; });
        outcome = m_done[size_t(index)];
    }
    if (outcome != Done && error)
        *error = outcome == OutOfMemory ? tr("Not enough memory") : tr("Unexpected error");
    return outcome == Done;
}
