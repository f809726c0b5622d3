#include "platform/linux/DriveMap.h"

#include <gtest/gtest.h>

#include <set>

namespace quillarc {

namespace {

MountEntry mount(int id, const std::string &point, const std::string &source = "tmpfs")
{
    MountEntry entry;
    entry.mountId = id;
    entry.device = "0:" + std::to_string(id);
    entry.mountPoint = point;
    entry.source = source;
    return entry;
}

DriveMap sampleMap(std::set<std::string> labelled = {"/srv/share/backup"})
{
    return DriveMap({mount(1, "/", "/dev/sda1"), mount(2, "/home", "/dev/sda2"),
                     mount(3, "/media/ann/USB STICK", "/dev/sdb1"), mount(4, "/mnt/backup", "/dev/sdc1"),
                     mount(5, "/media/ann/OLD", "/dev/sdd1"), mount(6, "/media/ann/USB STICK/inner", "/dev/sde1"),
                     mount(7, "/mnt/backup", "/dev/sdf1")},
                    {"/media/ann/", "/run/media/ann"},
                    [labelled](const std::string &folder) { return labelled.count(folder) > 0; });
}

} // namespace

TEST(DriveMap, ChoosesTheDriveRootOfAnyFolder)
{
    const DriveMap map = sampleMap();
    const struct {
        const char *folder;
        const char *root;
    } cases[] = {
        {"/srv/share/backup/deep/er", "/srv/share/backup/"}, // label file above wins
        {"/srv/share/backup", "/srv/share/backup/"},
        {"/media/ann/USB STICK/docs", "/media/ann/"}, // automount folder
        {"/media/ann/USB STICK/inner/x", "/media/ann/"},
        {"/media/ann", "/media/ann/"},
        {"/run/media/ann/CARD", "/run/media/ann/"},
        {"/mnt/backup/a/b", "/mnt/backup/"}, // mount point
        {"/mnt/backupx", "/"},               // a prefix is not a parent
        {"/home/ann//./docs/../x", "/home/"},
        {"/home/../etc", "/"},
        {"/", "/"},
        {"relative/path", ""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(map.driveRootFor(c.folder), c.root) << c.folder;
    EXPECT_EQ(DriveMap({}, {}, nullptr).driveRootFor("/home"), "");
}

TEST(DriveMap, FindsTheMediumOfADriveRoot)
{
    const DriveMap map = sampleMap();

    const auto automount = map.mediumOf("/media/ann/");
    ASSERT_TRUE(automount);
    EXPECT_EQ(automount->root, "/media/ann/OLD/"); // the one mounted last, not the nested one
    ASSERT_TRUE(automount->mount);
    EXPECT_EQ(automount->mount->source, "/dev/sdd1");

    const auto stacked = map.mediumOf("/mnt/backup/");
    ASSERT_TRUE(stacked);
    EXPECT_EQ(stacked->mount->source, "/dev/sdf1"); // the visible, topmost mount

    const auto folder = map.mediumOf("/srv/share/backup/");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->root, "/srv/share/backup/");
    EXPECT_FALSE(folder->mount);

    for (const char *none : {"/run/media/ann/", "/home/ann/", "/mnt/backup", "Choose backup CD", "", "/nowhere/"})
        EXPECT_FALSE(map.mediumOf(none)) << none;
}

// The automount folder and the folders above it lie on the computer's own
// disk: a label file put there makes none of them a backup disk, so that
// no backup lands on the system disk in place of the disk mounted below.
TEST(DriveMap, ALabelFileInTheAutomountFolderMakesItNoDisk)
{
    const DriveMap map = sampleMap({"/media/ann", "/media", "/", "/media/ann/USB STICK", "/srv/share/backup"});
    const auto automount = map.mediumOf("/media/ann/");
    ASSERT_TRUE(automount);
    EXPECT_EQ(automount->root, "/media/ann/OLD/") << "the disk mounted in it";
    EXPECT_EQ(map.driveRootFor("/media/ann/OLD/docs"), "/media/ann/");
    EXPECT_EQ(map.driveRootFor("/media/ann"), "/media/ann/");
    EXPECT_FALSE(map.mediumOf("/media/"));
    EXPECT_EQ(map.driveRootFor("/media"), "/");
    // A disk's own root, or a folder someone made a disk, still is one.
    EXPECT_EQ(map.driveRootFor("/media/ann/USB STICK/docs"), "/media/ann/USB STICK/");
    EXPECT_EQ(map.driveRootFor("/srv/share/backup/x"), "/srv/share/backup/");
}

TEST(DriveMap, ListsMountPointsAndAutomountFoldersAsDriveRoots)
{
    const auto roots = sampleMap().driveRoots();
    const std::set<std::string> asSet(roots.begin(), roots.end());
    EXPECT_EQ(roots.size(), asSet.size());
    for (const char *root : {"/", "/home/", "/media/ann/", "/run/media/ann/", "/mnt/backup/", "/media/ann/USB STICK/"})
        EXPECT_TRUE(asSet.count(root)) << root;
}

} // namespace quillarc
