#include <gtest/gtest.h>

#include "lists/DiskListFile.h"
#include "support/TempFolder.h"
#include "platform/LabelFile.h"

namespace quillarc {
namespace {

// The label is the first line of the label file as it stands; a NUL in it
// stays, and names its own list file.
TEST(LabelFile, TheFirstLineWithEveryByteIsTheLabel)
{
    const struct {
        std::string content;
        std::string label;
    } cases[] = {
        {"BACKUP1\n", "BACKUP1"},
        {"BACKUP1\r\nsecond line\n", "BACKUP1"},
        {"NO END", "NO END"},
        {std::string("AB\0CD\n", 6), std::string("AB\0CD", 5)},
        {"\n", ""},
    };
    for (const auto &c : cases) {
        test::TempFolder folder;
        folder.write(kLabelFileName, c.content);
        EXPECT_EQ(readLabelFile(folder.path()), c.label);
    }
    EXPECT_EQ(diskListFileName(std::string("AB\0CD", 5)), "AB%00CD.ini");
}

} // namespace
} // namespace quillarc
