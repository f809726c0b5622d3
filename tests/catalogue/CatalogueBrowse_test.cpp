#include "catalogue/support/CatalogueFixture.h"

#include <gtest/gtest.h>

namespace quillarc {
namespace {

class CatalogueBrowse : public test::CatalogueFixture {
protected:
    void SetUp() override
    {
        one = catalogue->disk({"BACKUP1", "u1"});
        two = catalogue->disk({"BACKUP2", "u2"});
        // Names that sort between a folder and its subtree ("a.b" and "a-b"
        // before "a/"), a folder reached only through deeper ones, and a
        // file whose only copy was forgotten.
        for (const char *path : {"home/ann/a", "home/ann/a.b/x", "home/ann/a-b", "home/ann/a/deep/er/f",
                                 "home/ann/top.txt", "home/bob/p.png", "root.txt"})
            catalogue->recordCopy(one, record(path, path));
        catalogue->recordCopy(two, record("home/ann/b2/only.txt", "b2"));
        catalogue->recordCopy(one, record("home/gone/f", "gone"));
        catalogue->forgetCopy(one, "home/gone/f");
    }

    std::string listed(const std::string &folder, std::optional<std::int64_t> disk = std::nullopt) const
    {
        std::string text;
        for (const CatalogueChild &child : catalogue->childrenOf(folder, disk))
            text += child.name + (child.folder ? "/ " : " ");
        return text;
    }

    std::int64_t one = 0, two = 0;
};

// Each level lists its folders (once, whatever sorts among them) and then
// its files, on every disk or on one; a folder with no copy left is gone.
TEST_F(CatalogueBrowse, OneLevelAtATimeOnEveryDiskOrOne)
{
    EXPECT_EQ(listed(""), "home/ root.txt ");
    EXPECT_EQ(listed("home"), "ann/ bob/ ");
    EXPECT_EQ(listed("/home/ann/"), "a/ a.b/ b2/ a a-b top.txt ");
    EXPECT_EQ(listed("home/ann/a"), "deep/ ");
    EXPECT_EQ(listed("home/ann/a/deep"), "er/ ");
    EXPECT_EQ(listed("home/ann", one), "a/ a.b/ a a-b top.txt ");
    EXPECT_EQ(listed("home/ann", two), "b2/ ");
    EXPECT_EQ(listed("", two), "home/ ");
    EXPECT_EQ(listed("home/nobody"), "");
}

} // namespace
} // namespace quillarc
