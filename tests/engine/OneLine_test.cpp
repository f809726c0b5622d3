#include <gtest/gtest.h>

#include "engine/OneLine.h"

#include <string>

namespace quillarc {
namespace {

struct Case {
    const char *what;
    std::string raw;
    std::string shown;
};

// Every character that could end a line, move a terminal's cursor or turn
// the text around in a reader is escaped byte by byte; other text, plain or
// not, is left as it is.
TEST(OneLine, EscapesWhatCouldForgeALine)
{
    const Case cases[] = {
        {"plain", "/home/ann/Docs/a.txt", "/home/ann/Docs/a.txt"},
        {"line feed", "a\nb", "a\\x0Ab"},
        {"escape", "a\x1b[2Jb", "a\\x1B[2Jb"},
        {"delete", "a\x7f", "a\\x7F"},
        {"backslash", "a\\x0A", "a\\x5Cx0A"},
        {"NEL, U+0085",
         "a\xc2\x85"
         "b",
         "a\\xC2\\x85b"},
        {"CSI, U+009B",
         "a\xc2\x9b"
         "2J",
         "a\\xC2\\x9B2J"},
        {"raw CSI byte",
         "a\x9b"
         "2J",
         "a\\x9B2J"},
        {"right-to-left override, U+202E",
         "x\xe2\x80\xae"
         "fdp.exe",
         "x\\xE2\\x80\\xAEfdp.exe"},
        {"right-to-left isolate, U+2067",
         "x\xe2\x81\xa7"
         "y",
         "x\\xE2\\x81\\xA7y"},
        {"line separator, U+2028",
         "x\xe2\x80\xa8"
         "y",
         "x\\xE2\\x80\\xA8y"},
        {"right-to-left mark, U+200F", "x\xe2\x80\x8f", "x\\xE2\\x80\\x8F"},
        {"Latin-1 byte, not UTF-8", "caf\xe9", "caf\\xE9"},
        {"cut-short sequence", "a\xe2\x80", "a\\xE2\\x80"},
        {"overlong slash", "a\xc0\xaf", "a\\xC0\\xAF"},
        {"accented letters", "caf\xc3\xa9 \xc3\x85ngstr\xc3\xb6m", "caf\xc3\xa9 \xc3\x85ngstr\xc3\xb6m"},
        {"no-break space, U+00A0",
         "a\xc2\xa0"
         "b",
         "a\xc2\xa0"
         "b"},
        {"CJK and emoji", "\xe6\x96\x87\xf0\x9f\x93\x81", "\xe6\x96\x87\xf0\x9f\x93\x81"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(oneLine(c.raw), c.shown) << c.what;
}

} // namespace
} // namespace quillarc
