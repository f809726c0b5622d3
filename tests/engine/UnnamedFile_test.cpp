#include "engine/UnnamedFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillarc {
namespace {

// What a pass needs of the name it gives a whole copy: the bytes under the
// name, and a name already taken left alone with EEXIST (the pass then
// looks again).
int nameAndCheck(const std::string &folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int file = ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (dir < 0 || file < 0)
        return 10;
    if (::write(file, "whole", 5) != 5)
        return 11;
    if (nameUnnamedFile(file, dir, "copy.txt") != 0)
        return 12;
    if (nameUnnamedFile(file, dir, "taken.txt") != EEXIST)
        return 13;
    char bytes[8] = {};
    const int named = ::openat(dir, "copy.txt", O_RDONLY | O_CLOEXEC);
    if (named < 0 || ::read(named, bytes, sizeof bytes) != 5 || std::string(bytes) != "whole")
        return 14;
    ::close(named);
    ::close(file);
    ::close(dir);
    return 0;
}

TEST(UnnamedFile, isNamedWholeAndANameTakenIsLeftAlone)
{
    test::TempFolder folder;
    folder.write("taken.txt", "older");
    EXPECT_EQ(nameAndCheck(folder.folder()), 0);
    EXPECT_EQ(folder.read("taken.txt"), "older");
}

// An ordinary user is named by descriptor where the kernel lets them, and
// through /proc where it does not; either way the copy gets its name.
TEST(UnnamedFile, isNamedForAnOrdinaryUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    test::TempFolder folder;
    folder.write("taken.txt", "older");
    ASSERT_EQ(::chmod(folder.folder().c_str(), 0777), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(9);
        ::_exit(nameAndCheck(folder.folder()));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat st {};
    ASSERT_EQ(::stat(folder.file("copy.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
}

} // namespace
} // namespace quillarc
