#include "lists/DateTimeText.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "lists/Locale.h"

namespace quillarc {
namespace {

class DateTimeTextTest : public testing::Test {
protected:
    ScopedLocale us_ {Locale::unitedStates()};
};

TEST_F(DateTimeTextTest, NumberText)
{
    const std::pair<double, std::string> cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {37617.6278819444, "37617.6278819444"},
        {EncodeDate(2002, 12, 27) + EncodeTime(15, 4, 9), "37617.6278819444"},
        {37617, "37617"},
        {1.5, "1.5"},
        {-1.25, "-1.25"},
        {1.0 / 86400, "1.15740740740741E-5"},
        {1e20, "1E20"},
    };
    for (const auto &[value, text] : cases)
        EXPECT_EQ(numberText(value), text) << value;
}

TEST_F(DateTimeTextTest, NumberTextUsesTheLocaleSeparator)
{
    ScopedLocale comma(Locale::fixed("%d.%m.%Y", "%H:%M:%S", ","));
    EXPECT_EQ(numberText(37617.6278819444), "37617,6278819444");
    EXPECT_DOUBLE_EQ(parseNumberText("37617,6278819444"), 37617.6278819444);
    // A file written with a point cannot be read back under a comma locale.
    try {
        parseNumberText("37617.6278819444");
        FAIL();
    } catch (const ConversionError &error) {
        EXPECT_STREQ(error.what(), "'37617.6278819444' is not a valid floating point value");
    }
}

TEST_F(DateTimeTextTest, ParsesNumbersAndRejectsOtherTexts)
{
    const std::pair<std::string, double> good[] = {
        {"0", 0},  {"37617.6278819444", 37617.6278819444},       {" 12.5 ", 12.5}, {"-3", -3}, {"+4", 4}, {".5", 0.5},
        {"5.", 5}, {"1.15740740740741E-5", 1.15740740740741e-5}, {"2e3", 2000},
    };
    for (const auto &[text, value] : good)
        EXPECT_DOUBLE_EQ(parseNumberText(text), value) << text;

    const std::string bad[] = {"",    " ",    "abc", "1,5", "1.2.3", "1e",         "e5",
                               "--1", "0x10", "inf", "nan", "1e999", "12/27/2002", std::string("1\0", 2),
                               "1 2"};
    for (const std::string &text : bad) {
        double ignored = 0;
        EXPECT_FALSE(tryParseNumberText(text, ignored)) << text;
        try {
            parseNumberText(text);
            ADD_FAILURE() << text;
        } catch (const ConversionError &error) {
            if (text.find('\0') == std::string::npos) {
                EXPECT_EQ(error.what(), "'" + text + "' is not a valid floating point value");
            }
        }
    }
}

TEST_F(DateTimeTextTest, DateTimeTextWithUnitedStatesSettings)
{
    const std::pair<double, std::string> cases[] = {
        {37617.6278819444, "12/27/2002 3:04:09 PM"},
        {37617, "12/27/2002"},
        {EncodeDate(2003, 1, 5) + EncodeTime(0, 0, 1), "1/5/2003 12:00:01 AM"},
        {EncodeDate(2003, 1, 5) + EncodeTime(12, 30, 0), "1/5/2003 12:30:00 PM"},
        {EncodeDate(2003, 1, 5) + EncodeTime(0, 0, 0, 400), "1/5/2003"}, // milliseconds are never shown
        {0, "12/30/1899"},
    };
    for (const auto &[value, text] : cases)
        EXPECT_EQ(dateTimeText(value), text) << value;
    EXPECT_EQ(cutOffText(0), "0/0/0 0:00");
    EXPECT_EQ(cutOffText(37617), "12/27/2002");
}

// What "Float" holds reads back as itself, so the two columns stay in step.
TEST_F(DateTimeTextTest, NumberTextReadsBackAsItself)
{
    for (double value = 20000.0; value < 80000.0; value += 7.3137) {
        const std::string text = numberText(value);
        const double back = parseNumberText(text);
        EXPECT_EQ(numberText(back), text) << value;
        EXPECT_NEAR(back, value, 1e-9) << value;
    }
}

TEST(Locale, EnvironmentLocaleGivesUsableFormats)
{
    const auto locale = Locale::fromEnvironment();
    EXPECT_FALSE(locale->shortDateFormat().empty());
    EXPECT_FALSE(locale->longTimeFormat().empty());
    EXPECT_FALSE(locale->decimalSeparator().empty());
    EXPECT_EQ(locale->shortDateFormat().find("%y"), std::string::npos);
    EXPECT_LT(locale->compare("C:\\Alpha", "C:\\Data"), 0);
}

// A locale that is not installed leaves the C library's byte order; the
// list must still sort letters first.
TEST(Locale, UninstalledLocaleStillSortsLettersFirst)
{
    std::vector<std::pair<const char *, std::string>> saved;
    for (const char *name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char *value = std::getenv(name);
        if (value != nullptr)
            saved.emplace_back(name, value);
        ::unsetenv(name);
    }
    ::setenv("LANG", "xx_XX.UTF-8", 1);
    const auto locale = Locale::fromEnvironment();
    ::unsetenv("LANG");
    for (const auto &[name, value] : saved)
        ::setenv(name, value.c_str(), 1);
    EXPECT_LT(locale->compare("C:\\Alpha", "c:\\beta"), 0);
    EXPECT_LT(locale->compare("c:\\beta", "C:\\Data"), 0);
}

TEST(Locale, LettersFirstThenCase)
{
    const char *sorted[] = {"C:\\Alpha", "c:\\beta", "C:\\Data", "/home/ann", "/home/Ann", "/home/ann/a", "/home/anna"};
    EXPECT_LT(letterFirstCompare(sorted[0], sorted[1]), 0);
    EXPECT_LT(letterFirstCompare(sorted[1], sorted[2]), 0);
    EXPECT_LT(letterFirstCompare(sorted[3], sorted[4]), 0);
    EXPECT_LT(letterFirstCompare(sorted[4], sorted[5]), 0);
    EXPECT_LT(letterFirstCompare(sorted[5], sorted[6]), 0);
    for (const char *text : sorted)
        EXPECT_EQ(letterFirstCompare(text, text), 0);
    EXPECT_GT(letterFirstCompare("C:\\Data", "c:\\beta"), 0);
}

} // namespace
} // namespace quillarc
