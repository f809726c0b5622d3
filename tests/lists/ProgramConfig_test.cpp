#include "lists/ProgramConfig.h"

#include <gtest/gtest.h>

#include <random>

#include "lists/DateTimeText.h"
#include "lists/TextLines.h"
#include "support/TempFolder.h"

namespace quillarc {
namespace {

std::string configBytes(std::vector<std::string> lines)
{
    return joinLinesCrLf(lines);
}

// The nineteen lines as a default configuration writes them.
std::vector<std::string> defaultLines()
{
    return {"Choose backup CD",
            "1",
            "0",
            "-13",
            "MS Sans Serif",
            "10",
            "F",
            "F",
            "F",
            "F",
            "510",
            "150",
            "110",
            "50",
            "0",
            "0",
            "0",
            "0",
            "T"};
}

TEST(ProgramConfig, IsANumber)
{
    for (const char *yes : {"0", "12", "0012", "99999999999"})
        EXPECT_TRUE(isDigitString(yes)) << yes;
    for (const char *no : {"", "-4", "+4", " 4", "4 ", "1.5", "x", "١"})
        EXPECT_FALSE(isDigitString(no)) << no;
}

TEST(ProgramConfig, WritesNineteenLinesThenExtensionsThenPatterns)
{
    ProgramConfig config;
    EXPECT_EQ(configFileText(config), configBytes(defaultLines()));

    config.drive = DriveRoot("/media/ann/");
    config.font.setHeight(-16);
    config.font.bold = true;
    config.windowLeft = -4;
    config.exclude = false;
    config.extensions = {".tmp", ".bak"};
    config.patterns = {"~*", ".hidden"};
    std::vector<std::string> lines = defaultLines();
    lines[0] = "/media/ann/";
    lines[3] = "-16";
    lines[5] = "12";
    lines[6] = "T";
    lines[16] = "-4";
    lines[18] = "F";
    for (const char *entry : {".tmp", ".bak", "~*", ".hidden"})
        lines.push_back(entry);
    EXPECT_EQ(configFileText(config), configBytes(lines));
}

TEST(ProgramConfig, OnlyLineOneSetsTheDriveAndClearsTheStyle)
{
    ProgramConfig config;
    config.font.bold = config.font.italic = true;
    config.windowWidth = 790;
    applyConfigText("/media/ann/\r\n", config);
    ASSERT_TRUE(config.drive);
    EXPECT_EQ(config.drive->path(), "/media/ann/");
    EXPECT_FALSE(config.font.bold);
    EXPECT_FALSE(config.font.italic);
    EXPECT_EQ(config.font.height, -13);
    EXPECT_EQ(config.columnWidths[0], 510);
    EXPECT_EQ(config.windowWidth, 790);
    EXPECT_TRUE(config.exclude);
    EXPECT_EQ(config.SavedLeft, 0);
    EXPECT_EQ(config.SavedTop, 0);
}

TEST(ProgramConfig, EmptyFileChangesNothing)
{
    ProgramConfig config;
    config.font.bold = true;
    applyConfigText("", config);
    EXPECT_TRUE(config.font.bold);
    EXPECT_FALSE(config.drive);
    EXPECT_EQ(driveText(config.drive), "Choose backup CD");
}

TEST(ProgramConfig, NegativeHeightIsNotAppliedButTheSizeRestoresIt)
{
    ProgramConfig saved;
    saved.font.setHeight(-16);
    const std::string text = configFileText(saved);
    EXPECT_EQ(splitLines(text)[3], "-16");

    ProgramConfig loaded;
    applyConfigText(text, loaded);
    EXPECT_EQ(loaded.font.size, 12);
    EXPECT_EQ(loaded.font.height, -16);

    std::vector<std::string> lines = splitLines(text);
    lines[5] = "x";
    ProgramConfig withoutSize;
    applyConfigText(configBytes(lines), withoutSize);
    EXPECT_EQ(withoutSize.font.height, -13);
}

TEST(ProgramConfig, NegativeWindowEdgesAreWrittenNotAppliedButRemembered)
{
    std::vector<std::string> lines = defaultLines();
    lines[14] = "700";
    lines[15] = "500";
    lines[16] = "-4";
    lines[17] = "7";
    ProgramConfig config;
    config.windowLeft = 100;
    config.windowTop = 50;
    applyConfigText(configBytes(lines), config);
    EXPECT_EQ(config.windowWidth, 700);
    EXPECT_EQ(config.windowHeight, 500);
    EXPECT_EQ(config.windowLeft, 100);
    EXPECT_EQ(config.SavedLeft, 100);
    EXPECT_EQ(config.windowTop, 7);
    EXPECT_EQ(config.SavedTop, 7);
}

TEST(ProgramConfig, FilterListsFromTheLinesAfterNineteen)
{
    std::vector<std::string> lines = defaultLines();
    lines[18] = "t";
    for (const char *entry : {".tmp", "", "~*", ".bak"})
        lines.push_back(entry);
    ProgramConfig config;
    applyConfigText(configBytes(lines), config);
    EXPECT_EQ(config.extensions, (std::vector<std::string> {".tmp", ".bak"}));
    EXPECT_EQ(config.patterns, (std::vector<std::string> {"~*"}));
    EXPECT_FALSE(config.exclude); // "t" is not "T"
}

TEST(ProgramConfig, PatternWithALeadingPointComesBackAsAnExtension)
{
    ProgramConfig saved;
    saved.patterns = {".hidden"};
    ProgramConfig loaded;
    applyConfigText(configFileText(saved), loaded);
    EXPECT_EQ(loaded.extensions, (std::vector<std::string> {".hidden"}));
    EXPECT_TRUE(loaded.patterns.empty());
}

TEST(ProgramConfig, NumbersAndNames)
{
    std::vector<std::string> lines = defaultLines();
    lines[1] = "300"; // low 8 bits: 44
    lines[2] = "255";
    lines[4] = "A font name far longer than thirty-one bytes";
    lines[10] = "0000000000000600";
    lines[11] = "2147483647";
    ProgramConfig config;
    applyConfigText(configBytes(lines), config);
    EXPECT_EQ(config.font.charSet, 44);
    EXPECT_EQ(config.font.color, 255);
    EXPECT_EQ(config.font.name, "A font name far longer than thi");
    EXPECT_EQ(config.columnWidths[0], 600);
    EXPECT_EQ(config.columnWidths[1], 2147483647);
}

TEST(ProgramConfig, TooLargeNumberStopsTheLoadKeepingEarlierSettings)
{
    std::vector<std::string> lines = defaultLines();
    lines[3] = "20";
    lines[5] = "-"; // keeps the size line from setting the height again
    lines[6] = "T";
    lines[10] = "2147483648";
    lines[11] = "99";
    ProgramConfig config;
    try {
        applyConfigText(configBytes(lines), config);
        FAIL();
    } catch (const ConversionError &error) {
        EXPECT_STREQ(error.what(), "'2147483648' is not a valid integer value");
    }
    EXPECT_EQ(config.font.height, 20);
    EXPECT_EQ(config.columnWidths[1], 150);
    EXPECT_FALSE(config.font.bold); // the style is set only at the end of a whole load
}

TEST(ProgramConfig, FileRoundTripAndMissingFile)
{
    test::TempFolder folder;
    ProgramConfig config;
    EXPECT_FALSE(LoadPConfigFile(folder.file("config"), config));
    config.drive = DriveRoot("/mnt/backup/");
    config.font.name = "DejaVu Sans";
    config.font.setSize(9);
    config.font.underline = true;
    config.columnWidths = {400, 140, 100, 40};
    config.windowWidth = 790;
    config.windowHeight = 540;
    config.windowLeft = 30;
    config.windowTop = 20;
    config.exclude = false;
    config.extensions = {".tmp"};
    config.patterns = {"~*", "cache"};
    SAvePConfigFile(folder.file("config"), config);

    ProgramConfig loaded;
    ASSERT_TRUE(LoadPConfigFile(folder.file("config"), loaded));
    EXPECT_EQ(configFileText(loaded), configFileText(config));
    EXPECT_EQ(loaded.SavedLeft, 30);
    EXPECT_EQ(loaded.SavedTop, 20);
}

TEST(ProgramConfig, TextsThatCannotStandOnOneLineAreWrittenAsDefaults)
{
    ProgramConfig config;
    ASSERT_FALSE(DriveRoot::of("/media/odd\rname/")); // so it can never be the config's drive
    config.font.name = "bad\x1a";
    const std::vector<std::string> lines = splitLines(configFileText(config));
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[0], "Choose backup CD");
    EXPECT_EQ(lines[4], "MS Sans Serif");
}

// A hand-edited first line that names no drive root chooses none; it is
// kept to say what is wrong with it, and saved as the field's placeholder.
TEST(ProgramConfig, AFirstLineThatIsNoDriveRootChoosesNone)
{
    for (const char *line : {"media/ann/", "/media/ann", "/media/../etc/", "Choose backup CD", ""}) {
        SCOPED_TRACE(line);
        ProgramConfig config;
        config.drive = DriveRoot("/mnt/before/");
        applyConfigText(std::string(line) + "\r\n", config);
        EXPECT_FALSE(config.drive);
        EXPECT_EQ(config.unusableDriveText, std::string(line) == "Choose backup CD" ? "" : line);
        EXPECT_EQ(splitLines(configFileText(config)).at(0), "Choose backup CD");
    }
}

TEST(ProgramConfig, SurvivesArbitraryBytes)
{
    std::mt19937 random(4711);
    const std::string seed = configFileText(ProgramConfig {}) + ".tmp\r\n~*\r\n";
    const char alphabet[] = {'\r', '\n', '\x1a', '\0', '-', '0', '9', '8', 'T', '.', '~'};
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = seed;
        for (int edits = 1 + static_cast<int>(random() % 8); edits > 0; --edits) {
            const std::size_t at = random() % (bytes.size() + 1);
            const char c = random() % 3 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % sizeof alphabet];
            if (random() % 2 == 0 && at < bytes.size())
                bytes[at] = c;
            else
                bytes.insert(at, 1, c);
        }
        if (round % 5 == 0)
            bytes.resize(random() % (bytes.size() + 1));
        ProgramConfig config;
        try {
            applyConfigText(bytes, config);
        } catch (const ConversionError &) {
        }
        ASSERT_GE(config.font.charSet, 0);
        ASSERT_LE(config.font.charSet, 255);
        ASSERT_LE(config.font.name.size(), 31u);
    }
}

} // namespace
} // namespace quillarc
