#include "platform/LabelFile.h"
#include "platform/qt/MediumChangeWatcher.h"
#include "platform/qt/TSHChangeNotify.h"

#include "support/ChildRun.h"
#include "support/TempFolder.h"
#include "platform/support/QtApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace quillarc {

namespace {

const char *const kChildDir = "QUILLARC_MOUNT_CHILD_DIR";

/// A path as the kernel writes it into the mount table.
std::string mountField(const std::string &path)
{
    std::string field;
    for (char c : path)
        field += c == ' ' ? std::string("\\040") : std::string(1, c);
    return field;
}

using Events = std::vector<std::pair<bool, std::string>>;

} // namespace

TEST(MediumChangeWatcher, UnreadableTableRefusesRegistration)
{
    test::ensureCoreApplication();
    MediumChangeWatcher::Options options;
    options.mountInfoPath = "/nonexistent/mountinfo";
    TSHChangeNotify notify(nullptr, std::make_unique<MountWatchSource>(options));
    EXPECT_THROW(notify.setOnMediaInserted([](TSHChangeNotify *, std::uint32_t, const QString &) {}),
                 std::runtime_error);
    // The handler stays set, so every registration is refused until it goes.
    EXPECT_THROW(notify.setOnMediaRemoved(nullptr), std::runtime_error);
    EXPECT_NO_THROW(notify.setOnMediaInserted(nullptr));
    EXPECT_FALSE(notify.registered());
}

// Runs a child copy of this test binary that mounts inside its own mount namespace,
// in a fresh process so that nothing reaches the host; it skips when the
// child cannot have one.
static void runMountingChild(const std::string &childTest)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount inside a private mount namespace";
    test::TempFolder dir;
    const auto result = test::runChild(childTest, {{kChildDir, dir.folder()}}, std::chrono::seconds(30));
    if (result.skipped())
        GTEST_SKIP() << result.output;
    EXPECT_TRUE(result.passed()) << result.output;
}

// Where a mounting child works: the parent's temporary folder, with an
// automount folder and a mount point made in it.
struct MountingChild {
    std::string base;
    std::string automount;
    std::string point;
};

// Puts the child in a mount namespace of its own; none when it cannot have
// one (the child then skips).
static std::optional<MountingChild> enterMountingChild()
{
    const char *base = std::getenv(kChildDir);
    if (base == nullptr) {
        ADD_FAILURE() << kChildDir << " is not set";
        return std::nullopt;
    }
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::nullopt;
    test::ensureCoreApplication();
    MountingChild child {base, std::string(base) + "/media/ann", {}};
    child.point = child.automount + "/VOL 1";
    std::filesystem::create_directories(child.point);
    return child;
}

// A real tmpfs mounted and unmounted under an automount folder, inside a
// private mount namespace so that nothing reaches the host.
TEST(MediumChangeWatcher, RealMountUnderAutomountFolderGivesOneInsertAndOneRemove)
{
    runMountingChild("MediumChangeWatcherChild");
}

QUILLARC_TEST_CHILD(MediumChangeWatcherChild)
{
    const std::optional<MountingChild> child = enterMountingChild();
    if (!child)
        GTEST_SKIP() << "cannot enter a private mount namespace";
    const std::string &automount = child->automount;
    const std::string &point = child->point;

    MediumChangeWatcher::Options options;
    options.automountFolders = {automount};
    TSHChangeNotify notify(nullptr, std::make_unique<MountWatchSource>(options));
    const QString root = QString::fromStdString(automount + "/");
    int inserted = 0, removed = 0, other = 0;
    notify.setOnMediaInserted(
        [&](TSHChangeNotify *, std::uint32_t, const QString &path) { (path == root ? inserted : other)++; });
    notify.setOnMediaRemoved(
        [&](TSHChangeNotify *, std::uint32_t, const QString &path) { (path == root ? removed : other)++; });

    ASSERT_EQ(::mount("tmpfs", point.c_str(), "tmpfs", 0, "size=1m"), 0);
    EXPECT_TRUE(test::processEventsUntil([&] { return inserted > 0; }, std::chrono::seconds(30)));
    ASSERT_EQ(::umount(point.c_str()), 0);
    EXPECT_TRUE(test::processEventsUntil([&] { return removed > 0; }, std::chrono::seconds(30)));
    test::processEventsUntil([] { return false; }, std::chrono::milliseconds(300)); // let repeats show
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(other, 2); // the mount point itself is a drive root too: in and out once
}

