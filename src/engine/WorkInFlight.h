#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
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
    std::int64_t m_weight = 0;
};

/// A few workers that run work items while the thread that queued them
/// goes on, and hand the items back strictly in the order they were
/// queued. The queuing thread is never left idle behind a busy pool: an
/// item no worker has taken yet is run by the thread that waits for it.
/// Items are taken strictly in the order queued, by whichever thread comes
/// first.
class WorkInFlight {
public:
    /// `workers`: threads started at once; 0 runs everything in oldest().
    /// A sleeping worker is woken once the items waiting weigh `wakeAt`:
    /// each wake-up costs two system calls, so a worker is woken for work
    /// that outweighs them, and light items are run by the queuing thread.
    WorkInFlight(int workers, std::int64_t wakeAt);
    ~WorkInFlight();
    WorkInFlight(const WorkInFlight &) = delete;
    WorkInFlight &operator=(const WorkInFlight &) = delete;

    /// `weight`: what the item costs to run, in the unit of `wakeAt`.
    void push(std::shared_ptr<WorkItem> item, std::int64_t weight);
    /// The oldest item, once it has run; taken out of the queue.
    std::shared_ptr<WorkItem> oldest();
    std::size_t size() const;
    bool empty() const { return size() == 0; }

private:
    void work();
    /// The next item to run, marked running; null when none waits. Locked.
    WorkItem *takeNext();
    std::size_t queuedCount() const { return m_items.size() - m_taken; }

    const std::int64_t m_wakeAt;
    mutable std::mutex m_mutex;
    // Plain condition variables: the kind that takes a stop token locks a
    // mutex of its own on every wake-up, which costs system calls.
    std::condition_variable m_queued;              ///< workers wait for a batch to run
    std::condition_variable m_done;                ///< the queuing thread waits for the oldest to be run
    std::deque<std::shared_ptr<WorkItem>> m_items; ///< in the order queued, done or not
    std::size_t m_taken = 0;                       ///< of m_items, the first ones, running or done
    std::int64_t m_queuedWeight = 0;               ///< of the items not taken
    int m_sleepers = 0;                            ///< workers waiting on m_queued
    bool m_waiting = false;                        ///< the queuing thread waits on m_done
    bool m_stopping = false;
    std::vector<char> m_ownBuffer; ///< the queuing thread's
    std::vector<std::thread> m_workers;
};

} // namespace quillarc
