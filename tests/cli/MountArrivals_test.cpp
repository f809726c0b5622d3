#include "cli/MountArrivals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>

namespace quillarc {
namespace {

MountEntry mount(int id, const std::string &device, const std::string &point, const std::string &type = "ext4")
{
    MountEntry entry;
    entry.mountId = id;
    entry.parentId = 1;
    entry.device = device;
    entry.root = "/";
    entry.mountPoint = point;
    entry.fsType = type;
    entry.source = "/dev/" + device;
    return entry;
}

// A table fed by hand, with labels by mount point, opted-in labels and a
// count of label reads.
class MountArrivalsTest : public testing::Test {
protected:
    std::map<std::string, std::string> labels {{"/", "rootfs"},
                                               {"/media/ann/BACKUP1/", "BACKUP1"},
                                               {"/media/ann/BACKUP2/", "BACKUP2"},
                                               {"/media/ann/PHOTOS/", "PHOTOS"},
                                               {"/mnt/again/", "BACKUP1"}};
    std::set<std::string> optedIn {"BACKUP1", "BACKUP2"};
    std::vector<std::string> reads;
    std::set<std::string> silent; ///< mounts that do not answer
    MountArrivals::Clock::time_point t0 = MountArrivals::Clock::now();
    MountArrivals arrivals {[this](const MountEntry &mount) -> std::optional<std::string> {
                                const std::string root = mount.mountPoint == "/" ? "/" : mount.mountPoint + "/";
                                reads.push_back(root);
                                if (silent.contains(root))
                                    return std::nullopt;
                                const auto found = labels.find(root);
                                return found == labels.end() ? std::string() : found->second;
                            },
                            [this](const std::string &label) { return optedIn.contains(label); }};

    const MountEntry root = mount(20, "8:1", "/");
    const MountEntry proc = mount(21, "0:5", "/proc", "proc");
    const MountEntry one = mount(30, "7:0", "/media/ann/BACKUP1");
    const MountEntry two = mount(31, "7:1", "/media/ann/BACKUP2");
    const MountEntry photos = mount(32, "7:2", "/media/ann/PHOTOS");
};

TEST_F(MountArrivalsTest, ADiskAlreadyMountedAtStartArrivesOnce)
{
    EXPECT_EQ(arrivals.update({root, proc, one}, t0), (std::vector<Arrival> {{"BACKUP1", "/media/ann/BACKUP1/"}}));
    EXPECT_TRUE(arrivals.update({root, proc, one}, t0).empty());
    EXPECT_EQ(arrivals.driveRootOf("BACKUP1"), "/media/ann/BACKUP1/");
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "/proc/"), 0) << "pseudo file systems are not read";
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "/media/ann/BACKUP1/"), 1) << "a label is read once per mount";
}

TEST_F(MountArrivalsTest, EachArrivalAfterALeavingGivesOnePass)
{
    EXPECT_TRUE(arrivals.update({root}, t0).empty());
    EXPECT_EQ(arrivals.update({root, one}, t0).size(), 1u);
    EXPECT_TRUE(arrivals.update({root, one}, t0).empty()) << "an unrelated change of the table";
    EXPECT_TRUE(arrivals.update({root}, t0).empty());
    EXPECT_EQ(arrivals.driveRootOf("BACKUP1"), "");
    MountEntry back = one;
    back.mountId = 40;
    EXPECT_EQ(arrivals.update({root, back}, t0), (std::vector<Arrival> {{"BACKUP1", "/media/ann/BACKUP1/"}}));
}

TEST_F(MountArrivalsTest, OnlyOptedInLabelsArriveAndTwoTogetherArriveInTableOrder)
{
    EXPECT_EQ(arrivals.update({root, photos, two, one}, t0),
              (std::vector<Arrival> {{"BACKUP2", "/media/ann/BACKUP2/"}, {"BACKUP1", "/media/ann/BACKUP1/"}}));
    // A disk left alone is told when it arrives, once; those mounted before
    // the watch began are not (the computer's own disks among them).
    EXPECT_TRUE(arrivals.passedOver().empty());
    arrivals.update({root}, t0);
    EXPECT_TRUE(arrivals.update({root, photos, one}, t0).size() == 1);
    EXPECT_EQ(arrivals.passedOver(), (std::vector<Arrival> {{"PHOTOS", "/media/ann/PHOTOS/"}}));
    EXPECT_TRUE(arrivals.update({root, photos, one}, t0).empty());
    EXPECT_TRUE(arrivals.passedOver().empty());
}

