#include <gtest/gtest.h>

#include "cli/TerminalPassUi.h"

namespace quillarc {

TEST(YesAnswer, OnlyYAndYesInAnyCaseMeanYes)
{
    for (const char *yes : {"y", "Y", "yes", "Yes", "YES", " yes ", "\tY"})
        EXPECT_TRUE(isYesAnswer(yes)) << '"' << yes << '"';
    for (const char *no : {"", " ", "n", "no", "ye", "yess", "y e s", "jа"})
        EXPECT_FALSE(isYesAnswer(no)) << '"' << no << '"';
}

} // namespace quillarc
