#include "lists/DiskListFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <optional>
#include <random>

#include "lists/DateTimeText.h"
#include "base/FileError.h"
#include "lists/Locale.h"
#include "lists/TextLines.h"
#include "support/TempFolder.h"

namespace quillarc {
namespace {

const char *const kDrive = "/media/ann/";

class DiskListFileTest : public testing::Test {
protected:
    DiskListFileTest()
    {
        ::mkdir(sources.file("Data").c_str(), 0755);
        ::mkdir(sources.file("Alpha").c_str(), 0755);
        sources.write("todo.txt", "x");
    }

    std::vector<std::string> items() const
    {
        std::vector<std::string> result;
        for (std::size_t i = 0; i < list.count(); ++i) {
            const BackupItem &item = list.at(i);
            result.push_back(item.path() + "|" + item.text(0) + "|" + item.text(1) + "|" + item.text(2) + "|" +
                             (item.checked() ? "T" : "F"));
        }
        return result;
    }

    BackupItem &add(const std::string &path, double cutOff, const char *subDir, bool checked)
    {
        BackupItem &item = list.append(path);
        list.setCutOffValue(item, cutOff);
        list.setText(item, TextSubDir, subDir);
        list.setChecked(item, checked);
        return item;
    }

    ScopedLocale us_ {Locale::unitedStates()};
    test::TempFolder program;
    test::TempFolder sources;
    DiskListFile files {program.path()};
    BackupList list;
};

TEST_F(DiskListFileTest, TheTenLineExampleByteForByte)
{
    add("C:\\Notes\\todo.txt", 0, "", false);
    add("C:\\Data", 37617.6278819444, "Yes", true);
    ASSERT_TRUE(files.saveItems(DriveRoot(kDrive), "BACKUP1", list));
    EXPECT_EQ(program.read("BACKUP1.ini"), "C:\\Data\r\n"
                                           "12/27/2002 3:04:09 PM\r\n"
                                           "37617.6278819444\r\n"
                                           "Yes\r\n"
                                           "T\r\n"
                                           "C:\\Notes\\todo.txt\r\n"
                                           "0/0/0 0:00\r\n"
                                           "0\r\n"
                                           "\r\n"
                                           "F\r\n");
}

TEST_F(DiskListFileTest, SaveAndLoadRoundTrip)
{
    add(sources.file("Data"), 37617, "No", true);
    add(sources.file("todo.txt"), 0, "", false);
    add(sources.file("Alpha"), 37617.6278819444, "Yes", true); // sorts first
    const std::vector<std::string> before = items();
    ASSERT_TRUE(files.saveItems(DriveRoot(kDrive), "BACKUP1", list));
    EXPECT_EQ(splitLines(program.read("BACKUP1.ini")).size(), 15u);
    EXPECT_EQ(splitLines(program.read("BACKUP1.ini")).front(), sources.file("Alpha"));

    list.clear();
    EXPECT_EQ(files.loadItems("BACKUP1", list), DiskListFile::LoadResult::Loaded);
    EXPECT_EQ(items(), before);
}

TEST_F(DiskListFileTest, SaveNeedsADriveAndALabel)
{
    add("/x", 0, "Yes", true);
    EXPECT_FALSE(files.saveItems(std::nullopt, "BACKUP1", list));
    EXPECT_FALSE(files.saveItems(DriveRoot(kDrive), "", list));
    EXPECT_EQ(program.entryCount(), 0u);
}

TEST_F(DiskListFileTest, EmptyListIsAnEmptyFileAndLoadsWithoutMessage)
{
    ASSERT_TRUE(files.saveItems(DriveRoot(kDrive), "B", list));
    EXPECT_EQ(program.read("B.ini"), "");
    add(sources.file("Data"), 0, "Yes", true);
    EXPECT_EQ(files.loadItems("B", list), DiskListFile::LoadResult::Loaded);
    EXPECT_TRUE(list.empty());
}

TEST_F(DiskListFileTest, NoLabelAndUnknownDiskClearTheList)
{
    add(sources.file("Data"), 0, "Yes", true);
    EXPECT_EQ(files.loadItems("", list), DiskListFile::LoadResult::NoLabel);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(DiskListFile::messageFor(DiskListFile::LoadResult::NoLabel), "DISK HAS NO VOLUME LABEL");

    add(sources.file("Data"), 0, "Yes", true);
    EXPECT_EQ(files.loadItems("NEWDISK", list), DiskListFile::LoadResult::UnknownDisk);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(DiskListFile::messageFor(DiskListFile::LoadResult::UnknownDisk), "UNKNOWN DISK - ADD FILES OR FOLDERS");
    EXPECT_EQ(DiskListFile::messageFor(DiskListFile::LoadResult::Loaded), "");

    // Adding one folder then creates the file with exactly five lines.
    add(sources.file("Data"), 0, "Yes", true);
    ASSERT_TRUE(files.saveItems(DriveRoot(kDrive), "NEWDISK", list));
    EXPECT_EQ(splitLines(program.read("NEWDISK.ini")).size(), 5u);
}

TEST_F(DiskListFileTest, LoadRules)
{
    const std::string data = sources.file("Data"), todo = sources.file("todo.txt");
    program.write("L.ini", joinLinesCrLf({
                               sources.file("deleted"),
                               "x",
                               "1",
                               "Yes",
                               "T", // missing now: kept
                               data,
                               "d1",
                               "1",
                               "yes",
                               "T", // lower-case yes: folder -> "Yes"
                               todo,
                               "d2",
                               "2",
                               "Yes",
                               "t", // file: "Yes" is kept; "t" unchecked
                               todo,
                               "d3",
                               "3",
                               "No ",
                               "T", // "No " is no value: file -> empty
                               data,
                               "d4",
                               "4",
                               "",
                               "F", // empty flag is kept
                               "relative/path",
                               "",
                               "",
                               "",
                               "T", // not absolute: dropped
                               std::string("/\0etc", 5),
                               "",
                               "",
                               "",
                               "T", // NUL: dropped
                               data,
                               "d5",
                               "abc",
                               "No", // cut short: unchecked
                           }));
    ASSERT_EQ(files.loadItems("L", list), DiskListFile::LoadResult::Loaded);
    std::vector<std::string> expected {
        sources.file("deleted") + "|x|1|Yes|T",
        data + "|d1|1|Yes|T",
        data + "|d4|4||F",
        data + "|d5|abc|No|F",
        todo + "|d2|2|Yes|F",
        todo + "|d3|3||T",
    };
    std::vector<std::string> actual = items();
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
}

// Every record that loads today is written back as it was read (odd
// "SubDir" texts apart, which the loader maps), and its typed values are
// read from it once, here.
TEST_F(DiskListFileTest, RecordsWriteBackAsReadWithTheirValuesRead)
{
    const std::string data = sources.file("Data"), todo = sources.file("todo.txt");
    const std::string missing = sources.file("gone");
    struct Case {
        std::string path;
        std::array<std::string, 3> texts; // "Date/Time", "Float", "SubDir" as in the file
        std::string subDirWritten;
        std::optional<CutOff> cutOff;
        SubFolders subFolders;
    };
    const Case cases[] = {
        {data,
         {"12/27/2002 3:04:09 PM", "37617.6278819444", "Yes"},
         "Yes",
         CutOff::at(37617.6278819444),
         SubFolders::Included},
        {todo, {"0/0/0 0:00", "0", ""}, "", CutOff(), SubFolders::NotAFolder},
        {data, {"27.12.2002 12:00:00", "37617,5", "No"}, "No", CutOff::at(37617.5), SubFolders::Excluded},
        {data, {"12/27/2002", " 37617 ", "No"}, "No", CutOff::at(37617), SubFolders::Excluded},
        {data, {"0/0/0 0:00", "0,0", "maybe"}, "Yes", CutOff(), SubFolders::Included},
        {data, {"whenever", "not a number", "Yes"}, "Yes", std::nullopt, SubFolders::Included},
        {data, {"", "", ""}, "", std::nullopt, SubFolders::NotAFolder},
        {todo, {"x", "1", "No "}, "", CutOff::at(1), SubFolders::NotAFolder},
        {missing, {"x", "2", "odd"}, "Yes", CutOff::at(2), SubFolders::Included},
    };
    for (const Case &c : cases) {
        const std::vector<std::string> lines {c.path, c.texts[0], c.texts[1], c.texts[2], "T"};
        program.write("R.ini", joinLinesCrLf(lines));
        ASSERT_EQ(files.loadItems("R", list), DiskListFile::LoadResult::Loaded);
        ASSERT_EQ(list.count(), 1u);
        const BackupItem &item = list.at(0);
        EXPECT_EQ(item.cutOff(), c.cutOff) << c.texts[1];
        EXPECT_EQ(item.subFolders(), c.subFolders) << c.texts[2];
        ASSERT_TRUE(files.saveItems(DriveRoot(kDrive), "R", list));
        std::vector<std::string> expected = lines;
        expected[3] = c.subDirWritten;
        EXPECT_EQ(program.read("R.ini"), joinLinesCrLf(expected)) << c.texts[1];
    }
}

TEST_F(DiskListFileTest, LfOnlyFileReadsAsOneLine)
{
    program.write("U.ini", sources.file("Data") + "\n0/0/0 0:00\n0\nYes\nT\n");
    ASSERT_EQ(files.loadItems("U", list), DiskListFile::LoadResult::Loaded);
    // One path line naming nothing: kept, unchecked, as a missing item is.
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list.at(0).path(), sources.file("Data") + "\n0/0/0 0:00\n0\nYes\nT\n");
    EXPECT_FALSE(list.at(0).checked());
}

TEST_F(DiskListFileTest, UnreadableFileLeavesTheListAlone)
{
    ::mkdir(program.file("D.ini").c_str(), 0755);
    add(sources.file("Data"), 0, "Yes", true);
    EXPECT_THROW(files.loadItems("D", list), FileError);
    EXPECT_EQ(list.count(), 1u);
}

TEST_F(DiskListFileTest, LabelsStayInsideTheProgramFolder)
{
    const std::pair<std::string, std::string> cases[] = {
        {"BACKUP1", "BACKUP1.ini"},
        {"My Disk", "My Disk.ini"},
        {"../../x", "..%2F..%2Fx.ini"},
        {"a/b", "a%2Fb.ini"},
        {"100%", "100%25.ini"},
        {"%2F", "%252F.ini"},
        {std::string("a\0b", 3), "a%00b.ini"},
        {".", "%2E.ini"},
        {"..", "%2E%2E.ini"},
        {"...", "....ini"},
    };
    for (const auto &[label, name] : cases)
        EXPECT_EQ(diskListFileName(label), name);

    add("/x", 0, "Yes", true);
    for (const auto &[label, name] : cases)
        ASSERT_TRUE(files.saveItems(DriveRoot(kDrive), label, list)) << name;
    EXPECT_EQ(program.entryCount(), std::size(cases));
    for (const auto &[label, name] : cases)
        EXPECT_TRUE(program.exists(name)) << name;
}

TEST_F(DiskListFileTest, SnapshotCarriesTheListToAnotherLabel)
{
    add(sources.file("Data"), 37617, "Yes", true);
    std::vector<std::string> lines {"kept"};
    DiskListFile::appendItemLines(list, lines);
    EXPECT_EQ(lines, (std::vector<std::string> {"kept", sources.file("Data"), "12/27/2002", "37617", "Yes", "T"}));
    lines.erase(lines.begin());
    files.SaveIniInfo("BACKUP2", lines);
    list.clear();
    ASSERT_EQ(files.loadItems("BACKUP2", list), DiskListFile::LoadResult::Loaded);
    EXPECT_EQ(items(), (std::vector<std::string> {sources.file("Data") + "|12/27/2002|37617|Yes|T"}));
}

TEST_F(DiskListFileTest, PathThatCannotBeALineIsRefusedAndTheFileKept)
{
    add(sources.file("Data"), 0, "Yes", true);
    ASSERT_TRUE(files.saveItems(DriveRoot(kDrive), "B", list));
    const std::string before = program.read("B.ini");
    add("/home/ann/odd\rname", 0, "Yes", true);
    EXPECT_THROW(files.saveItems(DriveRoot(kDrive), "B", list), UnstorableTextError);
    EXPECT_EQ(program.read("B.ini"), before);
}

TEST_F(DiskListFileTest, TwoDisksWithOneLabelShareTheFile)
{
    add(sources.file("Alpha"), 0, "No", false);
    ASSERT_TRUE(files.saveItems(DriveRoot("/media/ann/"), "SAME", list));
    BackupList other;
    ASSERT_EQ(files.loadItems("SAME", other), DiskListFile::LoadResult::Loaded);
    ASSERT_EQ(other.count(), 1u);
    EXPECT_EQ(other.at(0).path(), sources.file("Alpha"));
}

// Any bytes at all load without a crash or a hang, and what loads obeys the rules.
TEST_F(DiskListFileTest, SurvivesArbitraryBytes)
{
    std::mt19937 random(20021227);
    const DiskListFile fuzzed(program.path(), [](const std::string &path) {
        const std::size_t h = std::hash<std::string> {}(path);
        return h % 3 == 0 ? PathKind::Missing : (h % 3 == 1 ? PathKind::File : PathKind::Folder);
    });
    const std::string seed = joinLinesCrLf({"/a", "12/27/2002", "37617", "Yes", "T", "/b", "0/0/0 0:00", "0", "", "F"});
    const char alphabet[] = {'\r', '\n', '\x1a', '\0', 'T', 'F', '/', 'Y', 'e', 's', 'N', 'o', '.', '%', 'x'};
    for (int round = 0; round < 1500; ++round) {
        std::string bytes = seed;
        if (round % 2 == 0) {
            bytes.resize(random() % 400);
            for (char &c : bytes)
                c = static_cast<char>(random() % 4 == 0 ? static_cast<int>(random() % 256)
                                                        : alphabet[random() % sizeof alphabet]);
        } else {
            for (int edits = 1 + static_cast<int>(random() % 6); edits > 0; --edits) {
                const std::size_t at = random() % (bytes.size() + 1);
                if (random() % 2 == 0 && at < bytes.size())
                    bytes[at] = alphabet[random() % sizeof alphabet];
                else
                    bytes.insert(at, 1, alphabet[random() % sizeof alphabet]);
            }
        }
        fuzzed.loadFromBytes(bytes, list);
        for (std::size_t i = 0; i < list.count(); ++i) {
            const std::string &flag = list.at(i).text(TextSubDir);
            ASSERT_TRUE(flag.empty() || flag == "Yes" || flag == "No");
            if (i > 0) {
                ASSERT_LE(Locale::current().compare(list.at(i - 1).path(), list.at(i).path()), 0);
            }
        }
    }
    // The real probe too, with hostile paths of every kind.
    for (int round = 0; round < 300; ++round) {
        std::string bytes(random() % 200, ' ');
        for (char &c : bytes)
            c = static_cast<char>(random() % 256);
        files.loadFromBytes("/" + bytes, list);
    }
}

} // namespace
} // namespace quillarc
