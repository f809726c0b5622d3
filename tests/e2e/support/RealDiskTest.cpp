#include "e2e/support/RealDiskTest.h"

#include "e2e/support/Shell.h"
#include "lists/ProgramConfig.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <unistd.h>

namespace quillarc::e2e {

namespace fs = std::filesystem;

namespace {

// This test process (each test runs in its own) gets mounts of its own; the
// passes it starts inherit them, and nothing is seen outside. Empty when
// done, else why not.
std::string privateMounts()
{
    static const std::string reason = []() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("no mount namespace of our own: ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("cannot make the mounts private: ") + std::strerror(errno);
        if (::mount("quillarc-media", "/media", "tmpfs", 0, "size=1m,mode=0755") != 0)
            return std::string("cannot mount a tmpfs over /media: ") + std::strerror(errno);
        return {};
    }();
    return reason;
}

} // namespace

void RealDiskTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "quillarc-e2e-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    temp = pattern;
    source = temp + "/source";
    program = temp + "/program/";
    fs::create_directories(source);
    fs::create_directories(program);
}

void RealDiskTest::TearDown()
{
    std::error_code ignored;
    fs::remove_all(temp, ignored);
}

std::string RealDiskTest::prepareDisks(DiskImage::Kind kind)
{
    std::string reason = DiskImage::cannotMount(kind);
    if (reason.empty())
        reason = privateMounts();
    if (!reason.empty())
        return reason;
    const struct passwd *user = ::getpwuid(passUser >= 0 ? static_cast<uid_t>(passUser) : ::geteuid());
    if (user == nullptr)
        return "no user name to make the automount folder /media/<user>/ from";
    automount = std::string("/media/") + user->pw_name + "/";
    fs::create_directories(automount);
    ProgramConfig config;
    config.drive = DriveRoot(automount);
    std::ofstream(program + "config", std::ios::binary) << configFileText(config);
    return {};
}

std::unique_ptr<DiskImage> RealDiskTest::makeDisk(DiskImage::Kind kind, int mebibytes, const std::string &label)
{
    auto disk = std::make_unique<DiskImage>(temp + "/" + label + ".img", kind, mebibytes, label);
    EXPECT_EQ(disk->error(), "");
    return disk->error().empty() ? std::move(disk) : nullptr;
}

bool RealDiskTest::insert(DiskImage &disk, const std::string &name, bool readOnly)
{
    const bool done = disk.mount(automount + name, readOnly, passUser);
    EXPECT_TRUE(done) << disk.error();
    return done;
}

void RealDiskTest::giveToPassUser() const
{
    if (passUser >= 0) {
        const std::string id = std::to_string(passUser);
        EXPECT_TRUE(sh("chown -R " + id + ":" + id + " " + quoted(temp)));
    }
}

std::string RealDiskTest::writeSource(const SourceFile &file) const
{
    const std::string path = source + "/" + file.relative;
    fs::create_directories(fs::path(path).parent_path());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << file.bytes;
    }
    ::chmod(path.c_str(), file.mode);
    struct timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 3600;
    times[1] = times[0];
    times[1].tv_nsec = 123456789 + static_cast<long>(file.relative.size()); // odd on purpose
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
}

void RealDiskTest::writeList(const std::string &label, const std::vector<std::string> &paths) const
{
    std::string text;
    for (const std::string &path : paths)
        text += path + "\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n";
    std::ofstream(program + label + ".ini", std::ios::binary | std::ios::trunc) << text;
}

bool RealDiskTest::cutOffMoved(const std::string &label) const
{
    return read(program + label + ".ini").find("0/0/0 0:00") == std::string::npos;
}

std::vector<std::string> RealDiskTest::command(const std::vector<std::string> &extra) const
{
    std::vector<std::string> argv;
    if (passUser >= 0) {
        const std::string id = std::to_string(passUser);
        argv = {"/usr/bin/setpriv", "--reuid=" + id, "--regid=" + id,
                passGroups.empty() ? std::string("--clear-groups") : "--groups=" + passGroups};
    }
    argv.insert(argv.end(), {QUILLARC_BINARY_DIR "/bin/quillarc-pass", "--program-folder", program});
    argv.insert(argv.end(), extra.begin(), extra.end());
    return argv;
}

std::unique_ptr<PassProcess> RealDiskTest::startPass(const std::vector<std::string> &extra)
{
    return std::make_unique<PassProcess>(command(extra), temp + "/pass" + std::to_string(++runs));
}

RealDiskTest::Ended RealDiskTest::runPass(const std::vector<std::string> &extra)
{
    auto pass = startPass(extra);
    const int status = pass->wait();
    return {status, pass->out(), pass->err()};
}

std::string RealDiskTest::copyOf(const std::string &diskRoot, const std::string &sourcePath) const
{
    return diskRoot + (diskRoot.back() == '/' ? "" : "/") + sourcePath.substr(1);
}

std::vector<std::string> RealDiskTest::everythingBelow(const std::string &root)
{
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error))
        names.push_back(fs::relative(it->path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string RealDiskTest::log() const
{
    return read(program + "quillarc.log");
}

std::string RealDiskTest::read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void RealDiskTest::expectSameFile(const std::string &sourcePath, const std::string &copy, Keeps keeps)
{
    SCOPED_TRACE(copy);
    struct stat from {};
    struct stat to {};
    ASSERT_EQ(::lstat(sourcePath.c_str(), &from), 0);
    ASSERT_EQ(::lstat(copy.c_str(), &to), 0) << "no copy";
    ASSERT_TRUE(S_ISREG(to.st_mode));
    EXPECT_TRUE(read(sourcePath) == read(copy)) << "the bytes differ";
    if (keeps == Keeps::Everything) {
        EXPECT_EQ(to.st_mtim.tv_sec, from.st_mtim.tv_sec);
        EXPECT_EQ(to.st_mtim.tv_nsec, from.st_mtim.tv_nsec);
        EXPECT_EQ(to.st_mode & 07777, from.st_mode & 07777);
        EXPECT_EQ(to.st_uid, from.st_uid);
        EXPECT_EQ(to.st_gid, from.st_gid);
    } else if (keeps == Keeps::BytesAndTwoSecondTimes) {
        EXPECT_EQ(to.st_mtim.tv_sec, from.st_mtim.tv_sec - (from.st_mtim.tv_sec % 2));
    }
}

void RealDiskTest::expectReported(const Ended &pass, const std::string &path) const
{
    EXPECT_NE(pass.err.find("missed: " + path + ": "), std::string::npos) << pass.err;
    EXPECT_NE(log().find("  missed " + path + "  ("), std::string::npos) << log();
}

} // namespace quillarc::e2e
