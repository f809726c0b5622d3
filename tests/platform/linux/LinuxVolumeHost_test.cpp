#include "platform/linux/LinuxVolumeHost.h"
#include "platform/linux/FileSystemLabel.h"

#include "support/ChildRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillarc {

using test::TempFolder;
using test::writeFile;

namespace {

std::string mountLine(int id, const std::string &point, const std::string &device, const std::string &source)
{
    std::string escaped;
    for (char c : point)
        escaped += c == ' ' ? std::string("\\040") : std::string(1, c);
    return std::to_string(id) + " 1 " + device + " / " + escaped + " rw - ext4 " + source + " rw\n";
}

} // namespace

// A mount table written by the test, over real folders: labels come from
// label files, space from statvfs of the folders.
class VolumeHostOnFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir / "media/ann/MY STICK");
        std::filesystem::create_directories(dir / "mnt/backup");
        std::filesystem::create_directories(dir / "share/set");
        writeFile(dir / "mountinfo", mountLine(1, "/", "8:1", "/dev/sda1") +
                                         mountLine(2, dir / "media/ann/MY STICK", "0:4000", "none") +
                                         mountLine(3, dir / "mnt/backup", "0:4001", "none"));
        options.mountInfoPath = dir / "mountinfo";
        options.automountFolders = {dir / "media/ann"};
        options.byLabelDir = dir / "by-label";
    }

    TempFolder dir;
    LinuxVolumeHost::Options options;
};

TEST_F(VolumeHostOnFolders, ReadsLabelsFromLabelFiles)
{
    const LinuxVolumeHost host(options);
    const struct {
        std::string content;
        std::string label;
    } cases[] = {
        {"BACKUP1\r\nsecond line\r\n", "BACKUP1"},
        {"My Disk \xc3\xa9t\xc3\xa9\n", "My Disk \xc3\xa9t\xc3\xa9"},
        {"a/b", "a/b"}, // kept as it is; the list file name guards itself
        {"", ""},
        {"\nLATER", ""},
        {std::string(10000, 'x'), std::string(4096, 'x')},
    };
    for (const auto &c : cases) {
        writeFile(dir / "media/ann/MY STICK/.quillarc-label", c.content);
        EXPECT_EQ(host.volumeLabel(dir / "media/ann/"), c.label);
    }
    EXPECT_EQ(host.mediumRoot(dir / "media/ann/"), dir / "media/ann/MY STICK/");
    EXPECT_EQ(host.volumeLabel(dir / "mnt/backup/"), ""); // a medium without a label
    EXPECT_EQ(host.mediumRoot(dir / "mnt/backup/"), dir / "mnt/backup/");
}

TEST_F(VolumeHostOnFolders, FolderWithLabelFileIsItsOwnDrive)
{
    const LinuxVolumeHost host(options);
    writeFile(dir / "share/set/.quillarc-label", "NETSET\n");
    std::filesystem::create_directories(dir / "share/set/a/b");
    EXPECT_EQ(host.driveRootFor(dir / "share/set/a/b"), dir / "share/set/");
    EXPECT_EQ(host.driveRootFor(dir / "media/ann/MY STICK/docs"), dir / "media/ann/");
    EXPECT_EQ(host.driveRootFor(dir / "mnt/backup/x"), dir / "mnt/backup/");
    EXPECT_EQ(host.volumeLabel(dir / "share/set/"), "NETSET");
    EXPECT_GE(host.freeBytes(dir / "share/set/"), 0);
    EXPECT_GE(host.totalBytes(dir / "share/set/"), host.freeBytes(dir / "share/set/"));

    // The drive vanishes between two calls.
    std::filesystem::remove_all(dir / "share");
    EXPECT_EQ(host.volumeLabel(dir / "share/set/"), "");
    EXPECT_EQ(host.freeBytes(dir / "share/set/"), -1);
    EXPECT_EQ(host.totalBytes(dir / "share/set/"), -1);
}