// The watcher over a table file it is handed, so that its bookkeeping of
// watched roots shows without mounting anything.
TEST(MediumChangeWatcher, WatchedLabelFolderGoesAndComesWithItsStick)
{
    test::ensureCoreApplication();
    test::TempFolder dir;
    const std::string automount = dir / "media/ann";
    const std::string folder = automount + "/STICK/backups/";
    std::filesystem::create_directories(folder);
    const std::string table = dir / "mountinfo";
    const std::string system = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
    const std::string stick = "20 1 8:17 / " + mountField(automount + "/STICK") + " rw - vfat /dev/sdb1 rw\n";
    const auto putStick = [&](bool in) {
        test::writeFile(table, in ? system + stick : system);
        if (in)
            test::writeFile(folder + kLabelFileName, "BACKUP1\n");
        else
            std::filesystem::remove(folder + kLabelFileName);
    };
    putStick(true);

    MediumChangeWatcher::Options options;
    options.mountInfoPath = table;
    options.automountFolders = {automount};
    MediumChangeWatcher watcher(options);
    const QString root = QString::fromStdString(folder);
    Events seen;
    QObject::connect(&watcher, &MediumChangeWatcher::mediaInserted, [&](const QString &path) {
        if (path == root)
            seen.emplace_back(true, path.toStdString());
    });
    QObject::connect(&watcher, &MediumChangeWatcher::mediaRemoved, [&](const QString &path) {
        if (path == root)
            seen.emplace_back(false, path.toStdString());
    });
    ASSERT_TRUE(watcher.start());

    watcher.setWatchedRoots({folder, "relative/", automount + "/../x/"});
    EXPECT_EQ(watcher.watchedRoots(), std::vector<std::string> {folder});
    watcher.check();
    EXPECT_EQ(seen, Events {}) << "naming a root that holds a medium is no media event";

    putStick(false);
    watcher.check();
    watcher.check();
    putStick(true);
    watcher.check();
    EXPECT_EQ(seen, (Events {{false, folder}, {true, folder}}));

    // Naming the root again while a change is still unseen keeps the change.
    seen.clear();
    putStick(false);
    watcher.setWatchedRoots({folder});
    watcher.check();
    EXPECT_EQ(seen, (Events {{false, folder}}));

    seen.clear();
    watcher.setWatchedRoots({});
    putStick(true);
    watcher.check();
    EXPECT_EQ(seen, Events {}) << "a root no longer watched";
}

// A backup folder on a real tmpfs under an automount folder, named as a
// watched root: the folder itself is never a mount point, so only the watch
// of named roots can report its stick going and coming.
TEST(MediumChangeWatcher, RealUnmountAndMountOfAWatchedLabelFolderGiveOneEventEach)
{
    runMountingChild("MediumChangeWatcherLabelFolderChild");
}

QUILLARC_TEST_CHILD(MediumChangeWatcherLabelFolderChild)
{
    const std::optional<MountingChild> child = enterMountingChild();
    if (!child)
        GTEST_SKIP() << "cannot enter a private mount namespace";
    const std::string &base = child->base;
    const std::string &automount = child->automount;
    const std::string &point = child->point;
    const std::string store = base + "/store";
    std::filesystem::create_directories(store);
    // The stick's file system, kept mounted aside so that it comes back with
    // its files each time it is mounted under the automount folder.
    ASSERT_EQ(::mount("tmpfs", store.c_str(), "tmpfs", 0, "size=1m"), 0);
    std::filesystem::create_directories(store + "/backups");
    test::writeFile(store + "/backups/" + kLabelFileName, "BACKUP1\n");
    ASSERT_EQ(::mount(store.c_str(), point.c_str(), nullptr, MS_BIND, nullptr), 0);

    MediumChangeWatcher::Options options;
    options.automountFolders = {automount};
    TSHChangeNotify notify(nullptr, std::make_unique<MountWatchSource>(options));
    const QString root = QString::fromStdString(point + "/backups/");
    // Named before the handlers: the roots outlive each registration.
    notify.setWatchedRoots({root});
    int inserted = 0, removed = 0;
    notify.setOnMediaInserted([&](TSHChangeNotify *, std::uint32_t, const QString &path) { inserted += path == root; });
    notify.setOnMediaRemoved([&](TSHChangeNotify *, std::uint32_t, const QString &path) { removed += path == root; });
    const auto settle = [] { test::processEventsUntil([] { return false; }, std::chrono::milliseconds(300)); };

    ASSERT_EQ(::umount(point.c_str()), 0);
    EXPECT_TRUE(test::processEventsUntil([&] { return removed > 0; }, std::chrono::seconds(30)));
    settle();
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(inserted, 0);

    ASSERT_EQ(::mount(store.c_str(), point.c_str(), nullptr, MS_BIND, nullptr), 0);
    EXPECT_TRUE(test::processEventsUntil([&] { return inserted > 0; }, std::chrono::seconds(30)));
    settle();
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(inserted, 1);
}

} // namespace quillarc
