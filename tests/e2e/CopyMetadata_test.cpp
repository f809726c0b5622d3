#include "e2e/support/RealDiskTest.h"

#include <acl/libacl.h>
#include <filesystem>
#include <fstream>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;

constexpr int kUser = 65534;
constexpr gid_t kTeam = 4242;   // the user is a member
constexpr gid_t kOthers = 4343; // the user is not

struct stat statOf(const std::string &path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

std::string aclText(const std::string &path)
{
    acl_t acl = ::acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    if (acl == nullptr)
        return "(none)";
    char *text = ::acl_to_any_text(acl, nullptr, ',', 0);
    std::string result = text != nullptr ? text : "(none)";
    ::acl_free(text);
    ::acl_free(acl);
    return result;
}

bool setAcl(const std::string &path, const char *text)
{
    acl_t acl = ::acl_from_text(text);
    const bool done = acl != nullptr && ::acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl) == 0;
    ::acl_free(acl);
    return done;
}

// Passes run by a desktop user (not root) who belongs to one group of the
// source files and not to another.
class CopyMetadataDisk : public RealDiskTest {
protected:
    std::string prepare(Kind kind)
    {
        passUser = kUser;
        passGroups = std::to_string(kTeam);
        std::string why = prepareDisks(kind);
        if (why.empty()) {
            disk = makeDisk(kind, 32, "META");
            if (!disk)
                why = "no disk image";
        }
        return why;
    }
    bool insertDisk()
    {
        if (!insert(*disk, "META"))
            return false;
        // A user cannot read the device's label (nor can FUSE show it): the
        // label file at the root stands in.
        std::ofstream(disk->root() + ".quillarc-label") << "META\n";
        // The user's own stick.
        (void)::chown(disk->root().c_str(), kUser, kUser);
        return true;
    }
    std::string copy(const std::string &path) const { return copyOf(disk->root(), path); }

    std::unique_ptr<DiskImage> disk;
};

// A copy takes its source's group where the user may give it (a member of
// that group), as cp -a does; where not, the copy's group gets no rights,
// never the rights meant for another group. An access list whose mask hides
// the owning group is kept as it is, never widened into plain 0660.
TEST_F(CopyMetadataDisk, CopiesAreNoMoreOpenThanTheirSources)
{
    if (const std::string why = prepare(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const std::string team = writeSource({"team.txt", "for the team", 0640});
    const std::string others = writeSource({"others.txt", "for a group the user is not in", 0640});
    const std::string hidden = writeSource({"hidden.txt", "for one named group only", 0600});
    const std::string listedOthers = writeSource({"listed-others.txt", "a list, and a group not the user's", 0600});
    giveToPassUser();
    ASSERT_EQ(::chown(team.c_str(), kUser, kTeam), 0);
    ASSERT_EQ(::chown(others.c_str(), kUser, kOthers), 0);
    ASSERT_EQ(::chown(listedOthers.c_str(), kUser, kOthers), 0);
    ASSERT_TRUE(setAcl(hidden, "u::rw-,g::---,g:4343:rw-,m::rw-,o::---"));
    ASSERT_TRUE(setAcl(listedOthers, "u::rw-,g::r--,u:4343:r--,m::r--,o::---"));
    ASSERT_EQ(statOf(hidden).st_mode & 0777, 0660u);
    writeList("META", {source});
    ASSERT_TRUE(insertDisk());

    const Ended pass = runPass();
    ASSERT_EQ(pass.status, 0) << pass.out << pass.err;
    const struct stat teamCopy = statOf(copy(team));
    EXPECT_EQ(teamCopy.st_gid, kTeam);
    EXPECT_EQ(teamCopy.st_mode & 0777, 0640u);
    const struct stat othersCopy = statOf(copy(others));
    EXPECT_NE(othersCopy.st_gid, kOthers) << "the user could not have given it that group";
    EXPECT_EQ(othersCopy.st_mode & 0777, 0600u) << "the user's own group gets none of the other group's rights";
    EXPECT_EQ(aclText(copy(hidden)), aclText(hidden));
    EXPECT_EQ(statOf(copy(hidden)).st_uid, static_cast<uid_t>(kUser));
    // The list is kept, but the owning group's entry now stands for the
    // runner's group and gets nothing.
    EXPECT_NE(statOf(copy(listedOthers)).st_gid, kOthers);
    EXPECT_EQ(aclText(copy(listedOthers)), "user::rw-,user:4343:r--,group::---,mask::r--,other::---");
}

// A FAT disk holds no owners, groups, access lists or attributes: a file
// that has them is copied all the same, and the pass is complete.
TEST_F(CopyMetadataDisk, AFatDiskTakesFilesWhoseListsAndAttributesItCannotHold)
{
    if (const std::string why = prepare(Kind::Fat); !why.empty())
        GTEST_SKIP() << why;
    const std::string listed = writeSource({"listed.txt", "with an access list", 0640});
    const std::string tagged = writeSource({"tagged.txt", "with an attribute", 0644});
    giveToPassUser();
    if (!setAcl(listed, "u::rw-,g::r--,u:4343:rw-,m::rw-,o::---"))
        GTEST_SKIP() << "the source file system keeps no access lists";
    ASSERT_EQ(::setxattr(tagged.c_str(), "user.origin", "camera", 6, 0), 0);
    ASSERT_EQ(::link(tagged.c_str(), (source + "/second name.txt").c_str()), 0);
    writeList("META", {source});
    ASSERT_TRUE(insertDisk());

    const Ended pass = runPass();
    EXPECT_EQ(pass.status, 0) << pass.out << pass.err;
    EXPECT_EQ(read(copy(listed)), "with an access list");
    EXPECT_EQ(read(copy(tagged)), "with an attribute");
    // No links on FAT: the second name is a copy of its own.
    EXPECT_EQ(read(copy(source + "/second name.txt")), "with an attribute");
}

} // namespace
} // namespace quillarc::e2e
