// On real disk images: another stick mounted where a source folder was, a
// folder replaced on a FAT source, the backup disk bound into a source
// tree, a share whose mount point stays when it is not mounted, a program
// folder on FAT through FUSE, a file rewritten while it is copied, and a
// link on the disk where a folder of copies goes.

#include "e2e/support/RealDiskTest.h"
#include "e2e/support/Shell.h"
#include "lists/ProgramConfig.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;

class DiskEdges : public RealDiskTest {
protected:
    // A file with times an hour old: only something else can make it new.
    static void writeOld(const std::string &path, const std::string &bytes)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        EXPECT_TRUE(sh("touch -d '1 hour ago' " + quoted(path)));
    }
    // Two seconds on, so that the first pass's cut-off lies after every
    // status change made so far.
    static void letTheCutOffPass() { std::this_thread::sleep_for(std::chrono::milliseconds(2200)); }
    std::string lineOf(const std::string &label, const std::string &item) const
    {
        const std::string list = read(program + label + ".ini");
        const std::size_t at = list.find(item + "\r\n");
        return at == std::string::npos ? std::string() : list.substr(at, list.find("\r\n", at + item.size() + 2) - at);
    }
};

// A stick with the same layout as the one the last pass saw, mounted where
// it was: its folders have the same inode numbers, on another device.
TEST_F(DiskEdges, AnotherStickMountedWhereAFolderWasIsCopied)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 16, "EDGE1");
    const auto first = makeDisk(Kind::Ext4, 8, "STICKA");
    const auto second = makeDisk(Kind::Ext4, 8, "STICKB");
    ASSERT_TRUE(disk && first && second);
    const std::string stick = source + "/stick";
    for (DiskImage *image : {first.get(), second.get()}) {
        ASSERT_TRUE(image->mount(stick)) << image->error();
        writeOld(stick + "/photos/2019/a.jpg", image == first.get() ? "first stick" : "second stick");
        ASSERT_TRUE(image->unmount()) << image->error();
    }
    ASSERT_TRUE(first->mount(stick));
    writeList("EDGE1", {source});
    letTheCutOffPass();
    ASSERT_TRUE(insert(*disk, "EDGE1"));
    const Ended one = runPass();
    ASSERT_EQ(one.status, 0) << one.out << one.err;
    ASSERT_EQ(read(copyOf(disk->root(), stick + "/photos/2019/a.jpg")), "first stick");

    ASSERT_TRUE(first->unmount());
    ASSERT_TRUE(second->mount(stick));
    const Ended two = runPass();
    EXPECT_EQ(two.status, 0) << two.out << two.err;
    EXPECT_EQ(read(copyOf(disk->root(), stick + "/photos/2019/a.jpg")), "second stick");
}

// On FAT the numbers a folder goes by are made up afresh at each mount: a
// folder made anew in place of another, the stick mounted again, may come
// back under the number the last pass saw there, and a file moved into it
// keeps the times it had.
TEST_F(DiskEdges, AFolderPutInPlaceOfAnotherOnAFatSourceIsCopied)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    if (const std::string why = DiskImage::cannotMount(Kind::Fat); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 16, "EDGE2");
    const auto fat = makeDisk(Kind::Fat, 32, "FATSRC");
    ASSERT_TRUE(disk && fat);
    const std::string stick = temp + "/fatsource";
    ASSERT_TRUE(fat->mount(stick)) << fat->error();
    writeOld(stick + "/tree/docs/report.txt", "report");
    writeOld(stick + "/elsewhere/incoming/old.txt", "came in later");
    ASSERT_TRUE(fat->unmount());
    ASSERT_TRUE(fat->mount(stick));
    writeList("EDGE2", {stick + "/tree"});
    letTheCutOffPass();
    ASSERT_TRUE(insert(*disk, "EDGE2"));
    const Ended one = runPass();
    ASSERT_EQ(one.status, 0) << one.out << one.err;
    ASSERT_EQ(read(copyOf(disk->root(), stick + "/tree/docs/report.txt")), "report");

    // A folder of that name made anew, a file moved into it from outside.
    fs::remove_all(stick + "/tree/docs");
    fs::create_directory(stick + "/tree/docs");
    fs::rename(stick + "/elsewhere/incoming/old.txt", stick + "/tree/docs/old.txt");
    ASSERT_TRUE(fat->unmount());
    ASSERT_TRUE(fat->mount(stick));
    ASSERT_TRUE(fs::exists(stick + "/tree/docs/old.txt"));
    const Ended two = runPass();
    EXPECT_EQ(two.status, 0) << two.out << two.err;
    EXPECT_EQ(read(copyOf(disk->root(), stick + "/tree/docs/old.txt")), "came in later") << two.err;
}

