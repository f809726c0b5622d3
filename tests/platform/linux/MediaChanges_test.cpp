#include "platform/linux/MediaChanges.h"

#include <gtest/gtest.h>

namespace quillarc {

namespace {

MountEntry mount(int id, const std::string &point, const std::string &source)
{
    MountEntry entry;
    entry.mountId = id;
    entry.device = "8:" + std::to_string(id);
    entry.mountPoint = point;
    entry.source = source;
    return entry;
}

DriveMap table(std::vector<MountEntry> mounts)
{
    return DriveMap(std::move(mounts), {"/media/ann"}, nullptr);
}

} // namespace

TEST(MediaChanges, ReportsEachDriveRootWhoseMediumChanged)
{
    const auto root = mount(1, "/", "/dev/sda1");
    const auto stick = mount(20, "/media/ann/STICK", "/dev/sdb1");
    const auto card = mount(21, "/media/ann/CARD", "/dev/sdc1");
    const auto mnt = mount(22, "/mnt/backup", "/dev/sdd1");
    const struct {
        const char *what;
        std::vector<MountEntry> before, after;
        std::vector<MediaChange> changes;
    } cases[] = {
        {"nothing changed", {root, stick}, {root, stick}, {}},
        {"stick plugged in",
         {root},
         {root, stick},
         {{true, "/media/ann/"}, {true, "/media/ann/STICK/"}}},
        {"stick pulled",
         {root, stick},
         {root},
         {{false, "/media/ann/"}, {false, "/media/ann/STICK/"}}},
        {"second medium replaces the first in the automount folder",
         {root, stick},
         {root, stick, card},
         {{false, "/media/ann/"}, {true, "/media/ann/"}, {true, "/media/ann/CARD/"}}},
        {"a mount point gets a file system", {root}, {root, mnt}, {{true, "/mnt/backup/"}}},
        {"the same mount id reused for another device",
         {root, mnt},
         {root, mount(22, "/mnt/backup", "/dev/sde1")},
         {{false, "/mnt/backup/"}, {true, "/mnt/backup/"}}},
        {"unreadable table afterwards", {root, mnt}, {}, {{false, "/"}, {false, "/mnt/backup/"}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mediaChanges(table(c.before), table(c.after)), c.changes) << c.what;
}

} // namespace quillarc