TEST_F(MountArrivalsTest, ASecondMountOfTheSameDiskIsNoNewArrival)
{
    EXPECT_EQ(arrivals.update({root, one}, t0).size(), 1u);
    const MountEntry bind = mount(41, "7:0", "/mnt/again");
    EXPECT_TRUE(arrivals.update({root, one, bind}, t0).empty());
    EXPECT_TRUE(arrivals.update({root, bind}, t0).empty()) << "the disk never left";
    EXPECT_EQ(arrivals.driveRootOf("BACKUP1"), "/mnt/again/");
}

TEST_F(MountArrivalsTest, ALabelPublishedAMomentAfterTheMountArrivesWithoutAnotherChange)
{
    using std::chrono::milliseconds;
    labels.erase("/media/ann/BACKUP1/");
    EXPECT_TRUE(arrivals.update({root, one}, t0).empty());
    ASSERT_TRUE(arrivals.nextLook().has_value()) << "a mount without a label is looked at again";
    EXPECT_LE(*arrivals.nextLook() - t0, milliseconds(200));
    EXPECT_TRUE(arrivals.lookAgain(t0 + milliseconds(50)).empty()) << "not due yet";
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "/media/ann/BACKUP1/"), 1);

    // udev names the device 1.5 s after the mount; no other mount comes.
    auto now = t0;
    std::vector<Arrival> arrived;
    for (int look = 0; look < 20 && arrived.empty(); ++look) {
        ASSERT_TRUE(arrivals.nextLook().has_value());
        now = *arrivals.nextLook();
        if (now - t0 >= milliseconds(1500))
            labels["/media/ann/BACKUP1/"] = "BACKUP1";
        arrived = arrivals.lookAgain(now);
    }
    EXPECT_EQ(arrived, (std::vector<Arrival> {{"BACKUP1", "/media/ann/BACKUP1/"}}));
    EXPECT_LE(now - t0, milliseconds(3500)) << "seen soon after its label came";
    EXPECT_FALSE(arrivals.nextLook().has_value()) << "root and the disk are labelled: nothing left to look at";
    EXPECT_TRUE(arrivals.lookAgain(now + milliseconds(100)).empty()) << "one pass per arrival";
}

TEST_F(MountArrivalsTest, AMountWithoutALabelIsGivenUpOnAndOneThatDoesNotAnswerIsNotAskedAgain)
{
    const MountEntry share = mount(50, "0:60", "/mnt/share", "nfs4");
    const MountEntry plain = mount(51, "0:61", "/srv/scratch", "tmpfs");
    silent.insert("/mnt/share/");
    arrivals.update({root, share, plain}, t0);
    auto now = t0;
    while (arrivals.nextLook() && now - t0 < std::chrono::minutes(1)) {
        now = *arrivals.nextLook();
        arrivals.lookAgain(now);
    }
    EXPECT_FALSE(arrivals.nextLook().has_value());
    EXPECT_LE(now - t0, MountArrivals::kLookFor * 2);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "/mnt/share/"), 1);
    EXPECT_LE(std::count(reads.begin(), reads.end(), "/srv/scratch/"), 8);
    reads.clear();
    arrivals.update({root, share, plain, one}, now + std::chrono::hours(1));
    EXPECT_EQ(reads, std::vector<std::string> {"/media/ann/BACKUP1/"});
}

// Each change of a table of hundreds of mounts reads the labels of the new
// mounts only, not of every mount again.
TEST_F(MountArrivalsTest, AChangeOfALargeTableReadsOnlyTheNewMounts)
{
    std::vector<MountEntry> table {root};
    for (int i = 0; i < 400; ++i)
        table.push_back(mount(100 + i, "0:" + std::to_string(100 + i), "/run/many/" + std::to_string(i), "tmpfs"));
    arrivals.update(table, t0);
    const auto later = t0 + std::chrono::hours(1);
    arrivals.update(table, later); // the last look at mounts still without a label
    reads.clear();
    for (int change = 0; change < 20; ++change) {
        labels["/mnt/new" + std::to_string(change) + "/"] = "NEW" + std::to_string(change);
        table.push_back(mount(600 + change, "7:" + std::to_string(change), "/mnt/new" + std::to_string(change)));
        arrivals.update(table, later + std::chrono::seconds(change));
    }
    EXPECT_EQ(reads.size(), 20u);
}

TEST_F(MountArrivalsTest, ReusedMountIdsDoNotHideANewDisk)
{
    EXPECT_TRUE(arrivals.update({root, photos}, t0).empty());
    MountEntry other = one;
    other.mountId = photos.mountId; // the kernel gave the freed id to the next mount
    EXPECT_EQ(arrivals.update({root, other}, t0).size(), 1u);
}

} // namespace
} // namespace quillarc