TEST_F(VolumeHostOnFolders, NoMediumGivesEmptyLabelAndMinusOne)
{
    const LinuxVolumeHost host(options);
    for (const std::string &root : {std::string("Choose backup CD"), std::string("/no/such/drive/"), std::string(""),
                                    dir / "mnt", dir.folder()}) {
        EXPECT_EQ(host.volumeLabel(root), "") << root;
        EXPECT_EQ(host.mediumRoot(root), "") << root;
        EXPECT_EQ(host.freeBytes(root), -1) << root;
        EXPECT_EQ(host.totalBytes(root), -1) << root;
    }
    // A mount point whose folder is gone: statvfs fails, so -1 as well.
    std::filesystem::remove_all(dir / "mnt");
    EXPECT_EQ(host.freeBytes(dir / "mnt/backup/"), -1);

    options.mountInfoPath = dir / "missing-table";
    EXPECT_EQ(LinuxVolumeHost(options).freeBytes("/"), -1);
}

TEST_F(VolumeHostOnFolders, PrefersTheUdevLabelOfTheDevice)
{
    struct stat st {};
    if (::stat("/dev/loop0", &st) != 0 || !S_ISBLK(st.st_mode))
        GTEST_SKIP() << "needs the block device /dev/loop0 to stand for a labelled device";
    std::filesystem::create_directories(dir / "by-label");
    std::filesystem::create_symlink("/dev/loop0", dir / "by-label/MY\\x20DISK\\x2fA");
    const std::string device = std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
    writeFile(dir / "mountinfo",
              mountLine(1, "/", "8:1", "/dev/sda1") + mountLine(9, dir / "media/ann/MY STICK", device, "none"));
    writeFile(dir / "media/ann/MY STICK/.quillarc-label", "FROM FILE");
    EXPECT_EQ(LinuxVolumeHost(options).volumeLabel(dir / "media/ann/"), "MY DISK/A");
    std::filesystem::remove(dir / "by-label/MY\\x20DISK\\x2fA");
    EXPECT_EQ(LinuxVolumeHost(options).volumeLabel(dir / "media/ann/"), "FROM FILE");
}

