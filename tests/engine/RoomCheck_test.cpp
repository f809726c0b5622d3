#include <gtest/gtest.h>

#include "engine/DiskFullRules.h"
#include "engine/Progress.h"
#include "engine/RoomCheck.h"
#include "support/SimulatedVolumeHost.h"

#include <set>

namespace quillarc {
namespace {

TEST(RoomCheck, CountsDisksFromTheCapacityOfTheDiskInTheDrive)
{
    struct Case {
        std::int64_t free, total, capacity, disks;
    };
    const Case cases[] = {
        {200000, 3000000, 1457664, 2},
        {1000, 5000, 1457664, 1},
        {5000, 5000, 1457664, 1},
        {0, 3 * 1000, 1000, 3},
        {0, 3001, 1000, 4},
        {10, 100, 0, 1},
        {10, 100, -1, 1},
        {0, std::int64_t {5} << 32, std::int64_t {1} << 32, 5},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RoomCheck::disksNeeded(c.free, c.total, c.capacity), c.disks) << c.free << "/" << c.total;
    EXPECT_TRUE(RoomCheck::fits(5001, 5000));
    EXPECT_FALSE(RoomCheck::fits(5000, 5000));
}

TEST(RoomCheck, PromptTexts)
{
    EXPECT_EQ(RoomCheck::prompt(1), "NO ROOM ON THE BACKUP DISK\rTO COMPLETE THE BACKUP OF THIS FOLDER\r"
                                    "YOU WILL NEED ONE FORMATTED DISK READY.\rIF YOU HAVE THE DISK READY CHOOSE YES.\r"
                                    "IF YOU WISH TO CANCEL THE OPERATION CHOOSE CANCEL\r\rONE FORMATTED DISK READY?");
    EXPECT_EQ(RoomCheck::prompt(3), "NO ROOM ON THE BACKUP DISK\rTO COMPLETE THE BACKUP OF THIS FOLDER\r"
                                    "YOU WILL NEED 3 FORMATTED DISKS READY.\rIF YOU HAVE THE DISKS READY CHOOSE YES.\r"
                                    "IF YOU WISH TO CANCEL THE OPERATION CHOOSE CANCEL\r\r3 FORMATTED DISKS READY?");
}

TEST(Progress, BarArithmetic)
{
    EXPECT_EQ(Progress::totalBar(1, 3), 33);
    EXPECT_EQ(Progress::totalBar(2, 3), 66);
    EXPECT_EQ(Progress::totalBar(3, 3), 100);
    EXPECT_EQ(Progress::totalBar(1, 2), 50);
    EXPECT_EQ(Progress::totalBar(1, 0), 0);
    EXPECT_EQ(Progress::totalBar(29, 100), 29);
    EXPECT_EQ(Progress::totalBar(57, 100), 57);
    EXPECT_EQ(Progress::folderBar(29, 100), 29);
    EXPECT_EQ(Progress::folderBar(std::int64_t {29} << 40, std::int64_t {100} << 40), 29);
    EXPECT_EQ(Progress::folderBar(150, 100), 0) << "past the sized total: never left standing full";
    const int expected[] = {25, 50, 75, 0};
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(Progress::folderBar(1024 * i, 4096), expected[i - 1]);
    EXPECT_EQ(Progress::folderBar(0, 0), 0);
}

TEST(DiskFullRules, ReadyRulesInOrder)
{
    test::SimulatedVolumeHost host;
    std::set<std::string> known = {"DISK1"};
    DiskFullRules rules(host, "/drive/", 1000, [&](const std::string &label) { return known.count(label) > 0; });

    host.insert("/drive/", {"/tmp/", "", 1 << 20, 5000});
    EXPECT_EQ(rules.readyRefusal(), "DISK HAS NO VOLUME LABEL\rTHE PROGRAM REQUIRES A VOLUME LABEL\r"
                                    "TO RECOGNIZE THE DISK.\rREFORMAT THE DISK AND INCLUDE A VOLUME LABEL\r"
                                    "OR INSERT A NEW DISK TO CONTINUE");
    host.insert("/drive/", {"/tmp/", "DISK1", 1 << 20, 0});
    EXPECT_EQ(rules.readyRefusal(), "NOT A NEW FORMATTED DISK.\rTHIS DISK IS ALREADY IN USE BY THE PROGRAM\r"
                                    "INSERT NEW FORMATTED DISK TO CONTINUE");
    host.insert("/drive/", {"/tmp/", "DISK2", 1 << 20, 0});
    EXPECT_EQ(rules.readyRefusal(), "NO FREE SPACE ON THIS DISK.\rINSERT A WRITEABLE DISK TO CONTINUE");
    host.setFree("/drive/", 999);
    EXPECT_EQ(rules.readyRefusal(), "NOT ENOUGH FREE SPACE ON THIS DISK\rINSERT A WRITEABLE DISK TO CONTINUE");
    host.setFree("/drive/", 1000);
    EXPECT_EQ(rules.readyRefusal(), "");
    EXPECT_EQ(rules.currentLabel(), "DISK2");
    host.eject("/drive/");
    EXPECT_NE(rules.readyRefusal(), "");
}

} // namespace
} // namespace quillarc
