#include "platform/linux/MediaChanges.h"

#include <gtest/gtest.h>

#include <set>

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

/// A table in which the given folders hold a label file.
DriveMap table(std::vector<MountEntry> mounts, std::set<std::string> labelled)
{
    return DriveMap(std::move(mounts), {"/media/ann"},
                    [labelled](const std::string &folder) { return labelled.count(folder) > 0; });
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
        {"stick plugged in", {root}, {root, stick}, {{true, "/media/ann/"}, {true, "/media/ann/STICK/"}}},
        {"stick pulled", {root, stick}, {root}, {{false, "/media/ann/"}, {false, "/media/ann/STICK/"}}},
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

// A backup folder on a stick is a medium by its label file: it has no mount
// of its own, so it changes with the file system that holds it.
TEST(MediaChanges, ReportsWatchedLabelFoldersWithTheFileSystemHoldingThem)
{
    const auto root = mount(1, "/", "/dev/sda1");
    const auto stick = mount(20, "/media/ann/STICK", "/dev/sdb1");
    const auto otherStick = mount(23, "/media/ann/STICK", "/dev/sde1");
    const auto mnt = mount(22, "/mnt/backup", "/dev/sdd1");
    const std::string folder = "/media/ann/STICK/backups/";
    const std::set<std::string> labelled = {"/media/ann/STICK/backups"};
    const struct {
        const char *what;
        std::vector<std::string> watched;
        DriveMap before, after;
        std::vector<MediaChange> changes;
    } cases[] = {
        {"stick with the folder pulled",
         {folder},
         table({root, stick}, labelled),
         table({root}, {}),
         {{false, "/media/ann/"}, {false, "/media/ann/STICK/"}, {false, folder}}},
        {"stick with the folder put back",
         {folder},
         table({root}, {}),
         table({root, stick}, labelled),
         {{true, "/media/ann/"}, {true, "/media/ann/STICK/"}, {true, folder}}},
        {"another stick with a labelled folder in the same place",
         {folder},
         table({root, stick}, labelled),
         table({root, otherStick}, labelled),
         {{false, "/media/ann/"},
          {false, "/media/ann/STICK/"},
          {false, folder},
          {true, "/media/ann/"},
          {true, "/media/ann/STICK/"},
          {true, folder}}},
        {"a mount elsewhere leaves the folder alone",
         {folder},
         table({root, stick}, labelled),
         table({root, stick, mnt}, labelled),
         {{true, "/mnt/backup/"}}},
        {"label file gone while the stick stays",
         {folder},
         table({root, stick}, labelled),
         table({root, stick}, {}),
         {{false, folder}}},
        {"a stick without the labelled folder",
         {folder},
         table({root}, {}),
         table({root, stick}, {}),
         {{true, "/media/ann/"}, {true, "/media/ann/STICK/"}}},
        {"not watched, not reported",
         {},
         table({root, stick}, labelled),
         table({root}, {}),
         {{false, "/media/ann/"}, {false, "/media/ann/STICK/"}}},
        {"a watched mount point is reported once",
         {"/mnt/backup/"},
         table({root}, {}),
         table({root, mnt}, {}),
         {{true, "/mnt/backup/"}}},
        {"a disk mounted over a labelled folder on the system disk",
         {"/mnt/backup/"},
         table({root}, {"/mnt/backup"}),
         table({root, mnt}, {}),
         {{false, "/mnt/backup/"}, {true, "/mnt/backup/"}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mediaChanges(c.before, c.after, c.watched), c.changes) << c.what;
}

} // namespace quillarc
