#include "cli/MountArrivals.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    MountArrivals arrivals {[this](const std::string &root) {
                                reads.push_back(root);
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
    EXPECT_EQ(arrivals.update({root, proc, one}), (std::vector<Arrival> {{"BACKUP1", "/media/ann/BACKUP1/"}}));
    EXPECT_TRUE(arrivals.update({root, proc, one}).empty());
    EXPECT_EQ(arrivals.driveRootOf("BACKUP1"), "/media/ann/BACKUP1/");
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "/proc/"), 0) << "pseudo file systems are not read";
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "/media/ann/BACKUP1/"), 1) << "a label is read once per mount";
}

TEST_F(MountArrivalsTest, EachArrivalAfterALeavingGivesOnePass)
{
    EXPECT_TRUE(arrivals.update({root}).empty());
    EXPECT_EQ(arrivals.update({root, one}).size(), 1u);
    EXPECT_TRUE(arrivals.update({root, one}).empty()) << "an unrelated change of the table";
    EXPECT_TRUE(arrivals.update({root}).empty());
    EXPECT_EQ(arrivals.driveRootOf("BACKUP1"), "");
    MountEntry back = one;
    back.mountId = 40;
    EXPECT_EQ(arrivals.update({root, back}), (std::vector<Arrival> {{"BACKUP1", "/media/ann/BACKUP1/"}}));
}

TEST_F(MountArrivalsTest, OnlyOptedInLabelsArriveAndTwoTogetherArriveInTableOrder)
{
    EXPECT_EQ(arrivals.update({root, photos, two, one}),
              (std::vector<Arrival> {{"BACKUP2", "/media/ann/BACKUP2/"}, {"BACKUP1", "/media/ann/BACKUP1/"}}));
}

TEST_F(MountArrivalsTest, ASecondMountOfTheSameDiskIsNoNewArrival)
{
    EXPECT_EQ(arrivals.update({root, one}).size(), 1u);
    const MountEntry bind = mount(41, "7:0", "/mnt/again");
    EXPECT_TRUE(arrivals.update({root, one, bind}).empty());
    EXPECT_TRUE(arrivals.update({root, bind}).empty()) << "the disk never left";
    EXPECT_EQ(arrivals.driveRootOf("BACKUP1"), "/mnt/again/");
}

TEST_F(MountArrivalsTest, ALabelFoundOnlyAfterTheMountShowsStillArrives)
{
    labels.erase("/media/ann/BACKUP1/");
    EXPECT_TRUE(arrivals.update({root, one}).empty());
    labels["/media/ann/BACKUP1/"] = "BACKUP1";
    EXPECT_EQ(arrivals.update({root, one}).size(), 1u);
    EXPECT_TRUE(arrivals.update({root, one}).empty());
}

TEST_F(MountArrivalsTest, ReusedMountIdsDoNotHideANewDisk)
{
    EXPECT_TRUE(arrivals.update({root, photos}).empty());
    MountEntry other = one;
    other.mountId = photos.mountId; // the kernel gave the freed id to the next mount
    EXPECT_EQ(arrivals.update({root, other}).size(), 1u);
}

} // namespace
} // namespace quillarc
