#include <gtest/gtest.h>

#include "engine/DiskSession.h"
#include "platform/PassLock.h"
#include "engine/PassOutcome.h"
#include "lists/DateTimeText.h"
#include "support/SimulatedVolumeHost.h"
#include "support/TempFolder.h"

#include <dirent.h>
#include <functional>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {
namespace {

using Files = std::map<std::string, std::string>;

// A program folder with a list file for each of four disks, two drives
// ("stick" with BACKUP1 in it, "other" with FULL2, which has no room) and a
// third whose disk has no label.
struct Disks {
    Disks()
    {
        ::mkdir(temp.file("program").c_str(), 0700);
        for (const char *name : {"stick", "other", "plain", "a", "b"})
            ::mkdir(temp.file(name).c_str(), 0700);
        programFolder = temp.file("program/");
        stick = temp.file("stick/");
        other = temp.file("other/");
        plain = temp.file("plain/");
        host.insert(stick, {temp.file("a/"), "BACKUP1", std::int64_t {1} << 30, std::nullopt});
        host.insert(other, {temp.file("b/"), "FULL2", std::int64_t {1} << 30, 0});
        host.insert(plain, {temp.file("b/"), "", std::int64_t {1} << 30, std::nullopt});
        const std::string folder = temp.folder();
        write("BACKUP1", record(folder, "Yes", true) + record(folder + "/a", "No", false));
        write("BACKUP2", record(folder, "No", true));
        write("FULL", record(folder + "/b", "Yes", false));
        write("FULL2", record(folder, "Yes", true) + record(folder + "/b", "Yes", true));
        before = files();
    }
    static std::string record(const std::string &path, const std::string &subDir, bool checked)
    {
        return path + "\r\n0/0/0 0:00\r\n0\r\n" + subDir + "\r\n" + (checked ? "T" : "F") + "\r\n";
    }
    void write(const std::string &label, const std::string &bytes) const
    {
        temp.write("program/" + label + ".ini", bytes);
    }
    Files files() const
    {
        Files found;
        DIR *dir = ::opendir(programFolder.c_str());
        while (const dirent *entry = dir ? ::readdir(dir) : nullptr) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ini") == 0)
                found[name] = temp.read("program/" + name);
        }
        if (dir)
            ::closedir(dir);
        return found;
    }
    std::unique_ptr<DiskSession> session() const
    {
        auto made = std::make_unique<DiskSession>(host, programFolder);
        made->config().drive = DriveRoot(stick);
        return made;
    }

    test::TempFolder temp;
    test::SimulatedVolumeHost host;
    std::string programFolder, stick, other, plain;
    Files before;
};

// Every transition of the medium, in an order a person could meet them;
// after each prefix of the walk the session is closed and every list file
// must be as it was.
TEST(DiskSession, EveryMediumTransitionThenCloseKeepsEveryListFile)
{
    using Step = std::function<void(Disks &, DiskSession &)>;
    const std::vector<std::pair<std::string, Step>> walk {
        {"label read at start", [](Disks &, DiskSession &s) { s.readLabel(); }},
        {"first check", [](Disks &, DiskSession &s) { EXPECT_TRUE(s.firstCheck().empty()); }},
        {"removal",
         [](Disks &d, DiskSession &s) {
             d.host.eject(d.stick);
             EXPECT_TRUE(s.mediaEvent(false, d.stick));
             s.delayedCheck();
             EXPECT_EQ(s.label(), "");
         }},
        {"disk without room inserted",
         [](Disks &d, DiskSession &s) {
             d.host.insert(d.stick, {d.temp.file("a/"), "FULL", std::int64_t {1} << 30, 0});
             EXPECT_TRUE(s.mediaEvent(true, d.stick));
             EXPECT_EQ(s.delayedCheck(), DiskSession::Notices {"NO EMPTY SPACE ON THIS DISK"});
             EXPECT_EQ(s.label(), "FULL");
         }},
        {"another disk without an event, reload forgets",
         [](Disks &d, DiskSession &s) {
             d.host.insert(d.stick, {d.temp.file("a/"), "BACKUP2", std::int64_t {1} << 30, std::nullopt});
             s.reload();
             EXPECT_EQ(s.label(), "");
         }},
        {"reload reads",
         [](Disks &, DiskSession &s) {
             s.reload();
             EXPECT_TRUE(s.listRead());
             EXPECT_EQ(s.list().count(), 1U);
         }},
        {"drive chosen without room",
         [](Disks &d, DiskSession &s) {
             s.chooseDrive(d.other);
             EXPECT_EQ(s.label(), "FULL2");
             EXPECT_EQ(s.list().count(), 0U);
         }},
        {"drive chosen without label", [](Disks &d, DiskSession &s) { s.chooseDrive(d.plain); }},
        {"drive chosen, ready",
         [](Disks &d, DiskSession &s) {
             s.chooseDrive(d.stick);
             EXPECT_TRUE(s.listRead());
         }},
        {"pass ended on another disk",
         [](Disks &d, DiskSession &s) {
             // The disk-full exchange wrote the list under the new label.
             d.write("NEXT", Disks::record(d.temp.folder(), "No", true));
             d.before = d.files();
             s.passStarted();
             EXPECT_FALSE(s.editRefusal().empty());
             PassOutcome outcome;
             outcome.volumeLabel = "NEXT";
             s.passEnded(outcome);
             EXPECT_EQ(s.label(), "NEXT");
         }},
    };
    for (std::size_t last = 0; last < walk.size(); ++last) {
        Disks disks;
        const auto made = disks.session();
        DiskSession &session = *made;
        for (std::size_t step = 0; step <= last; ++step)
            walk[step].second(disks, session);
        session.saveListAtClose();
        EXPECT_EQ(disks.files(), disks.before) << "closed after \"" << walk[last].first << "\"";
    }
}