// Real file systems on loop devices, inside a private mount namespace.
namespace {

const char *const kChildDir = "QUILLARC_LOOP_CHILD_DIR";
const char *const kChildKind = "QUILLARC_LOOP_CHILD_KIND";

bool run(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string loopSkipReason()
{
    if (::geteuid() != 0)
        return "needs root for loop devices and mounts";
    if (!run("losetup -f"))
        return "no free loop device (losetup -f fails)";
    return {};
}

bool kernelKnows(const std::string &fsType)
{
    std::ifstream filesystems("/proc/filesystems");
    std::string line;
    while (std::getline(filesystems, line)) {
        if (line.size() >= fsType.size() && line.compare(line.size() - fsType.size(), fsType.size(), fsType) == 0)
            return true;
    }
    return false;
}

void runLoopChild(const std::string &kind)
{
    TempFolder dir;
    const auto result = test::runChild("VolumeHostOnLoopDevicesChild", {{kChildDir, dir.folder()}, {kChildKind, kind}},
                                       std::chrono::seconds(60));
    if (result.skipped())
        GTEST_SKIP() << result.output;
    EXPECT_TRUE(result.passed()) << result.output;
}

} // namespace

TEST(VolumeHostOnLoopDevices, ReadsLabelsAndSpaceOfExt4)
{
    if (const std::string reason = loopSkipReason(); !reason.empty())
        GTEST_SKIP() << reason;
    runLoopChild("ext4");
}

TEST(VolumeHostOnLoopDevices, ReadsLabelsAndSpaceOfFat)
{
    if (const std::string reason = loopSkipReason(); !reason.empty())
        GTEST_SKIP() << reason;
    if (!kernelKnows("vfat"))
        GTEST_SKIP() << "the kernel does not list vfat in /proc/filesystems";
    runLoopChild("vfat");
}

// Reading a label needs no mount: this runs even where the kernel cannot
// mount FAT.
TEST(VolumeHostOnLoopDevices, ProbesTheLabelOfAnUnmountedFatDevice)
{
    if (const std::string reason = loopSkipReason(); !reason.empty())
        GTEST_SKIP() << reason;
    TempFolder dir;
    const std::string image = dir / "fat.img";
    ASSERT_TRUE(run("truncate -s 4M " + image + " && mkfs.vfat -n 'FAT DISK' " + image));
    FILE *attach = ::popen(("losetup -f --show " + image + " 2>/dev/null").c_str(), "r");
    ASSERT_TRUE(attach);
    char device[256] = {};
    const bool got = std::fgets(device, sizeof device, attach) != nullptr;
    ::pclose(attach);
    if (!got)
        GTEST_SKIP() << "losetup could not attach an image";
    std::string path = device;
    path.erase(path.find_last_not_of("\n") + 1);
    EXPECT_EQ(probeFileSystemLabel(path), "FAT DISK");
    run("losetup -d " + path);
    EXPECT_EQ(probeFileSystemLabel(image), ""); // not a block device
    EXPECT_EQ(probeFileSystemLabel("/dev/null"), "");
}

QUILLARC_TEST_CHILD(VolumeHostOnLoopDevicesChild)
{
    const char *base = std::getenv(kChildDir);
    ASSERT_TRUE(base && std::getenv(kChildKind));
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "cannot enter a private mount namespace";
    const std::string dir = base;
    const std::string automount = dir + "/media/ann";
    const std::string point = automount + "/DISK";
    std::filesystem::create_directories(point);
    LinuxVolumeHost::Options options;
    options.automountFolders = {automount};
    const LinuxVolumeHost host(options);

    struct Image {
        std::string mkfs;
        std::string label;
    };
    const std::vector<Image> images = std::string(std::getenv(kChildKind)) == "vfat"
                                          ? std::vector<Image> {{"mkfs.vfat -n FATDISK", "FATDISK"},
                                                                {"mkfs.vfat -n 'FAT DISK'", "FAT DISK"},
                                                                {"mkfs.vfat", ""}}
                                          : std::vector<Image> {{"mkfs.ext4 -q -F -L BACKUP1", "BACKUP1"},
                                                                {"mkfs.ext4 -q -F -L 'MY DISK'", "MY DISK"},
                                                                {"mkfs.ext4 -q -F -L 'B\xc3\xa4nd'", "B\xc3\xa4nd"},
                                                                {"mkfs.ext4 -q -F", ""}};

    for (const auto &image : images) {
        SCOPED_TRACE(image.mkfs);
        const std::string file = dir + "/disk.img";
        ASSERT_TRUE(run("truncate -s 0 " + file + " && truncate -s 8M " + file));
        ASSERT_TRUE(run(image.mkfs + " " + file));
        ASSERT_TRUE(run("mount -o loop " + file + " '" + point + "'"));

        EXPECT_EQ(host.mediumRoot(automount + "/"), point + "/");
        EXPECT_EQ(host.volumeLabel(automount + "/"), image.label);
        const std::int64_t total = host.totalBytes(automount + "/");
        const std::int64_t before = host.freeBytes(automount + "/");
        EXPECT_GT(total, 6 * 1024 * 1024);
        EXPECT_LE(total, 8 * 1024 * 1024);
        EXPECT_GT(before, 0);
        EXPECT_LE(before, total);
        test::writeFile(point + "/filler", std::string(1024 * 1024, 'x'));
        ::sync();
        EXPECT_LE(host.freeBytes(automount + "/"), before - 1024 * 1024);
        EXPECT_EQ(host.driveRootFor(point + "/sub/folder"), automount + "/");

        ASSERT_TRUE(run("umount '" + point + "'"));
        EXPECT_EQ(host.volumeLabel(automount + "/"), "");
        EXPECT_EQ(host.freeBytes(automount + "/"), -1);
    }
}

} // namespace quillarc
