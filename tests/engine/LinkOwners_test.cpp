#include "engine/support/PassFixture.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kUser = 65534;

class LinkOwnersTest : public PassFixture {};

bool named(const PassOutcome &outcome, const std::string &path, const std::string &cause)
{
    for (const MissedEntry &missed : outcome.missed)
        if (missed.path == path && missed.cause.find(cause) != std::string::npos)
            return true;
    return false;
}

// Run as root over a user's folder, a link of that user to a file of
// someone else (`~/x -> /etc/shadow`) is named and passed over, in a folder
// item and as a single-file item; a link to the link owner's own file is
// followed as always. The item's cut-off still moves on.
TEST_F(LinkOwnersTest, RootFollowsALinkOnlyToAFileOfTheLinksOwner)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: the rule is for passes run as root";
    writeFile(temp + "/shadow", "root's secret");
    ASSERT_EQ(::chmod((temp + "/shadow").c_str(), 0600), 0);
    writeFile(temp + "/users-own", "the user's own file");
    ASSERT_EQ(::chown((temp + "/users-own").c_str(), kUser, kUser), 0);
    writeFile(source + "/home/plain.txt", "plain");
    for (const auto &[name, target] : {std::pair {"x", "/shadow"}, std::pair {"mine", "/users-own"}}) {
        const std::string link = source + "/home/" + name;
        ASSERT_EQ(::symlink((temp + target).c_str(), link.c_str()), 0);
        ASSERT_EQ(::lchown(link.c_str(), kUser, kUser), 0);
    }
    addItem(source + "/home", "Yes");
    addItem(source + "/home/x", "");
    const PassOutcome &outcome = runPass();

    EXPECT_FALSE(fs::exists(copyOf(medium, source + "/home/x")));
    EXPECT_TRUE(named(outcome, source + "/home/x", "not followed when the backup runs as root"));
    EXPECT_EQ(outcome.filesMissed, 2) << "once in the folder item, once as its own item";
    EXPECT_EQ(readFile(copyOf(medium, source + "/home/mine")), "the user's own file");
    EXPECT_EQ(readFile(copyOf(medium, source + "/home/plain.txt")), "plain");
    EXPECT_NE(list.at(0).text(TextFloat), "0") << "the cut-off moved on";
}

} // namespace
} // namespace quillarc
