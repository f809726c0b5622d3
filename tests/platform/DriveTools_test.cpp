#include "platform/DriveTools.h"

#include <gtest/gtest.h>

namespace quillarc {

namespace {

/// Answers a label for every root, so that only the root check decides.
struct AnyRootHost : VolumeHost {
    std::string mediumRoot(const std::string &root) const override { return root; }
    std::string volumeLabel(const std::string &) const override { return "DISK"; }
    std::int64_t freeBytes(const std::string &) const override { return 1; }
    std::int64_t totalBytes(const std::string &) const override { return 1; }
};

} // namespace

TEST(DriveTools, OnlyDriveRootsHaveLabels)
{
    const struct {
        std::string text;
        bool root;
    } cases[] = {
        {"/", true},
        {"/media/ann/", true},
        {"/mnt/my backup/", true},
        {"/media/ann", false},
        {"media/ann/", false},
        {"E:\\", false},
        {"Choose backup CD", false},
        {"", false},
        {"/media//ann/", false},
        {"/media/../etc/", false},
        {"/media/./ann/", false},
        {"/media/ann\n/", false},
        {std::string("/media/a\0b/", 11), false},
    };
    const AnyRootHost host;
    for (const auto &c : cases) {
        EXPECT_EQ(isDriveRoot(c.text), c.root) << c.text;
        EXPECT_EQ(DriveRoot::of(c.text).has_value(), c.root) << c.text;
        EXPECT_EQ(GetVolumeLabel(host, c.text), c.root ? "DISK" : "") << c.text;
    }
}

} // namespace quillarc
