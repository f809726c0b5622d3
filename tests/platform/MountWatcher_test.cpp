#include "platform/MountWatcher.h"
#include "platform/TSHChangeNotify.h"

#include "platform/support/ChildRun.h"
#include "platform/support/QtApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace quillarc {

namespace {

const char *const kChildDir = "QUILLARC_MOUNT_CHILD_DIR";

} // namespace

TEST(MountWatcher, UnreadableTableRefusesRegistration)
{
    testing::ensureCoreApplication();
    MountWatcher::Options options;
    options.mountInfoPath = "/nonexistent/mountinfo";
    TSHChangeNotify notify(nullptr, std::make_unique<MountWatchSource>(options));
    EXPECT_THROW(notify.setOnMediaInserted([](TSHChangeNotify *, std::uint32_t, const QString &) {}),
                 std::runtime_error);
    // The handler stays set, so every registration is refused until it goes;
    // events the mount table never raises then register without watching.
    EXPECT_THROW(notify.setOnMediaRemoved(nullptr), std::runtime_error);
    EXPECT_NO_THROW(notify.setOnMediaInserted(nullptr));
    EXPECT_NO_THROW(notify.setOnCreate([](TSHChangeNotify *, std::uint32_t, const QString &) {}));
}

// A real tmpfs mounted and unmounted under an automount folder, inside a
// private mount namespace so that nothing reaches the host.
TEST(MountWatcher, RealMountUnderAutomountFolderGivesOneInsertAndOneRemove)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount inside a private mount namespace";
    testing::TempDir dir;
    const auto result =
        testing::runChildTest("MountWatcher.DISABLED_Child", {{kChildDir, dir.path()}}, std::chrono::seconds(30));
    if (result.skipped())
        GTEST_SKIP() << result.output;
    EXPECT_TRUE(result.passed()) << result.output;
}

TEST(MountWatcher, DISABLED_Child)
{
    const char *base = std::getenv(kChildDir);
    ASSERT_TRUE(base);
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "cannot enter a private mount namespace";
    testing::ensureCoreApplication();
    const std::string automount = std::string(base) + "/media/ann";
    const std::string point = automount + "/VOL 1";
    std::filesystem::create_directories(point);

    MountWatcher::Options options;
    options.automountFolders = {automount};
    TSHChangeNotify notify(nullptr, std::make_unique<MountWatchSource>(options));
    const QString root = QString::fromStdString(automount + "/");
    int inserted = 0, removed = 0, other = 0;
    notify.setOnMediaInserted([&](TSHChangeNotify *, std::uint32_t, const QString &path) {
        (path == root ? inserted : other)++;
    });
    notify.setOnMediaRemoved([&](TSHChangeNotify *, std::uint32_t, const QString &path) {
        (path == root ? removed : other)++;
    });

    ASSERT_EQ(::mount("tmpfs", point.c_str(), "tmpfs", 0, "size=1m"), 0);
    EXPECT_TRUE(testing::processEventsUntil([&] { return inserted > 0; }, std::chrono::seconds(5)));
    ASSERT_EQ(::umount(point.c_str()), 0);
    EXPECT_TRUE(testing::processEventsUntil([&] { return removed > 0; }, std::chrono::seconds(5)));
    testing::processEventsUntil([] { return false; }, std::chrono::milliseconds(300)); // let repeats show
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(other, 2); // the mount point itself is a drive root too: in and out once
}

} // namespace quillarc
