#include "base/AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <iterator>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/FileError.h"
#include "support/TempFolder.h"

namespace quillarc {
namespace {

std::string expectFileError(const std::string &target, const std::string &bytes)
{
    try {
        writeFileAtomically(target, bytes);
    } catch (const FileError &error) {
        return error.what();
    }
    return "no error";
}

TEST(AtomicFile, WritesAndReplacesWholeFiles)
{
    test::TempFolder folder;
    writeFileAtomically(folder.file("a.ini"), "one\r\n");
    EXPECT_EQ(folder.read("a.ini"), "one\r\n");
    writeFileAtomically(folder.file("a.ini"), "");
    EXPECT_EQ(folder.read("a.ini"), "");
    EXPECT_EQ(folder.entryCount(), 1u);
}

TEST(AtomicFile, KeepsThePermissionsOfTheFileItReplaces)
{
    test::TempFolder folder;
    folder.write("config", "old");
    ::chmod(folder.file("config").c_str(), 0640);
    writeFileAtomically(folder.file("config"), "new");
    struct stat info {};
    ASSERT_EQ(::stat(folder.file("config").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// A private file is the owner's alone whatever the umask, and also when
// the file it replaces was open to others.
TEST(AtomicFile, APrivateFileIsTheOwnersAlone)
{
    test::TempFolder folder;
    const mode_t umaskBefore = ::umask(0);
    writeFileAtomically(folder.file("new.folders"), "x", FileAccess::Private);
    ::umask(umaskBefore);
    folder.write("old.folders", "old");
    ::chmod(folder.file("old.folders").c_str(), 0644);
    writeFileAtomically(folder.file("old.folders"), "new", FileAccess::Private);
    for (const char *name : {"new.folders", "old.folders"}) {
        struct stat info {};
        ASSERT_EQ(::stat(folder.file(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u) << name;
    }
}

// A launcher is executable whatever it replaces, or desktops do not start it.
TEST(AtomicFile, AnExecutableFileCanBeRun)
{
    test::TempFolder folder;
    folder.write("old.desktop", "old");
    ::chmod(folder.file("old.desktop").c_str(), 0600);
    writeFileAtomically(folder.file("old.desktop"), "new", FileAccess::Executable);
    writeFileAtomically(folder.file("new.desktop"), "new", FileAccess::Executable);
    for (const char *name : {"new.desktop", "old.desktop"}) {
        struct stat info {};
        ASSERT_EQ(::stat(folder.file(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0755u) << name;
    }
}

// FAT through FUSE refuses to set any bits (ENOSYS); the kernel's FAT those
// it cannot keep (EPERM). A child process has fchmod refused so by the
// kernel (seccomp), then saves a private file and replaces one with bits.
TEST(AtomicFile, AFileSystemWithoutBitsStillTakesTheSave)
{
    test::TempFolder folder;
    folder.write("list.ini", "old");
    for (const int refusal : {ENOSYS, EPERM, EOPNOTSUPP}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            struct sock_filter filter[] = {
                BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
                BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fchmod, 0, 1),
                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (static_cast<unsigned>(refusal) & SECCOMP_RET_DATA)),
                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            };
            struct sock_fprog program = {static_cast<unsigned short>(std::size(filter)), filter};
            if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
                ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
                ::_exit(77);
            try {
                writeFileAtomically(folder.file("new.folders"), "private", FileAccess::Private);
                writeFileAtomically(folder.file("list.ini"), "new");
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(folder.read("new.folders") == "private" && folder.read("list.ini") == "new" ? 0 : 2);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77)
            GTEST_SKIP() << "no seccomp filter could be set";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "refused with " << refusal;
    }
    EXPECT_EQ(folder.entryCount(), 2u) << "no temporary file is left";
}

TEST(AtomicFile, FailuresLeaveTheOldFileAndNoTemporaryFile)
{
    test::TempFolder folder;
    ::mkdir(folder.file("dir.ini").c_str(), 0755);
    EXPECT_EQ(expectFileError(folder.file("dir.ini"), "x"), "File access denied");
    EXPECT_EQ(expectFileError(folder.file("missing/a.ini"), "x"), "Invalid filename");
    EXPECT_EQ(expectFileError(std::string("/tmp/a\0b", 8), "x"), "Invalid filename");
    EXPECT_EQ(folder.entryCount(), 1u);
}

TEST(AtomicFile, LongestFileNameStillWorks)
{
    test::TempFolder folder;
    const std::string name(251, 'L');
    writeFileAtomically(folder.file(name + ".ini"), "x");
    EXPECT_EQ(folder.read(name + ".ini"), "x");
}

// A size limit cuts the write short half-way; the old file must stay whole.
TEST(AtomicFile, ShortWriteKeepsTheOldFile)
{
    test::TempFolder folder;
    const std::string old(100, 'o');
    folder.write("list.ini", old);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < 4096)
        GTEST_SKIP() << "file size limit already below 4096";
    const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string cause = expectFileError(folder.file("list.ini"), std::string(10000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(cause, "Disk full");
    EXPECT_EQ(folder.read("list.ini"), old);
    EXPECT_EQ(folder.entryCount(), 1u);
}

// A real full file system: a 64 KiB tmpfs in a private mount namespace.
TEST(AtomicFile, FullDiskKeepsTheOldFile)
{
    test::TempFolder folder;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            ::_exit(77);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.path().c_str(), "tmpfs", 0, "size=64k") != 0)
            ::_exit(77);
        const std::string old(20000, 'o');
        folder.write("list.ini", old);
        const std::string cause = expectFileError(folder.file("list.ini"), std::string(60000, 'n'));
        const bool oldIntact = folder.read("list.ini") == old;
        const bool noTemp = folder.entryCount() == 1;
        ::umount(folder.path().c_str());
        ::_exit(cause == "Disk full" && oldIntact && noTemp ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no mount namespace for a small tmpfs";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not fail cleanly on a full tmpfs";
}

} // namespace
} // namespace quillarc