TEST(DiskSession, EditsWithNoListReadAreRefusedWithWhatToDo)
{
    struct Case {
        std::string name;
        std::function<void(Disks &, DiskSession &)> reach;
        std::string says;
    };
    const std::vector<Case> cases {
        {"no drive", [](Disks &, DiskSession &s) { s.config().drive.reset(); }, "NO BACKUP DRIVE IS CHOSEN"},
        {"no label", [](Disks &d, DiskSession &s) { s.chooseDrive(d.plain); }, "NO BACKUP DISK WITH A VOLUME LABEL"},
        {"no room", [](Disks &d, DiskSession &s) { s.chooseDrive(d.other); }, "IS NOT LOADED"},
        {"before the first check", [](Disks &, DiskSession &s) { s.readLabel(); }, "IS NOT LOADED"},
    };
    for (const Case &c : cases) {
        Disks disks;
        const auto made = disks.session();
        DiskSession &session = *made;
        c.reach(disks, session);
        EXPECT_NE(session.editRefusal().find(c.says), std::string::npos) << c.name << ": " << session.editRefusal();
        EXPECT_EQ(session.passRefusal(), session.editRefusal()) << c.name;
        EXPECT_THROW(session.addItem(disks.temp.folder(), CutOff(), SubFolders::Included, true), EditRefused) << c.name;
        EXPECT_THROW(session.exportTo(disks.programFolder + "OTHER.ini"), EditRefused) << c.name;
        EXPECT_EQ(session.list().count(), 0U) << c.name;
        session.saveListAtClose();
        EXPECT_EQ(disks.files(), disks.before) << c.name;
    }
}

TEST(DiskSession, EditsAreSavedUnderTheLabelTheListWasReadFrom)
{
    Disks disks;
    const auto made = disks.session();
    DiskSession &session = *made;
    session.readLabel();
    session.firstCheck();
    session.addItem(disks.temp.folder() + "/b", CutOff(), SubFolders::NotAFolder, false);
    session.setChecked(0, false);
    session.remove(1);
    const std::string folder = disks.temp.folder();
    const std::string expected = Disks::record(folder, "Yes", false) + Disks::record(folder + "/b", "", false);
    EXPECT_EQ(disks.temp.read("program/BACKUP1.ini"), expected);
    // The disk is swapped for one without room: nothing of BACKUP1's goes
    // to FULL's file, and BACKUP1's stays as edited.
    disks.host.insert(disks.stick, {disks.temp.file("a/"), "FULL", std::int64_t {1} << 30, 0});
    session.mediaEvent(true, disks.stick);
    session.delayedCheck();
    session.saveListAtClose();
    EXPECT_EQ(disks.temp.read("program/BACKUP1.ini"), expected);
    EXPECT_EQ(disks.temp.read("program/FULL.ini"), disks.before.at("FULL.ini"));
}

TEST(DiskSession, AnUnknownDiskLeftEmptyGetsNoFileAndAnEditedOneDoes)
{
    Disks disks;
    const auto made = disks.session();
    DiskSession &session = *made;
    disks.host.insert(disks.stick, {disks.temp.file("a/"), "NEW", std::int64_t {1} << 30, std::nullopt});
    EXPECT_EQ(session.chooseDrive(disks.stick), DiskSession::Notices {"UNKNOWN DISK - ADD FILES OR FOLDERS"});
    EXPECT_TRUE(session.listRead());
    session.saveListAtClose();
    EXPECT_EQ(disks.files(), disks.before);
    session.addItem(disks.temp.folder(), CutOff(), SubFolders::Included, true);
    session.saveListAtClose();
    EXPECT_EQ(disks.temp.read("program/NEW.ini"), Disks::record(disks.temp.folder(), "Yes", true));
}

