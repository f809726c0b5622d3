#include "engine/WorkInFlight.h"

#include <algorithm>

namespace quillarc {

WorkInFlight::WorkInFlight(int workers)
{
    for (int i = 0; i < workers; ++i)
        m_workers.emplace_back([this](const std::stop_token &stop) { work(stop); });
}

WorkInFlight::~WorkInFlight()
{
    // Nothing queued may outlive what it refers to: the queue is emptied
    // before the workers are told to stop, so none is taken afterwards.
    while (!empty())
        oldest();
    for (std::jthread &worker : m_workers)
        worker.request_stop();
    m_queued.notify_all();
    m_workers.clear();
}

// A worker is woken only once two items wait: one alone is soon run by
// the queuing thread itself, and a wake-up for every small item would
// cost more than the item.
void WorkInFlight::push(std::shared_ptr<WorkItem> item)
{
    std::size_t queued = 0;
    {
        const std::scoped_lock lock(m_mutex);
        m_items.push_back(std::move(item));
        queued = static_cast<std::size_t>(std::count_if(
            m_items.begin(), m_items.end(), [](const auto &each) { return each->m_state == WorkItem::State::Queued; }));
    }
    if (queued >= 2)
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
        const auto queued = std::find_if(m_items.begin(), m_items.end(), [](const auto &candidate) {
            return candidate->m_state == WorkItem::State::Queued;
        });
        if (queued == m_items.end()) {
            m_done.wait(lock);
            continue;
        }
        const std::shared_ptr<WorkItem> mine = *queued;
        mine->m_state = WorkItem::State::Running;
        lock.unlock();
        mine->run(m_ownBuffer);
        lock.lock();
        mine->m_state = WorkItem::State::Done;
    }
    m_items.pop_front();
    return item;
}

void WorkInFlight::work(const std::stop_token &stop)
{
    std::vector<char> buffer;
    std::unique_lock lock(m_mutex);
    for (;;) {
        std::shared_ptr<WorkItem> item;
        m_queued.wait(lock, stop, [&] {
            const auto queued = std::find_if(m_items.begin(), m_items.end(), [](const auto &candidate) {
                return candidate->m_state == WorkItem::State::Queued;
            });
            if (queued != m_items.end())
                item = *queued;
            return item != nullptr;
        });
        if (item == nullptr)
            return; // asked to stop
        item->m_state = WorkItem::State::Running;
        lock.unlock();
        item->run(buffer);
        lock.lock();
        item->m_state = WorkItem::State::Done;
        m_done.notify_one();
    }
}

} // namespace quillarc
