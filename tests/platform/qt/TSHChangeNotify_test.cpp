#include "platform/qt/TSHChangeNotify.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace quillarc {

namespace {

/// Records registrations; refuses them when told to.
struct FakeSource : ChangeNotifySource {
    struct Log {
        std::vector<std::uint32_t> masks;
        int deregistrations = 0;
        bool refuse = false;
        std::function<void(std::uint32_t id, const QString &path)> deliver; // under the registered number
    };
    explicit FakeSource(Log &log) : log(log) {}
    bool registerFor(std::uint32_t mask, int messageNo, Deliver deliver) override
    {
        if (log.refuse)
            return false;
        log.masks.push_back(mask);
        log.deliver = [deliver, messageNo](std::uint32_t id, const QString &path) { deliver(messageNo, id, path); };
        return true;
    }
    void deregister() override { ++log.deregistrations; }
    Log &log;
};

struct Call {
    std::uint32_t id;
    QString path;
    bool operator==(const Call &) const = default;
};

class ChangeNotify : public ::testing::Test {
protected:
    ChangeNotify() : notify(nullptr, std::make_unique<FakeSource>(log)) {}
    TOneParmEvent record()
    {
        return [this](TSHChangeNotify *sender, std::uint32_t id, const QString &path) {
            EXPECT_EQ(sender, &notify);
            calls.push_back({id, path});
        };
    }
    void bothHandlers()
    {
        notify.setOnMediaInserted(record());
        notify.setOnMediaRemoved(record());
    }

    FakeSource::Log log;
    TSHChangeNotify notify;
    std::vector<Call> calls;
};

constexpr std::uint32_t kInserted = SHCNE::MEDIAINSERTED;
constexpr std::uint32_t kRemoved = SHCNE::MEDIAREMOVED;

} // namespace

TEST_F(ChangeNotify, RegistersOnlyForEventsWithHandlers)
{
    EXPECT_FALSE(notify.registered());
    EXPECT_TRUE(log.masks.empty());

    bothHandlers();
    EXPECT_EQ(log.masks, (std::vector<std::uint32_t> {kInserted, kInserted | kRemoved}));
    EXPECT_EQ(log.deregistrations, 1); // the first registration, replaced by the second

    notify.setOnMediaInserted(nullptr);
    EXPECT_EQ(log.masks.back(), kRemoved);
    notify.setOnMediaRemoved(nullptr);
    EXPECT_FALSE(notify.registered());
    EXPECT_EQ(log.masks.size(), 3u);
}

TEST_F(ChangeNotify, RefusedRegistrationRaisesError)
{
    log.refuse = true;
    try {
        notify.setOnMediaInserted(record());
        FAIL() << "no error raised";
    } catch (const std::runtime_error &error) {
        EXPECT_STREQ(error.what(), "Could not register SHChangeNotify");
    }
    EXPECT_FALSE(notify.registered());
}

TEST_F(ChangeNotify, DeliversPathsAsTheSystemSpellsThem)
{
    bothHandlers();
    log.deliver(kInserted, "/media/Ann/Stick/");
    log.deliver(kRemoved, "/media/Ann/Stick/");
    EXPECT_EQ(calls, (std::vector<Call> {{kInserted, "/media/Ann/Stick/"}, {kRemoved, "/media/Ann/Stick/"}}));
}

TEST_F(ChangeNotify, DropsRepeatsOfTheSameNotification)
{
    bothHandlers();
    log.deliver(kInserted, "/media/ann/");
    log.deliver(kInserted, "/MEDIA/Ann/"); // same path in another case
    log.deliver(kRemoved, "/media/ann/");
    log.deliver(kInserted, "/media/ann/"); // again after another one
    log.deliver(kInserted, "/media/bob/"); // same event, another drive
    EXPECT_EQ(calls, (std::vector<Call> {{kInserted, "/media/ann/"},
                                         {kRemoved, "/media/ann/"},
                                         {kInserted, "/media/ann/"},
                                         {kInserted, "/media/bob/"}}));
}

TEST_F(ChangeNotify, IgnoresForeignMessagesUnhandledAndCombinedIds)
{
    notify.setOnMediaInserted(record());
    notify.receive(notify.MessageNo() + 1, kInserted, "/a/"); // another message number
    log.deliver(kRemoved, "/a/");                             // no handler
    log.deliver(kInserted | kRemoved, "/a/");                 // not one id
    log.deliver(0x00000002, "/a/");                           // an event the program does not handle
    EXPECT_TRUE(calls.empty());

    // A notification without a handler leaves the duplicate filter alone.
    log.deliver(kInserted, "/a/");
    log.deliver(kRemoved, "/a/");
    log.deliver(kInserted, "/a/");
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(ChangeNotify, HandlerMayReplaceItselfWhileRunning)
{
    int first = 0, second = 0;
    notify.setOnMediaInserted([&](TSHChangeNotify *sender, std::uint32_t, const QString &) {
        ++first;
        sender->setOnMediaInserted([&](TSHChangeNotify *, std::uint32_t, const QString &) { ++second; });
    });
    notify.receive(notify.MessageNo(), kInserted, "/a/");
    notify.receive(notify.MessageNo(), kInserted, "/b/");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

} // namespace quillarc
