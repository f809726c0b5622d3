#include "cli/PassOptions.h"

#include <gtest/gtest.h>

namespace quillarc {
namespace {

std::optional<PassOptions> parse(std::vector<std::string> arguments, std::string &error)
{
    return PassOptions::parse(arguments, error);
}

TEST(CatalogueOptions, findCatalogueAndVerifyTakeTheirOwnOptionsOnly)
{
    std::string error;
    auto find = parse({"--find", "*.ods", "--path"}, error);
    ASSERT_TRUE(find) << error;
    EXPECT_EQ(find->find, "*.ods");
    EXPECT_TRUE(find->wholePath);

    auto verify = parse({"--verify", "--max-duration", "30m", "--since=2026-12-01", "--failed"}, error);
    ASSERT_TRUE(verify) << error;
    EXPECT_TRUE(verify->verify);
    EXPECT_EQ(verify->maxSeconds, 1800);
    EXPECT_EQ(verify->since, "2026-12-01");
    EXPECT_TRUE(verify->failed);
    EXPECT_EQ(parse({"--verify", "--max-duration=2h"}, error)->maxSeconds, 7200);
    EXPECT_EQ(parse({"--verify", "--max-duration=90"}, error)->maxSeconds, 90);

    const std::vector<std::vector<std::string>> refused = {
        {"--find"},
        {"--path"},
        {"--find", "a", "--verify"},
        {"--catalogue", "--dry-run"},
        {"--verify", "--max-duration", "soon"},
        {"--verify", "--max-duration", "0"},
        {"--verify", "--max-duration", "5d"},
        {"--verify", "--max-duration", "99999999999999h"},
        {"--max-duration", "5m"},
        {"--failed"},
        {"--catalogue", "--since", "2026-12-01"},
    };
    for (const auto &arguments : refused) {
        error.clear();
        EXPECT_FALSE(parse(arguments, error)) << arguments[0] << " " << (arguments.size() > 1 ? arguments[1] : "");
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
} // namespace quillarc