// The backup disk bound into the tree being backed up, whole and by one of
// its folders: nothing of the disk is copied onto itself, and the pass
// names where it passed over it; an item that is such a mount is refused.
TEST_F(DiskEdges, TheDiskBoundIntoASourceTreeIsNamedNeverNested)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 16, "EDGE3");
    ASSERT_TRUE(disk);
    writeSource({"mine.txt", "mine"});
    ASSERT_TRUE(insert(*disk, "EDGE3"));
    fs::create_directories(disk->root() + "earlier/copies");
    std::ofstream(disk->root() + "earlier/copies/x") << "on the disk";
    fs::create_directories(source + "/whole");
    fs::create_directories(source + "/part");
    ASSERT_TRUE(sh("mount --bind " + quoted(disk->folder()) + " " + quoted(source + "/whole")));
    ASSERT_TRUE(sh("mount --bind " + quoted(disk->root() + "earlier") + " " + quoted(source + "/part")));
    writeList("EDGE3", {source, source + "/part/copies"});
    const Ended pass = runPass();
    sh("umount " + quoted(source + "/part"));
    sh("umount " + quoted(source + "/whole"));

    EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
    EXPECT_EQ(read(copyOf(disk->root(), source + "/mine.txt")), "mine");
    for (const std::string &name : everythingBelow(copyOf(disk->root(), source)))
        EXPECT_EQ(name.find("copies"), std::string::npos) << "the disk was copied into itself: " << name;
    for (const char *named : {"/whole", "/part", "/part/copies"})
        expectReported(pass, source + named);
}

// A share mounted on a folder at one pass and not at the next leaves an
// empty folder: that is not "nothing changed".
TEST_F(DiskEdges, AShareNotMountedIsNamedAndKeepsItsCutOff)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 16, "EDGE4");
    const auto share = makeDisk(Kind::Ext4, 8, "SHARE");
    ASSERT_TRUE(disk && share);
    const std::string mountPoint = temp + "/share";
    ASSERT_TRUE(share->mount(mountPoint)) << share->error();
    writeOld(mountPoint + "/books/a.txt", "a");
    writeList("EDGE4", {mountPoint});
    letTheCutOffPass();
    ASSERT_TRUE(insert(*disk, "EDGE4"));
    const Ended one = runPass();
    ASSERT_EQ(one.status, 0) << one.out << one.err;
    const std::string cutOff = lineOf("EDGE4", mountPoint);

    ASSERT_TRUE(share->unmount());
    const Ended two = runPass();
    EXPECT_EQ(two.status, 1) << two.out << two.err;
    expectReported(two, mountPoint);
    EXPECT_NE(two.err.find("not mounted"), std::string::npos) << two.err;
    EXPECT_EQ(lineOf("EDGE4", mountPoint), cutOff) << "the cut-off moved past a share not there";

    ASSERT_TRUE(share->mount(mountPoint));
    const Ended three = runPass();
    EXPECT_EQ(three.status, 0) << three.out << three.err;
}

// A program folder on FAT through FUSE, where no file's bits can be set:
// the list and the log are saved all the same, twice.
TEST_F(DiskEdges, AProgramFolderOnFatThroughFuseSavesItsList)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    if (const std::string why = DiskImage::cannotMount(Kind::Fat); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 16, "EDGE5");
    const auto fat = makeDisk(Kind::Fat, 32, "PROGRAM");
    ASSERT_TRUE(disk && fat);
    const std::string programFolder = program.substr(0, program.size() - 1);
    ASSERT_TRUE(fat->mount(programFolder)) << fat->error();
    ProgramConfig config;
    config.drive = DriveRoot(automount);
    std::ofstream(program + "config", std::ios::binary) << configFileText(config);
    writeSource({"a.txt", "a"});
    writeList("EDGE5", {source});
    ASSERT_TRUE(insert(*disk, "EDGE5"));
    for (int pass = 0; pass < 2; ++pass) {
        const Ended ended = runPass();
        EXPECT_EQ(ended.status, 0) << ended.out << ended.err;
        EXPECT_TRUE(cutOffMoved("EDGE5"));
        EXPECT_NE(log().find("label \"EDGE5\""), std::string::npos);
    }
    EXPECT_EQ(read(copyOf(disk->root(), source + "/a.txt")), "a");
}

} // namespace
} // namespace quillarc::e2e

