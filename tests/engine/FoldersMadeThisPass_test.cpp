#include "engine/support/PassFixture.h"

#include <string>

namespace quillarc {
namespace {

class FoldersMadeThisPassTest : public PassFixture {};

// The pass does not look for copies in a folder it made itself, as such a
// folder holds only what the pass put there. A file that lies in two items
// (a folder listed twice, a sub-folder or a file of it listed again) reaches
// the folder a second time: its copy is there then, and the pass neither
// misses the file nor fails to put it on the disk.
TEST_F(FoldersMadeThisPassTest, AFileInTwoItemsOfOnePassIsNeverMissed)
{
    writeFile(source + "/a/x.txt", "in the folder and listed on its own");
    writeFile(source + "/a/b/y.txt", "in the folder and in its sub-folder item");
    writeFile(source + "/a/b/c/z.txt", "deeper");
    addItem(source + "/a", "Yes");
    addItem(source + "/a", "Yes");
    addItem(source + "/a/b", "Yes");
    addItem(source + "/a/x.txt", "");
    const PassOutcome &outcome = runPass();

    EXPECT_EQ(outcome.filesMissed, 0);
    EXPECT_TRUE(outcome.clean());
    EXPECT_EQ(readFile(copyOf(medium, source + "/a/x.txt")), "in the folder and listed on its own");
    EXPECT_EQ(readFile(copyOf(medium, source + "/a/b/y.txt")), "in the folder and in its sub-folder item");
    EXPECT_EQ(readFile(copyOf(medium, source + "/a/b/c/z.txt")), "deeper");
}

} // namespace
} // namespace quillarc
