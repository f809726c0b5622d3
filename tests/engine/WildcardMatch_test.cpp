#include <gtest/gtest.h>

#include "engine/ExclusionTest.h"
#include "engine/WildcardMatch.h"

#include <string>

namespace quillarc {
namespace {

TEST(WildcardMatch, FollowsTheMatcherRules)
{
    struct Case {
        const char *name;
        const char *pattern;
        bool matches;
    };
    const Case cases[] = {
        {"abc", "abc*", true},
        {"abc", "abc**", false},
        {"abcd", "abc**", true},
        {"readme", "*.*", false},
        {"a.b", "*.*", true},
        {"X.TMP", "*.tmp", true},
        {"~lock.doc", "~*", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"", "*", true},
        {"", "", true},
        {"", "**", false},
        {"a", "", false},
        {"abc", "ABC", true},
        {"abcx", "abc", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*c", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(WildcardMatch(c.name, c.pattern), c.matches) << c.name << " vs " << c.pattern;
}

TEST(WildcardMatch, ComparesLongTextsWhole)
{
    const std::string longName = std::string(300, 'a') + "z";
    EXPECT_TRUE(WildcardMatch(longName, "*z"));
    EXPECT_FALSE(WildcardMatch(longName, std::string(300, 'a')));
}

TEST(Bannedext, AppliesExtensionsThenPatterns)
{
    FileFilters filters;
    filters.extensions = {".tmp"};
    filters.patterns = {"back", "~*", "a?c", "abc**"};
    struct Case {
        const char *name;
        bool banned;
    };
    const Case cases[] = {
        {"a.tmp", true},     {"A.TMP", true}, {"a.tmp.bak", false}, {"tmp", false},        {"MyBackup.doc", true},
        {"~lock.doc", true}, {"abc", true},   {"ac", false},        {"report.doc", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(bannedext(filters, c.name), c.banned) << c.name;

    filters.exclude = false;
    EXPECT_FALSE(bannedext(filters, "a.tmp"));
}

TEST(Bannedext, DoubleStarPatternAloneDoesNotExcludeItsStem)
{
    FileFilters filters;
    filters.patterns = {"abc**"};
    EXPECT_FALSE(bannedext(filters, "abc"));
    filters.patterns = {""};
    EXPECT_FALSE(bannedext(filters, "anything")); // an empty entry must not exclude every file
}

} // namespace
} // namespace quillarc
