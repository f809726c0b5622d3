#include "lists/AutoBackupSetting.h"
#include "lists/DiskListFile.h"
#include "lists/DiskStatusRecord.h"
#include "lists/PerLabelFile.h"

#include <gtest/gtest.h>

namespace quillarc {
namespace {

// Every file a disk keeps in the program folder goes by one name, whatever
// the label holds, and the name leads back to the label.
TEST(PerLabelFile, EveryFileOfALabelSharesOneNameThatLeadsBack)
{
    const struct {
        std::string label;
        std::string stem;
    } cases[] = {
        {"BACKUP1", "BACKUP1"}, {"a/b", "a%2Fb"}, {"100%", "100%25"}, {std::string("A\0B", 3), "A%00B"},
        {".", "%2E"},           {"..", "%2E%2E"}, {"...", "..."},
    };
    const std::string folder = "/program/";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stem);
        EXPECT_EQ(DiskListFile(folder).pathFor(c.label), folder + c.stem + ".ini");
        EXPECT_EQ(AutoBackupSetting(folder).pathFor(c.label), folder + c.stem + ".auto");
        EXPECT_EQ(DiskStatusRecords(folder).pathFor(c.label), folder + c.stem + ".status");
        EXPECT_EQ(perLabelFileName(c.label, kSeenFoldersSuffix), c.stem + ".folders");
        for (std::string_view suffix : {kListFileSuffix, kSeenFoldersSuffix, kAutoBackupSuffix, kStatusRecordSuffix})
            EXPECT_EQ(labelOfPerLabelFileName(perLabelFileName(c.label, suffix), suffix), c.label);
    }
    EXPECT_EQ(labelOfPerLabelFileName("BACKUP1.ini", kAutoBackupSuffix), "");
    EXPECT_EQ(labelOfPerLabelFileName(".auto", kAutoBackupSuffix), "");
}

} // namespace
} // namespace quillarc
