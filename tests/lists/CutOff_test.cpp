#include "lists/CutOff.h"

#include <gtest/gtest.h>

#include <chrono>

#include "lists/Locale.h"
#include "support/ScopedTimeZone.h"

namespace quillarc {
namespace {

TEST(CutOff, FloatTextReadsWithEitherSeparatorUnderAnyLocale)
{
    for (const char *separator : {".", ","}) {
        const ScopedLocale locale(Locale::fixed("%-m/%-d/%Y", "%-I:%M:%S %p", separator));
        EXPECT_EQ(CutOff::fromFloatText("37617.5"), CutOff::at(37617.5)) << separator;
        EXPECT_EQ(CutOff::fromFloatText("37617,5"), CutOff::at(37617.5)) << separator;
        EXPECT_EQ(CutOff::fromFloatText("0"), CutOff()) << separator;
        EXPECT_FALSE(CutOff::fromFloatText("")) << separator;
        EXPECT_FALSE(CutOff::fromFloatText("12/27/2002")) << separator;
        EXPECT_EQ(CutOff::at(37617.5).floatText(), std::string("37617") + separator + "5");
    }
}

TEST(CutOff, NoneAndItsTexts)
{
    const ScopedLocale us(Locale::unitedStates());
    EXPECT_TRUE(CutOff().none());
    EXPECT_TRUE(CutOff::at(0).none());
    EXPECT_FALSE(CutOff::at(1).none());
    EXPECT_EQ(CutOff().dateTimeText(), "0/0/0 0:00");
    EXPECT_EQ(CutOff().floatText(), "0");
    EXPECT_EQ(CutOff::at(37617.6278819444).dateTimeText(), "12/27/2002 3:04:09 PM");
}

// After the clocks go back, 02:00 to 03:00 runs twice; 02:45 stands for its
// first run.
TEST(CutOff, ARepeatedLocalHourNamesItsFirstRun)
{
    const test::ScopedTimeZone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    const CutOff cutOff = CutOff::at(EncodeDate(2024, 10, 27) + EncodeTime(2, 45, 0));
    const auto firstRun = std::chrono::system_clock::from_time_t(1729987200 + 45 * 60); // 00:45 UTC
    const auto off = cutOff.earliestInstant() - firstRun;
    EXPECT_LT(std::chrono::abs(off), std::chrono::milliseconds(1));
}

TEST(CutOff, SubDirTexts)
{
    const std::pair<const char *, SubFolders> cases[] = {
        {"Yes", SubFolders::Included}, {"No", SubFolders::Excluded},  {"", SubFolders::NotAFolder},
        {"yes", SubFolders::Included}, {"No ", SubFolders::Included},
    };
    for (const auto &[text, flag] : cases)
        EXPECT_EQ(subFoldersFromText(text), flag) << '"' << text << '"';
    for (SubFolders flag : {SubFolders::Included, SubFolders::Excluded, SubFolders::NotAFolder})
        EXPECT_EQ(subFoldersFromText(subDirText(flag)), flag);
}

} // namespace
} // namespace quillarc
