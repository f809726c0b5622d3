#include "engine/support/PassFixture.h"

#include "lists/DateTime.h"

#include <acl/libacl.h>
#include <chrono>
#include <filesystem>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class CopyMetadataTest : public PassFixture {};

std::string aclText(const std::string &path, acl_type_t type = ACL_TYPE_ACCESS)
{
    acl_t acl = ::acl_get_file(path.c_str(), type);
    if (acl == nullptr)
        return "(none)";
    char *text = ::acl_to_any_text(acl, nullptr, ',', 0);
    std::string result = text != nullptr ? text : "(none)";
    ::acl_free(text);
    ::acl_free(acl);
    return result;
}

bool setAcl(const std::string &path, const char *text, acl_type_t type = ACL_TYPE_ACCESS)
{
    acl_t acl = ::acl_from_text(text);
    const bool done = acl != nullptr && ::acl_set_file(path.c_str(), type, acl) == 0;
    ::acl_free(acl);
    return done;
}

std::string attribute(const std::string &path, const char *name)
{
    char value[256];
    const ssize_t length = ::getxattr(path.c_str(), name, value, sizeof value);
    return length < 0 ? "(none)" : std::string(value, static_cast<std::size_t>(length));
}

mode_t modeOf(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A folder made private after its first backup makes its copy private on
// the next pass, though nothing in it is copied again.
TEST_F(CopyMetadataTest, AFolderMadePrivateLaterMakesItsCopyPrivate)
{
    writeFile(source + "/diary/day.txt", "dear diary");
    writeFile(source + "/open/note.txt", "hello");
    ::chmod((source + "/diary").c_str(), 0755);
    addItem(source, "Yes");
    const auto written = std::chrono::system_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    runPass();
    ASSERT_EQ(modeOf(copyOf(medium, source + "/diary")), 0755u);

    ASSERT_EQ(::chmod((source + "/diary").c_str(), 0700), 0);
    // A cut-off after the files were written but before the folder changed:
    // no file qualifies, the folder does.
    list.setCutOffValue(list.at(0), dateTimeFromTimePoint(written + std::chrono::milliseconds(600)));
    runPass();
    EXPECT_EQ(ui.fileLine, "Complete...  0 Files Found and Backed Up");
    EXPECT_EQ(modeOf(copyOf(medium, source + "/diary")), 0700u);
    EXPECT_EQ(modeOf(copyOf(medium, source + "/open")), modeOf(source + "/open"));
}

// A copy keeps its source's access list; one whose mask hides the owning
// group (shown as 0660, group ---) never becomes a copy the group can read.
// A folder's default list goes with it.
TEST_F(CopyMetadataTest, CopiesKeepTheirAccessLists)
{
    writeFile(source + "/shared/plan.txt", "plan");
    writeFile(source + "/hidden.txt", "for one other group only");
    writeFile(source + "/plain.txt", "plain");
    ::chmod((source + "/plain.txt").c_str(), 0640);
    if (!setAcl(source + "/shared/plan.txt", "u::rw-,u:65534:r--,g::r--,m::r--,o::---"))
        GTEST_SKIP() << "this file system keeps no access lists";
    ASSERT_TRUE(setAcl(source + "/hidden.txt", "u::rw-,g::---,g:65534:rw-,m::rw-,o::---"));
    ASSERT_TRUE(setAcl(source + "/shared", "u::rwx,g::r-x,o::---,u:65534:r-x,m::r-x", ACL_TYPE_DEFAULT));
    ASSERT_EQ(modeOf(source + "/hidden.txt"), 0660u);
    // The disk's folder hands a list down to new files; the copy must not
    // keep one the source does not have.
    fs::create_directories(copyOf(medium, source));
    ASSERT_TRUE(setAcl(copyOf(medium, source), "u::rwx,g::r-x,o::r-x,u:65533:rwx,m::rwx", ACL_TYPE_DEFAULT));
    addItem(source, "Yes");
    runPass();
    ASSERT_EQ(ui.fileLine, "Complete...  3 Files Found and Backed Up");

    for (const char *name : {"/shared/plan.txt", "/hidden.txt", "/plain.txt"})
        EXPECT_EQ(aclText(copyOf(medium, source + name)), aclText(source + name)) << name;
    EXPECT_EQ(modeOf(copyOf(medium, source + "/plain.txt")), 0640u);
    EXPECT_EQ(aclText(copyOf(medium, source + "/shared"), ACL_TYPE_DEFAULT),
              aclText(source + "/shared", ACL_TYPE_DEFAULT));
    EXPECT_NE(aclText(copyOf(medium, source + "/hidden.txt")).find("group::---"), std::string::npos);
}

// Extended attributes go with the copy, as cp -a copies them: the user's,
// and as root the trusted ones too.
TEST_F(CopyMetadataTest, CopiesKeepTheirExtendedAttributes)
{
    writeFile(source + "/tagged.txt", "tagged");
    writeFile(source + "/tagged folder/inside.txt", "inside");
    if (::setxattr((source + "/tagged.txt").c_str(), "user.origin", "camera", 6, 0) != 0)
        GTEST_SKIP() << "this file system keeps no user attributes";
    ASSERT_EQ(::setxattr((source + "/tagged folder").c_str(), "user.colour", "blue", 4, 0), 0);
    const bool trusted =
        ::geteuid() == 0 && ::setxattr((source + "/tagged.txt").c_str(), "trusted.mark", "kept", 4, 0) == 0;
    addItem(source, "Yes");
    runPass();
    EXPECT_EQ(attribute(copyOf(medium, source + "/tagged.txt"), "user.origin"), "camera");
    EXPECT_EQ(attribute(copyOf(medium, source + "/tagged folder"), "user.colour"), "blue");
    if (trusted) {
        EXPECT_EQ(attribute(copyOf(medium, source + "/tagged.txt"), "trusted.mark"), "kept");
    }
}

} // namespace
} // namespace quillarc
