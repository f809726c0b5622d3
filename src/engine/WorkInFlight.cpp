#include "engine/WorkInFlight.h"

#include <algorithm>

namespace quillarc {

WorkInFlight::WorkInFlight(int workers, std::int64_t wakeAt) : m_wakeAt(std::max<std::int64_t>(wakeAt, 1))
{
    for (int i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { work(); });
}

WorkInFlight::~WorkInFlight()
{
    // Nothing queued may outlive what it refers to: the queue is emptied
    // before the workers are told to stop, so none is taken afterwards.
    while (!empty())
        oldest();
    {
        const std::scoped_lock lock(m_mutex);
        m_stopping = true;
    }
    m_queued.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

WorkItem *WorkInFlight::takeNext()
{
    if (queuedCount() == 0)
        return nullptr;
    WorkItem *item = m_items[m_taken].get();
    ++m_taken;
    m_queuedWeight -= item->m_weight;
    item->m_state = WorkItem::State::Running;
    return item;
}

void WorkInFlight::push(std::shared_ptr<WorkItem> item, std::int64_t weight)
{
    bool wake = false;
    {
        const std::scoped_lock lock(m_mutex);
        item->m_weight = weight;
        m_queuedWeight += weight;
        m_items.push_back(std::move(item));
        wake = m_sleepers > 0 && m_queuedWeight >= m_wakeAt;
    }
    if (wake)
        m_queued.notify_one();
}

std::size_t WorkInFlight::size() const
{
    const std::scoped_lock lock(m_mutex);
    return m_items.size();
}

// While a worker finishes the oldest item, the waiting thread runs the
// next queued ones itself rather than sleep: with small items, a sleep and
// a wake-up cost more than the item.
std::shared_ptr<WorkItem> WorkInFlight::oldest()
{
    std::unique_lock lock(m_mutex);
    if (m_items.empty())
        return nullptr;
    std::shared_ptr<WorkItem> item = m_items.front();
    while (item->m_state != WorkItem::State::Done) {
        WorkItem *mine = takeNext();
        if (mine == nullptr) {
            m_waiting = true;
            m_done.wait(lock);
            m_waiting = false;
            continue;
        }
        lock.unlock();
        mine->run(m_ownBuffer);
        lock.lock();
        mine->m_state = WorkItem::State::Done;
    }
    m_items.pop_front();
    --m_taken;
    return item;
}

// A worker runs items as long as there are any, and sleeps only when none
// is left; it is woken again for enough work (push) or at the end. It takes
// half of what waits at once, so that the lock is taken twice a batch, not
// twice an item, and leaves the rest to a second worker or the queuing
// thread.
void WorkInFlight::work()
{
    std::vector<char> buffer;
    std::vector<WorkItem *> batch;
    std::unique_lock lock(m_mutex);
    for (;;) {
        const std::size_t wanted = std::max<std::size_t>(1, queuedCount() / 2);
        batch.clear();
        for (WorkItem *item = nullptr; batch.size() < wanted && (item = takeNext()) != nullptr;)
            batch.push_back(item);
        if (batch.empty()) {
            ++m_sleepers;
            m_queued.wait(lock, [&] { return m_stopping || m_queuedWeight >= m_wakeAt; });
            --m_sleepers;
            if (m_stopping)
                return;
            continue;
        }
        lock.unlock();
        for (WorkItem *item : batch)
            item->run(buffer);
        lock.lock();
        for (WorkItem *item : batch)
            item->m_state = WorkItem::State::Done;
        if (m_waiting)
            m_done.notify_one();
    }
}

} // namespace quillarc
