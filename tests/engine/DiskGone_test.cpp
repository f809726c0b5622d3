// A disk pulled out in the middle of a pass, and a disk-full ending: what
// the pass asks, how it ends and what it names.

#include "engine/support/PassFixture.h"

#include "engine/DiskFullRules.h"

#include <filesystem>

namespace quillarc {
namespace {

class DiskGoneTest : public PassFixture {
protected:
    // Three items of one 100-byte file each. The free space is fixed so
    // that every copy asks the drive again; the disk goes when the second
    // item's file is about to be copied.
    void threeItemsAndAPull()
    {
        for (const char *name : {"/a/1", "/b/1", "/c/1"}) {
            writeFile(source + name, std::string(100, 'x'));
            addItem(source + std::string(name).substr(0, 2), "Yes");
        }
        listFile->saveItems(DriveRoot(kDrive), label, list);
        listBefore = readFile(listFile->pathFor(label));
        host.insert(kDrive, {medium, label, 1 << 20, 150});
        ui.onStatus = [this](StatusLine line, const std::string &text) {
            if (line == StatusLine::File && text == source + "/b/1" && !pulled) {
                pulled = true;
                host.eject(kDrive);
            }
        };
    }
    void putBack(const std::string &withLabel) { host.insert(kDrive, {medium, withLabel, 1 << 20, 150}); }