namespace quillarc::e2e {
namespace {

// FAT does not tell "Dir" from "dir": two source folders so named would be
// one folder on it, each file of the one landing on the other's copy. One
// stands, holding its own files; the other is named.
TEST_F(DiskEdges, FoldersThatDifferOnlyInCaseAreNeverMergedOnFat)
{
    if (const std::string why = prepareDisks(Kind::Fat); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Fat, 32, "FATTWIN");
    ASSERT_TRUE(disk);
    writeSource({"Dir/a.txt", "in Dir"});
    writeSource({"dir/a.txt", "in dir, longer"});
    writeSource({"dir/b.txt", "only in dir"});
    writeList("FATTWIN", {source});
    ASSERT_TRUE(insert(*disk, "FATTWIN"));
    if (disk->throughFuse())
        std::ofstream(disk->root() + ".quillarc-label") << "FATTWIN\n";

    const Ended pass = runPass();
    std::vector<std::string> standing;
    for (const auto &entry : fs::directory_iterator(copyOf(disk->root(), source)))
        standing.push_back(entry.path().filename().string());
    ASSERT_EQ(standing.size(), 1u) << "one folder for both names";
    const std::string kept = source + "/" + standing[0];
    const std::string other = source + "/" + (standing[0] == "Dir" ? "dir" : "Dir");
    EXPECT_EQ(read(copyOf(disk->root(), kept + "/a.txt")), read(kept + "/a.txt")) << "a copy holds its own bytes";
    EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
    expectReported(pass, other);
}

// Stops `pid` (SIGSTOP) at the first read of `file`; false when no read
// came within the deadline.
bool stopAtFirstRead(const std::string &file, pid_t pid)
{
    const int fd = ::inotify_init1(IN_CLOEXEC);
    if (fd < 0 || ::inotify_add_watch(fd, file.c_str(), IN_ACCESS) < 0)
        return false;
    struct pollfd in {
        fd, POLLIN, 0
    };
    const bool caught = ::poll(&in, 1, 20000) == 1;
    if (caught)
        ::kill(pid, SIGSTOP);
    ::close(fd);
    return caught;
}

// Every byte rewritten, the length and both times put back as they were:
// only the status-change time tells.
bool rewriteKeepingSizeAndTimes(const std::string &file, char with)
{
    struct stat before {};
    if (::stat(file.c_str(), &before) != 0)
        return false;
    const std::string bytes(static_cast<std::size_t>(before.st_size), with);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    const bool timed = ::futimens(fd, times) == 0;
    return ::close(fd) == 0 && written && timed;
}

// A file rewritten while the pass reads it, its length and modification time
// put back: the copy holds the file as it was when the read began, so the
// pass names it and no later pass takes that copy as current.
TEST_F(DiskEdges, AFileRewrittenDuringItsCopyWithItsTimeKeptIsCopiedAgain)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 256, "EDGE6");
    ASSERT_TRUE(disk);
    const std::string file = source + "/db.bin";
    writeOld(file, std::string(96 << 20, 'a'));
    writeList("EDGE6", {source});
    ASSERT_TRUE(insert(*disk, "EDGE6"));
    auto pass = startPass();
    ASSERT_TRUE(stopAtFirstRead(file, pass->pid())) << pass->err();
    const bool rewritten = rewriteKeepingSizeAndTimes(file, 'b');
    ::kill(pass->pid(), SIGCONT);
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(pass->wait(std::chrono::seconds(60)), 0) << pass->out() << pass->err();
    EXPECT_NE(pass->err().find("note: " + file + ": changed while it was read"), std::string::npos) << pass->err();
    EXPECT_NE(log().find("note " + file), std::string::npos) << log();
    EXPECT_NE(read(copyOf(disk->root(), file)), read(file)) << "the copy holds the file as its read began";

    const Ended next = runPass();
    EXPECT_EQ(next.status, 0) << next.out << next.err;
    EXPECT_EQ(next.out, "Complete...  1 Files Found and Backed Up\nFolder Scan Complete...\n") << next.err;
    expectSameFile(file, copyOf(disk->root(), file), Keeps::Everything);
    const Ended last = runPass();
    EXPECT_EQ(last.out, "Complete...  0 Files Found and Backed Up\nFolder Scan Complete...\n") << last.err;
}

// A link on the disk where a folder of copies goes, left there by hand or
// by another program, is never written through: it is moved into the
// versions and named, and every copy after it still lands.
TEST_F(DiskEdges, ALinkOnTheDiskWhereAFolderOfCopiesGoesIsMovedAside)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 16, "EDGE7");
    ASSERT_TRUE(disk);
    writeOld(source + "/docs/a.txt", "a");
    writeList("EDGE7", {source});
    letTheCutOffPass();
    ASSERT_TRUE(insert(*disk, "EDGE7"));
    const Ended one = runPass();
    ASSERT_EQ(one.status, 0) << one.out << one.err;

    const std::string copies = copyOf(disk->root(), source + "/docs");
    const std::string outside = temp + "/elsewhere";
    fs::create_directories(outside);
    fs::remove_all(copies);
    fs::create_directory_symlink(outside, copies);
    std::vector<std::string> fresh {source + "/docs/b.txt"};
    for (int i = 0; i < 20; ++i)
        fresh.push_back(source + "/other/f" + std::to_string(i) + ".txt");
    for (const std::string &path : fresh) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << path;
    }
    const Ended two = runPass();

    EXPECT_TRUE(fs::is_empty(outside)) << "a copy was written through the link";
    EXPECT_FALSE(fs::is_symlink(copies));
    for (const std::string &path : fresh)
        EXPECT_EQ(read(copyOf(disk->root(), path)), path) << two.err;
    bool linkKept = false;
    for (const auto &stamp : fs::directory_iterator(disk->root() + ".quillarc/versions"))
        linkKept = linkKept || fs::read_symlink(copyOf(stamp.path().string() + "/", source + "/docs")) == outside;
    EXPECT_TRUE(linkKept) << "the link is kept among the versions";
    EXPECT_NE(two.err.find("symbolic link"), std::string::npos) << two.err;
    EXPECT_NE(log().find("symbolic link"), std::string::npos) << log();
}

} // namespace
} // namespace quillarc::e2e
