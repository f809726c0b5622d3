#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quillarc {

/// One piece of work handed to the workers; run once, on a worker or on
/// the thread that waits for it.
class WorkItem {
public:
    virtual ~WorkItem() = default;
    /// `buffer`: the running thread's own, for whatever the work reads.
    virtual void run(std::vector<char> &buffer) = 0;

private:
    friend class WorkInFlight;
    enum class State {
        Queued,
        Running,
        Done
    };
    State m_state = State::Queued;
};

/// A few workers that run work items while the thread that queued them
/// goes on, and hand the items back strictly in the order they were
/// queued. The queuing thread is never left idle behind a busy pool: an
/// item no worker has taken yet is run by the thread that waits for it.
class WorkInFlight {
public:
    /// `workers`: threads started at once; 0 runs everything in oldest().
    explicit WorkInFlight(int workers);
    ~WorkInFlight();
    WorkInFlight(const WorkInFlight &) = delete;
    WorkInFlight &operator=(const WorkInFlight &) = delete;

    void push(std::shared_ptr<WorkItem> item);
    /// The oldest item, once it has run; taken out of the queue.
    std::shared_ptr<WorkItem> oldest();
    std::size_t size() const;
    bool empty() const { return size() == 0; }

private:
    void work(const std::stop_token &stop);

    mutable std::mutex m_mutex;
    std::condition_variable_any m_queued;          ///< workers wait for an item to run
    std::condition_variable_any m_done;            ///< the queuing thread waits for the oldest to be run
    std::deque<std::shared_ptr<WorkItem>> m_items; ///< in the order queued, done or not
    std::vector<char> m_ownBuffer;                 ///< the queuing thread's
    std::vector<std::jthread> m_workers;
};

} // namespace quillarc
