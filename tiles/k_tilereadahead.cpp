#include "k_tilereadahead.h"

#include <QThread>

#include <system_error>

K_TileReadAhead::K_TileReadAhead(int count, Work work, QObject *parent)
    : QObject(parent)
    , m_count(count)
    , m_work(std::move(work))
    , m_done(size_t(qMax(0, count)), 0)
{
    const int workers = slotCount(count) - 1;
    for (int slot = 1; slot <= workers; ++slot) {
        // Without a thread of its own the consumer simply runs every tile itself.
        try {
            m_threads.emplace_back([this, slot] {
                while (runNext(slot)) {
                }
            });
        } catch (const std::system_error &) {
            break;
        }
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
    m_work(index, slot);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done[size_t(index)] = 1;
    }
    m_finished.notify_all();
    return true;
}

void K_TileReadAhead::waitFor(int index)
{
    Q_ASSERT(index >= 0 && index < m_count);
    for (;;) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_done[size_t(index)])
                return;
        }
        // Rather than idle while another thread finishes this tile, start a later one.
        if (!runNext(0))
            break;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_finished.wait(lock, [this, index] { return m_done[size_t(index)] != 0; });
}
