#include "engine/WorkInFlight.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace quillarc {
namespace {

constexpr std::int64_t kWakeAt = 1000;

// Records the thread it ran on; heavy items take a moment, as a large
// file's copy does, so that the queue has time to fill behind them.
class Recorded final : public WorkItem {
public:
    Recorded(int number, bool heavy, std::atomic<int> &runs) : number(number), heavy(heavy), m_runs(runs) {}
    void run(std::vector<char> &) override
    {
        ranOn = std::this_thread::get_id();
        if (heavy)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++timesRun;
        ++m_runs;
    }
    const int number;
    const bool heavy;
    std::thread::id ranOn;
    int timesRun = 0;

private:
    std::atomic<int> &m_runs;
};

struct Returned {
    std::vector<int> order;
    int runOnWorkers = 0;
    bool eachRanOnce = true;
};

// Pushes `count` items, keeping at most `window` queued as the pass does,
// and takes each back with oldest().
Returned runThrough(WorkInFlight &flight, int count, int window, bool heavy, std::atomic<int> &runs)
{
    Returned returned;
    auto take = [&] {
        auto item = std::static_pointer_cast<Recorded>(flight.oldest());
        returned.order.push_back(item->number);
        returned.runOnWorkers += item->ranOn != std::this_thread::get_id() ? 1 : 0;
        returned.eachRanOnce = returned.eachRanOnce && item->timesRun == 1;
    };
    for (int i = 0; i < count; ++i) {
        flight.push(std::make_shared<Recorded>(i, heavy, runs), heavy ? kWakeAt : 1);
        while (flight.size() >= static_cast<std::size_t>(window))
            take();
    }
    while (!flight.empty())
        take();
    return returned;
}

std::vector<int> upTo(int count)
{
    std::vector<int> numbers;
    for (int i = 0; i < count; ++i)
        numbers.push_back(i);
    return numbers;
}

// Whoever runs an item, items come back strictly in the order queued, each
// run exactly once; heavy items wake the workers, light ones never do.
TEST(WorkInFlight, HandsItemsBackInOrderAndWakesWorkersOnlyForWeight)
{
    const struct {
        int workers;
        bool heavy;
        bool onWorkers;
    } cases[] = {{1, true, true}, {3, true, true}, {1, false, false}, {0, true, false}};
    for (const auto &each : cases) {
        SCOPED_TRACE(::testing::Message() << each.workers << " workers, heavy " << each.heavy);
        std::atomic<int> runs = 0;
        WorkInFlight flight(each.workers, kWakeAt);
        const Returned returned = runThrough(flight, 60, 16, each.heavy, runs);
        EXPECT_EQ(returned.order, upTo(60));
        EXPECT_TRUE(returned.eachRanOnce);
        EXPECT_EQ(runs, 60);
        if (each.onWorkers)
            EXPECT_GT(returned.runOnWorkers, 0);
        else
            EXPECT_EQ(returned.runOnWorkers, 0);
    }
}

// Ended with items still queued, the queue runs them all before the
// workers stop: nothing queued may outlive what it refers to.
TEST(WorkInFlight, EndingRunsWhatIsStillQueued)
{
    std::atomic<int> runs = 0;
    {
        WorkInFlight flight(2, kWakeAt);
        for (int i = 0; i < 10; ++i)
            flight.push(std::make_shared<Recorded>(i, i % 2 == 0, runs), i % 2 == 0 ? kWakeAt : 1);
    }
    EXPECT_EQ(runs, 10);
}

} // namespace
} // namespace quillarc
