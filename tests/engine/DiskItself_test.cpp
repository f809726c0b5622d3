#include <gtest/gtest.h>

#include "engine/DiskItself.h"
#include "platform/linux/MountInfo.h"
#include "support/TempFolder.h"

#include <filesystem>

namespace quillarc {
namespace {

MountEntry mounted(const std::string &device, const std::string &root, const std::string &point)
{
    MountEntry entry;
    entry.device = device;
    entry.root = root;
    entry.mountPoint = point;
    return entry;
}

// The disk is known by its file system and the folder it is on it, not by
// the path it is reached by: a bind mount of the disk, or of one of its
// folders, is the disk as well.
TEST(DiskItself, ADiskReachedThroughAnotherMountIsStillTheDisk)
{
    test::TempFolder temp;
    const std::string t = temp.folder();
    for (const char *folder : {"disk/home", "home/ann/bound", "home/ann/part", "home/ann/own", "nas/backup/sub",
                               "home/ann/nasbound", "home/ann/nasother"})
        std::filesystem::create_directories(t + "/" + folder);
    // 8:1 holds the temporary folder; 8:17 is a stick mounted at disk/,
    // bound again whole at bound/ and with its folder "home" at part/.
    // nas/backup is a disk made of a folder of 8:1, its "sub" bound at
    // nasbound/; nasother/ shows another folder of 8:1.
    const std::vector<MountEntry> mounts = {
        mounted("8:1", "/", "/"),
        mounted("8:17", "/", t + "/disk"),
        mounted("8:17", "/", t + "/home/ann/bound"),
        mounted("8:17", "/home", t + "/home/ann/part"),
        mounted("8:1", t + "/nas/backup/sub", t + "/home/ann/nasbound"),
        mounted("8:1", t + "/home/ann/own", t + "/home/ann/nasother"),
        mounted("8:33", "/", t + "/home/ann/own"),
    };
    const struct {
        const char *path;
        const char *disk;
        bool onDisk;
    } cases[] = {
        {"/disk/home", "/disk/", true},
        {"/home/ann/bound", "/disk/", true},
        {"/home/ann/part", "/disk/", true},
        {"/home/ann", "/disk/", false},
        {"/home/ann/own", "/disk/", false},
        {"/home/ann/nasbound", "/nas/backup/", true},
        {"/home/ann/nasother", "/nas/backup/", false},
        {"/nas", "/nas/backup/", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(liesOnBackupDisk(t + c.path, t + c.disk, mounts), c.onDisk) << c.path << " on " << c.disk;

    // Walking /home/ann, the disk's second mounts are passed over.
    EXPECT_EQ(backupDiskMountsBelow(t + "/home/ann", t + "/disk/", mounts),
              (std::vector<std::string> {t + "/home/ann/bound", t + "/home/ann/part"}));
    EXPECT_EQ(backupDiskMountsBelow(t + "/home/ann", t + "/nas/backup/", mounts),
              (std::vector<std::string> {t + "/home/ann/nasbound"}));
    EXPECT_TRUE(backupDiskMountsBelow(t + "/home/ann/own", t + "/disk/", mounts).empty());
}

} // namespace
} // namespace quillarc
