#include "platform/linux/MountInfo.h"

#include <gtest/gtest.h>

namespace quillarc {

TEST(MountInfo, DecodesOctalEscapesAndKeepsStrayBackslashes)
{
    EXPECT_EQ(decodeMountField("/media/ann/MY\\040DISK"), "/media/ann/MY DISK");
    EXPECT_EQ(decodeMountField("a\\011b\\012c\\134d"), "a\tb\nc\\d");
    EXPECT_EQ(decodeMountField("end\\04"), "end\\04");
    EXPECT_EQ(decodeMountField("x\\9999"), "x\\9999");
    EXPECT_EQ(decodeMountField("\\303\\251t\\303\\251"), "\xc3\xa9t\xc3\xa9");
}

TEST(MountInfo, ParsesFieldsWithOptionalTagsAndBlanks)
{
    const auto table =
        parseMountInfo("22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                       "95 22 8:17 / /media/ann/BACK\\040UP rw,nosuid shared:50 master:3 - vfat /dev/sdb1 rw,uid=1000\n"
                       "96 22 0:50 /sub /mnt/bind rw - tmpfs tmpfs rw\n");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].mountPoint, "/");
    EXPECT_EQ(table[1].mountId, 95);
    EXPECT_EQ(table[1].parentId, 22);
    EXPECT_EQ(table[1].device, "8:17");
    EXPECT_EQ(table[1].mountPoint, "/media/ann/BACK UP");
    EXPECT_EQ(table[1].fsType, "vfat");
    EXPECT_EQ(table[1].source, "/dev/sdb1");
    EXPECT_EQ(table[2].root, "/sub");
}

TEST(MountInfo, SkipsLinesOfUnexpectedShape)
{
    const auto table = parseMountInfo("garbage\n"
                                      "\n"
                                      "x 1 8:1 / / rw - ext4 /dev/sda1 rw\n"          // id not a number
                                      "23 1 8:1 / /a rw shared:1 ext4 /dev/sda1 rw\n" // no separator
                                      "24 1 81 / /b rw - ext4 /dev/sda1 rw\n"         // device without ':'
                                      "25 1 8:1 / relative rw - ext4 /dev/sda1 rw\n"  // mount point not absolute
                                      "26 1 8:1 / /c rw -\n"                          // nothing after separator
                                      "27 1 8:2 / /good rw - ext4 /dev/sda2 rw");     // last line without newline
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].mountPoint, "/good");
    EXPECT_TRUE(readMountInfo("/nonexistent/mountinfo").empty());
}

} // namespace quillarc
