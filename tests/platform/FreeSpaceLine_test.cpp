#include "platform/FreeSpaceLine.h"

#include <gtest/gtest.h>

namespace quillarc {

TEST(FreeSpaceLine, ShowsBytesKilobytesAndMegabytesTruncated)
{
    const struct {
        std::int64_t free;
        const char *line;
    } cases[] = {
        {1048576, "1048576  |  1024 KB  |  1 MB"},
        {-1, "-1  |  0 KB  |  0 MB"},
        {0, "0  |  0 KB  |  0 MB"},
        {1048575, "1048575  |  1023 KB  |  0 MB"},
        {5000000000LL, "5000000000  |  4882812 KB  |  4768 MB"},
        {INT64_MAX, "9223372036854775807  |  9007199254740991 KB  |  8796093022207 MB"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(freeSpaceLine(c.free), c.line) << c.free;
}

} // namespace quillarc
