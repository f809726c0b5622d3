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
        Deliver deliver;
    };
    explicit FakeSource(Log &log) : log(log) {}
    bool registerFor(std::uint32_t mask, int messageNo, Deliver deliver) override
    {
        if (log.refuse)
            return false;
        log.masks.push_back(mask);
        log.deliver = [deliver, messageNo](int, std::uint32_t id, const QString &a, const QString &b) {
            deliver(messageNo, id, a, b);
        };
        return true;
    }
    void deregister() override { ++log.deregistrations; }
    Log &log;
};

struct Call {
    std::uint32_t id;
    QString path1, path2;
    bool operator==(const Call &) const = default;
};

class ChangeNotify : public ::testing::Test {
protected:
    ChangeNotify() : notify(nullptr, std::make_unique<FakeSource>(log)) {}
    TOneParmEvent record()
    {
        return [this](TSHChangeNotify *sender, std::uint32_t id, const QString &p) {
            EXPECT_EQ(sender, &notify);
            calls.push_back({id, p, {}});
        };
    }
    TTwoParmEvent recordTwo()
    {
        return [this](TSHChangeNotify *, std::uint32_t id, const QString &a, const QString &b) {
            calls.push_back({id, a, b});
        };
    }

    FakeSource::Log log;
    TSHChangeNotify notify;
    std::vector<Call> calls;
};

} // namespace

TEST_F(ChangeNotify, RegistersOnlyForEventsWithHandlers)
{
    EXPECT_EQ(notify.MessageNo(), 1024);
    EXPECT_EQ(notify.TextCase(), TTextCase::tcAsIs);
    EXPECT_FALSE(notify.registered());
    EXPECT_TRUE(log.masks.empty());

    notify.setOnMediaInserted(record());
    notify.setOnMediaRemoved(record());
    EXPECT_EQ(log.masks,
              (std::vector<std::uint32_t> {SHCNE::MEDIAINSERTED, SHCNE::MEDIAINSERTED | SHCNE::MEDIAREMOVED}));
    EXPECT_EQ(log.deregistrations, 1); // the first registration, replaced by the second

    notify.setOnMediaInserted(nullptr);
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

TEST_F(ChangeNotify, DropsRepeatsOfTheSameNotification)
{
    notify.setOnMediaInserted(record());
    notify.setOnMediaRemoved(record());
    notify.setOnInterrupt(record());
    notify.receive(1024, SHCNE::MEDIAINSERTED, "/media/ann/");
    notify.receive(1024, SHCNE::MEDIAINSERTED, "/MEDIA/Ann/"); // same paths in another case
    notify.receive(1024, SHCNE::MEDIAREMOVED, "/media/ann/");
    notify.receive(1024, SHCNE::MEDIAINSERTED, "/media/ann/"); // again after another one
    notify.receive(1024, SHCNE::INTERRUPT, "/x");
    notify.receive(1024, SHCNE::INTERRUPT, "/x"); // interrupts are never dropped
    const std::vector<Call> expected = {{SHCNE::MEDIAINSERTED, "/media/ann/", {}},
                                        {SHCNE::MEDIAREMOVED, "/media/ann/", {}},
                                        {SHCNE::MEDIAINSERTED, "/media/ann/", {}},
                                        {SHCNE::INTERRUPT, "/x", {}},
                                        {SHCNE::INTERRUPT, "/x", {}}};
    EXPECT_EQ(calls, expected);
}

TEST_F(ChangeNotify, IgnoresForeignMessagesUnhandledAndCombinedIds)
{
    notify.setOnMediaInserted(record());
    notify.receive(1025, SHCNE::MEDIAINSERTED, "/a/");                       // another message number
    notify.receive(1024, SHCNE::MEDIAREMOVED, "/a/");                        // no handler
    notify.receive(1024, SHCNE::MEDIAINSERTED | SHCNE::MEDIAREMOVED, "/a/"); // not one id
    notify.receive(1024, 0x00040000, "/a/");                                 // not one of the twenty
    EXPECT_TRUE(calls.empty());

    // A notification without a handler leaves the duplicate filter alone.
    notify.receive(1024, SHCNE::MEDIAINSERTED, "/a/");
    notify.receive(1024, SHCNE::MEDIAREMOVED, "/a/");
    notify.receive(1024, SHCNE::MEDIAINSERTED, "/a/");
    EXPECT_EQ(calls.size(), 1u);

    notify.setMessageNo(-5);
    notify.receive(-5, SHCNE::MEDIAINSERTED, "/b/");
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(ChangeNotify, AppliesTextCaseAfterRecordingThePaths)
{
    notify.setOnMediaInserted(record());
    notify.setOnRenameItem(recordTwo());
    notify.setOnAssocChanged(recordTwo());
    notify.setTextCase(TTextCase::tcUppercase);
    notify.receive(1024, SHCNE::MEDIAINSERTED, "/media/e/");
    notify.setTextCase(TTextCase::tcLowercase);
    notify.receive(1024, SHCNE::RENAMEITEM, "/Old Name", "/New Name");
    notify.setTextCase(TTextCase::tcAsIs);
    notify.receive(1024, SHCNE::ASSOCCHANGED, "/Keep", "/As Is");
    const std::vector<Call> expected = {{SHCNE::MEDIAINSERTED, "/MEDIA/E/", {}},
                                        {SHCNE::RENAMEITEM, "/old name", "/new name"},
                                        {SHCNE::ASSOCCHANGED, "/Keep", "/As Is"}};
    EXPECT_EQ(calls, expected);
}

TEST_F(ChangeNotify, SourceDeliversUnderTheMessageNumberOfItsRegistration)
{
    notify.setOnMediaInserted(record());
    log.deliver(0, SHCNE::MEDIAINSERTED, "/m/", {});
    notify.setMessageNo(2000); // takes effect only with the next registration
    log.deliver(0, SHCNE::MEDIAINSERTED, "/n/", {});
    notify.setOnMediaRemoved(record());
    log.deliver(0, SHCNE::MEDIAREMOVED, "/n/", {});
    EXPECT_EQ(calls, (std::vector<Call> {{SHCNE::MEDIAINSERTED, "/m/", {}}, {SHCNE::MEDIAREMOVED, "/n/", {}}}));
}

TEST_F(ChangeNotify, HandlerMayReplaceItselfWhileRunning)
{
    int first = 0, second = 0;
    notify.setOnMediaInserted([&](TSHChangeNotify *sender, std::uint32_t, const QString &) {
        ++first;
        sender->setOnMediaInserted([&](TSHChangeNotify *, std::uint32_t, const QString &) { ++second; });
    });
    notify.receive(1024, SHCNE::MEDIAINSERTED, "/a/");
    notify.receive(1024, SHCNE::MEDIAINSERTED, "/b/");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

} // namespace quillarc