TEST(DiskSession, AListThatCannotBeReadIsNeverSavedOver)
{
    Disks disks;
    const auto made = disks.session();
    DiskSession &session = *made;
    session.readLabel();
    session.firstCheck();
    ASSERT_TRUE(session.listRead());
    // BACKUP2's list file cannot be read (it is a folder).
    ASSERT_EQ(::unlink((disks.programFolder + "BACKUP2.ini").c_str()), 0);
    ASSERT_EQ(::mkdir((disks.programFolder + "BACKUP2.ini").c_str(), 0700), 0);
    disks.host.insert(disks.stick, {disks.temp.file("a/"), "BACKUP2", std::int64_t {1} << 30, std::nullopt});
    session.mediaEvent(true, disks.stick);
    EXPECT_ANY_THROW(session.delayedCheck());
    EXPECT_FALSE(session.listRead());
    EXPECT_EQ(session.list().count(), 0U);
    EXPECT_THROW(session.addItem(disks.temp.folder(), CutOff(), SubFolders::Included, true), EditRefused);
    session.saveListAtClose();
    EXPECT_EQ(disks.temp.read("program/BACKUP1.ini"), disks.before.at("BACKUP1.ini"));
}

TEST(DiskSession, FreeLineNeverShowsMinusOneAndForgetsAnotherDisksFigures)
{
    Disks disks;
    const auto made = disks.session();
    DiskSession &session = *made;
    EXPECT_EQ(session.freeLine(), "");
    session.config().drive.reset();
    EXPECT_EQ(session.queryFree(), -1);
    EXPECT_EQ(session.freeLine(), "");
    session.chooseDrive(disks.stick);
    EXPECT_NE(session.freeLine().find(" MB"), std::string::npos);
    const DiskSession::Notices said = session.chooseDrive(disks.plain);
    ASSERT_EQ(said.size(), 1U);
    EXPECT_EQ(said[0].rfind("DISK HAS NO VOLUME LABEL\r", 0), 0U) << said[0];
    EXPECT_NE(said[0].find(".quillarc-label"), std::string::npos);
    EXPECT_EQ(session.freeLine(), "");
}

// The notice says where the label file goes: the top folder of the disk
// itself, not the drive's folder, which may be the automount folder on the
// computer's own disk.
TEST(DiskSession, TheNoLabelNoticeNamesTheDisksOwnTopFolder)
{
    Disks disks;
    const auto made = disks.session();
    const DiskSession::Notices said = made->chooseDrive(disks.plain);
    ASSERT_EQ(said.size(), 1U);
    EXPECT_NE(said[0].find(".quillarc-label IN " + disks.temp.file("b/")), std::string::npos) << said[0];
    EXPECT_EQ(said[0].find(".quillarc-label IN " + disks.plain), std::string::npos) << said[0];
}

// A pass started elsewhere (a timer, a mount) saves its own copy of the list
// when it ends: while it holds the program folder, edits are refused with a
// reason, and they are taken again once it has let go.
TEST(DiskSession, EditsWaitForAPassElsewhereToEnd)
{
    Disks disks;
    const auto made = disks.session();
    DiskSession &session = *made;
    session.readLabel();
    session.firstCheck();
    ASSERT_TRUE(session.editRefusal().empty());
    const std::string before = disks.temp.read("program/BACKUP1.ini");
    {
        PassLock elsewhere;
        ASSERT_EQ(elsewhere.take(disks.programFolder, {}), PassLock::Result::Taken);
        EXPECT_NE(session.editRefusal().find("ANOTHER BACKUP PASS"), std::string::npos);
        EXPECT_EQ(session.passRefusal(), PassLock::busyMessage());
        EXPECT_THROW(session.addItem(disks.temp.folder() + "/b", CutOff(), SubFolders::NotAFolder, false), EditRefused);
        EXPECT_EQ(disks.temp.read("program/BACKUP1.ini"), before);
    }
    EXPECT_TRUE(session.editRefusal().empty());
    session.addItem(disks.temp.folder() + "/b", CutOff(), SubFolders::NotAFolder, false);
    EXPECT_NE(disks.temp.read("program/BACKUP1.ini"), before);
}

// A pass whose list could not be saved (its copies were not flushed to the
// disk) has moved cut-offs in the list in hand past copies the disk may not
// hold: no later save may write them.
TEST(DiskSession, CutOffsOfAPassWhoseListWasNotSavedAreNeverSaved)
{
    for (const PassEnd end : {PassEnd::WriteError, PassEnd::Complete}) {
        Disks disks;
        const auto made = disks.session();
        DiskSession &session = *made;
        session.readLabel();
        session.firstCheck();
        session.passStarted();
        // What the pass delivered to the list in hand as it went.
        session.list().setCutOffValue(session.list().at(0), 46000.5);
        PassOutcome outcome;
        outcome.end = end;
        outcome.volumeLabel = "BACKUP1";
        outcome.listSaved = false;
        session.passEnded(outcome);
        EXPECT_EQ(session.list().at(0).text(TextFloat), "0");
        session.saveListAtClose();
        EXPECT_EQ(disks.files(), disks.before);
    }
}

} // namespace
} // namespace quillarc