    bool pulled = false;
    std::string listBefore;
};

// Not a full disk: no disk-full dialog. The pass asks for the same disk;
// without it, it ends as a disk gone, and its list is not saved, as what
// it copied may not have reached the disk.
TEST_F(DiskGoneTest, APulledDiskNotPutBackEndsThePassUnsaved)
{
    struct Case {
        const char *name;
        const char *putBackLabel; ///< put in at the first question; nullptr: nothing
        std::size_t questions;
    };
    for (const Case &c : {Case {"nothing put back", nullptr, 1}, Case {"another disk put in", "OTHER", 2}}) {
        SCOPED_TRACE(c.name);
        list.clear();
        pulled = false;
        ui.questions.clear();
        ui.dialogLabels.clear();
        ui.confirmAnswers.clear();
        ui.onQuestion = nullptr;
        threeItemsAndAPull();
        if (c.putBackLabel != nullptr) {
            ui.onQuestion = [this, &c](const std::string &) { putBack(c.putBackLabel); };
            ui.confirmAnswers = {true, false};
        }
        const PassOutcome &outcome = runPass();

        EXPECT_EQ(outcome.end, PassEnd::DiskVanished);
        EXPECT_TRUE(ui.dialogLabels.empty()) << "taken for a full disk";
        ASSERT_EQ(ui.questions.size(), c.questions);
        EXPECT_NE(ui.questions[0].find("\"DISK1\" WAS REMOVED"), std::string::npos) << ui.questions[0];
        if (c.questions > 1) {
            EXPECT_NE(ui.questions[1].find("IS NOT BACK YET"), std::string::npos) << ui.questions[1];
        }
        EXPECT_FALSE(outcome.listSaved);
        EXPECT_NE(outcome.listSaveError.find("WENT AWAY"), std::string::npos) << outcome.listSaveError;
        EXPECT_EQ(readFile(listFile->pathFor(label)), listBefore);
        EXPECT_EQ(ui.fileLine, "Error Writing to Disk...  1 Files Found and Backed Up");
        EXPECT_FALSE(outcome.clean());
        std::filesystem::remove_all(medium + source.substr(1));
    }
}

// The same disk back: the pass carries on onto it. The copies made before
// the pull may not be on it, so the items copied then keep the cut-offs
// they had, and the next pass looks at them again.
TEST_F(DiskGoneTest, TheSameDiskPutBackCarriesOn)
{
    threeItemsAndAPull();
    ui.onQuestion = [this](const std::string &) { putBack(label); };
    ui.confirmAnswers = {true};
    const PassOutcome &outcome = runPass();

    EXPECT_EQ(outcome.end, PassEnd::Complete);
    EXPECT_EQ(ui.questions.size(), 1u);
    EXPECT_TRUE(outcome.listSaved);
    for (const char *name : {"/a/1", "/b/1", "/c/1"})
        EXPECT_TRUE(exists(copyOf(medium, source + name))) << name;
    EXPECT_EQ(list.at(0).text(TextFloat), "0") << "copied before the pull";
    EXPECT_EQ(list.at(1).text(TextFloat), "0") << "in hand at the pull";
    EXPECT_NE(list.at(2).text(TextFloat), "0") << "copied onto the disk put back";
}

// A disk pulled out between two items is met by the next item's room
// check, before any copy: a single file's as well as a folder's. Free
// space that cannot be told is a disk gone, not a full one: the same
// question, the same ending, and the same disk put back carries on.
TEST_F(DiskGoneTest, ADiskPulledBeforeAnItemIsAskedBackNotFull)
{
    struct Case {
        const char *name;
        bool secondIsFolder;
        bool putBack;
    };
    for (const Case &c : {Case {"single file, not put back", false, false}, Case {"single file, put back", false, true},
                          Case {"folder, not put back", true, false}, Case {"folder, put back", true, true}}) {
        SCOPED_TRACE(c.name);
        list.clear();
        pulled = false;
        ui.questions.clear();
        ui.messages.clear();
        ui.dialogLabels.clear();
        ui.confirmAnswers.clear();
        ui.onQuestion = nullptr;
        std::filesystem::remove_all(source);
        std::filesystem::remove_all(medium + source.substr(1));
        std::filesystem::create_directories(source + "/a");
        writeFile(source + "/b/1", std::string(100, 'x'));
        addItem(source + "/a", "Yes");
        addItem(source + (c.secondIsFolder ? "/b" : "/b/1"), c.secondIsFolder ? "Yes" : "");
        listFile->saveItems(DriveRoot(kDrive), label, list);
        listBefore = readFile(listFile->pathFor(label));
        host.insert(kDrive, {medium, label, 1 << 20, std::nullopt});
        // The empty first item's copy scan shows its folder; the disk goes
        // right then, with nothing left to copy onto it for that item.
        ui.onStatus = [this](StatusLine line, const std::string &text) {
            if (line == StatusLine::Folder && text == source + "/a" && !pulled) {
                pulled = true;
                host.eject(kDrive);
            }
        };
        if (c.putBack) {
            ui.onQuestion = [this](const std::string &) { putBack(label); };
            ui.confirmAnswers = {true};
        }
        const PassOutcome &outcome = runPass();

        ASSERT_TRUE(pulled);
        EXPECT_TRUE(ui.dialogLabels.empty()) << "taken for a full disk";
        for (const std::string &message : ui.messages)
            EXPECT_EQ(message.find("DISK FULL"), std::string::npos) << message;
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.questions[0].find("\"DISK1\" WAS REMOVED"), std::string::npos) << ui.questions[0];
        if (c.putBack) {
            EXPECT_EQ(outcome.end, PassEnd::Complete);
            EXPECT_TRUE(outcome.listSaved);
            EXPECT_TRUE(exists(copyOf(medium, source + "/b/1")));
        } else {
            EXPECT_EQ(outcome.end, PassEnd::DiskVanished);
            EXPECT_FALSE(outcome.listSaved);
            EXPECT_NE(outcome.listSaveError.find("WENT AWAY"), std::string::npos) << outcome.listSaveError;
            EXPECT_EQ(readFile(listFile->pathFor(label)), listBefore);
            EXPECT_FALSE(exists(copyOf(medium, source + "/b/1")));
        }
    }
}

// A disk-full CANCEL names what it left: the rest of the item in hand and
// every checked item not reached, counted as missed.
TEST_F(DiskGoneTest, ADiskFullEndingNamesWhatItLeft)
{
    writeFile(source + "/a/small", std::string(10, 'x'));
    for (const char *name : {"/b/1", "/b/2", "/b/3"})
        writeFile(source + name, std::string(100, 'x'));
    writeFile(source + "/c/last", std::string(10, 'x'));
    addItem(source + "/a", "Yes");
    addItem(source + "/b", "Yes");
    addItem(source + "/c", "Yes");
    addItem(source + "/unchecked", "Yes", false);
    host.insert(kDrive, {medium, label, 230, std::nullopt});
    ui.confirmAnswers = {true, true}; // the room prompt for /b, then CANCEL confirmed
    ui.dialogPresses = {{ScriptedPassUi::Press::Cancel, {}}};
    const PassOutcome &outcome = runPass();

    EXPECT_EQ(outcome.end, PassEnd::DiskFullCancelled);
    EXPECT_EQ(outcome.itemsLeft, 2);
    EXPECT_EQ(outcome.filesLeft, 1);
    EXPECT_EQ(outcome.filesMissed, 2);
    ASSERT_EQ(outcome.missed.size(), 2u);
    EXPECT_EQ(outcome.missed[0].path, source + "/b");
    EXPECT_NE(outcome.missed[0].cause.find("left for the next disk"), std::string::npos) << outcome.missed[0].cause;
    EXPECT_NE(outcome.missed[0].cause.find("1 file of it"), std::string::npos) << outcome.missed[0].cause;
    EXPECT_EQ(outcome.missed[1].path, source + "/c");
}

} // namespace
} // namespace quillarc
