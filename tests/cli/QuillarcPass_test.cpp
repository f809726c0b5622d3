#include <gtest/gtest.h>

#include "cli/support/RunnerFolders.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

// Runs the built quillarc-pass on real folders: a source tree, a folder
// medium (a folder holding ".quillarc-label") and a program folder.
class QuillarcPassTest : public test::RunnerFolders {
protected:
    QuillarcPassTest() : RunnerFolders({".tmp"}) {}
};

TEST_F(QuillarcPassTest, BacksUpATreeThenOnlyWhatChanged)
{
    write(source + "/a.txt", "alpha");
    write(source + "/deep/er/b.txt", "beta");
    write(source + "/skip.tmp", "excluded by the config's extension list");
    labelMedium("CLI1");
    listFile("CLI1", "T");
    // A file whose status changed within two seconds before a pass is copied
    // again by the next one; the first pass starts after that.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));

    Run first = run();
    EXPECT_EQ(first.status, 0) << first.output;
    EXPECT_NE(first.output.find("Complete...  2 Files Found and Backed Up\nFolder Scan Complete...\n"),
              std::string::npos)
        << first.output;
    EXPECT_EQ(read(medium + source.substr(1) + "/deep/er/b.txt"), "beta");
    EXPECT_FALSE(fs::exists(medium + source.substr(1) + "/skip.tmp"));
    const std::string saved = read(program + "CLI1.ini");
    EXPECT_EQ(saved.find("0/0/0 0:00"), std::string::npos) << "the cut-off moved: " << saved;

    write(source + "/deep/er/b.txt", "beta, changed", 5);
    write(source + "/new.txt", "new", 5);
    Run second = run();
    EXPECT_EQ(second.status, 0) << second.output;
    EXPECT_NE(second.output.find("Complete...  2 Files Found and Backed Up"), std::string::npos) << second.output;
    EXPECT_EQ(read(medium + source.substr(1) + "/deep/er/b.txt"), "beta, changed");
    EXPECT_EQ(read(medium + source.substr(1) + "/new.txt"), "new");
}

TEST_F(QuillarcPassTest, RefusesWithTheProgramsMessages)
{
    write(source + "/a.txt", "alpha");
    EXPECT_EQ(run("--drive " + temp + "/nowhere/").status, 2);

    Run unlabelled = run();
    EXPECT_EQ(unlabelled.status, 2);
    EXPECT_NE(unlabelled.output.find("DISK HAS NO VOLUME LABEL"), std::string::npos) << unlabelled.output;

    labelMedium("CLI2");
    Run unknown = run();
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("UNKNOWN DISK - ADD FILES OR FOLDERS"), std::string::npos) << unknown.output;

    listFile("CLI2", "F");
    Run unchecked = run();
    EXPECT_EQ(unchecked.status, 2);
    EXPECT_NE(unchecked.output.find("NO ITEMS HAVE BEEN CHECKMARKED ON THE BACKUP LIST."), std::string::npos)
        << unchecked.output;
    EXPECT_FALSE(fs::exists(medium + source.substr(1)));

    EXPECT_EQ(run("--no-such-option").status, 2);
}

// Ctrl-C, SIGTERM (a scheduler stopping the job) and SIGHUP (the terminal
// gone) act as ABORT: the file in hand is finished, nothing more is copied,
// the cut-off stays, no part-written copy is left, and the pass still ends
// with its status lines and list save.
TEST_F(QuillarcPassTest, SignalsAbortThePass)
{
    const int count = 4000;
    for (int i = 0; i < count; ++i)
        write(source + "/f" + std::to_string(i / 100) + "/" + std::to_string(i), std::string(2048, 'x'));
    labelMedium("CLI3");
    const std::string copies = medium + source.substr(1);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        fs::remove_all(copies);
        listFile("CLI3", "T");
        const std::string output = temp + "/output";
        const std::string runner = binary();
        const pid_t child = ::fork();
        if (child == 0) {
            const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int in = ::open("/dev/null", O_RDONLY);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::dup2(in, 0);
            ::execl(runner.c_str(), runner.c_str(), "--program-folder", program.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        // The handler is in place before the first copy is made.
        bool started = false;
        for (int wait = 0; wait < 20000 && !started; ++wait) {
            started = fs::exists(copies);
            if (!started)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(started);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal instead of aborting";
        EXPECT_EQ(WEXITSTATUS(status), 1);
        const std::string text = read(output);
        EXPECT_NE(text.find("Aborted...  \nFolder Scan Aborted...\n"), std::string::npos) << text;
        std::size_t copied = 0;
        for (auto it = fs::recursive_directory_iterator(copies); it != fs::recursive_directory_iterator(); ++it) {
            copied += it->is_regular_file() ? 1 : 0;
            EXPECT_NE(it->path().filename().string().rfind(".quillarc-part-", 0), 0u) << it->path();
        }
        EXPECT_LT(copied, static_cast<std::size_t>(count));
        EXPECT_NE(read(program + "CLI3.ini").find("0/0/0 0:00"), std::string::npos) << "the cut-off stays";
        EXPECT_NE(read(program + "quillarc.log").find("aborted"), std::string::npos);
    }
}

// One pass over a tree with several kinds of trouble at once: a file
// another program holds locked, a folder that cannot be listed, a folder
// whose entries cannot be looked at, an older copy of another kind in the
// way, hidden files. Every copyable file lands on the disk, every other one
// is named on standard error and in the pass log, and the run fails; once
// the trouble is gone the next pass copies exactly what was missing and
// succeeds.
TEST_F(QuillarcPassTest, EveryKindOfTroubleIsNamedAndCopiedOnceGone)
{
    write(source + "/plain.txt", "plain");
    write(source + "/.ssh/id", "key");
    write(source + "/locked.db", "locked");
    write(source + "/private/secret.txt", "secret");
    write(source + "/listonly/x.txt", "x");
    write(source + "/kind", "now a file");
    write(medium + source.substr(1) + "/kind/old.txt", "the copy of a folder that was");
    labelMedium("MISS1");
    listFile("MISS1", "T");
    const int lock = ::open((source + "/locked.db").c_str(), O_RDONLY);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    ::chmod((source + "/private").c_str(), 0);
    ::chmod((source + "/listonly").c_str(), 0444);
    // Root reads any folder; without these two capabilities the permission
    // bits count for root too.
    const std::string asUser = ::geteuid() == 0 ? "setpriv --bounding-set -dac_override,-dac_read_search " : "";

    const Run first = run({}, asUser);
    EXPECT_EQ(first.status, 1) << first.output;
    const std::string log = read(program + "quillarc.log");
    for (const std::string &missed :
         {source + "/locked.db: in use by another program", source + "/private: cannot be read: Permission denied",
          source + "/listonly/x.txt: cannot be read: Permission denied"}) {
        EXPECT_NE(first.output.find("missed: " + missed), std::string::npos) << first.output;
        const std::size_t colon = missed.find(": ");
        EXPECT_NE(log.find("  missed " + missed.substr(0, colon) + "  (" + missed.substr(colon + 2)), std::string::npos)
            << log;
    }
    EXPECT_NE(first.output.find("Complete...  3 Files Found and Backed Up"), std::string::npos) << first.output;
    EXPECT_NE(log.find("label \"MISS1\"  complete  3 copied  3 missed"), std::string::npos) << log;
    EXPECT_NE(log.find("an older copy, a folder, was in the way and was kept as a version: .quillarc/versions/"),
              std::string::npos)
        << log;
    EXPECT_EQ(read(medium + source.substr(1) + "/.ssh/id"), "key");
    EXPECT_EQ(read(medium + source.substr(1) + "/kind"), "now a file");
    const Run kept = run("--versions '" + source + "/kind'");
    EXPECT_EQ(kept.status, 0) << kept.output;
    EXPECT_NE(kept.output.find("/kind/old.txt"), std::string::npos) << kept.output;
    EXPECT_FALSE(fs::exists(medium + source.substr(1) + "/locked.db"));

    ::close(lock);
    ::chmod((source + "/private").c_str(), 0755);
    ::chmod((source + "/listonly").c_str(), 0755);
    const Run second = run({}, asUser);
    EXPECT_EQ(second.status, 0) << second.output;
    EXPECT_NE(second.output.find("Complete...  3 Files Found and Backed Up"), std::string::npos) << second.output;
    EXPECT_EQ(read(medium + source.substr(1) + "/locked.db"), "locked");
    EXPECT_EQ(read(medium + source.substr(1) + "/private/secret.txt"), "secret");
    EXPECT_EQ(read(medium + source.substr(1) + "/listonly/x.txt"), "x");
    EXPECT_NE(read(program + "quillarc.log").find("complete  3 copied  0 missed"), std::string::npos);
    EXPECT_EQ(run().status, 0) << "nothing left to copy";
}

// A file name holding line breaks or terminal escapes cannot forge lines
// in cron mail or the journal: the runner's stderr escapes it as the pass
// log does. An item whose folder is not there fails the run.
TEST_F(QuillarcPassTest, NamesCannotForgeLinesAndAMissingItemFailsTheRun)
{
    const std::string evil = source + "/evil\nmissed: forged\r\x1b[2J";
    write(evil, "e");
    labelMedium("ESC1");
    listFile("ESC1", "T");
    {
        std::ofstream out(program + "ESC1.ini", std::ios::binary | std::ios::app);
        out << temp << "/unplugged\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n";
    }
    const int lock = ::open(evil.c_str(), O_RDONLY);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const Run result = run();
    ::close(lock);

    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_EQ(result.output.find("\nmissed: forged"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("evil\\x0Amissed: forged\\x0D\\x1B[2J: in use"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("missed: " + temp + "/unplugged: the folder is not there"), std::string::npos)
        << result.output;
    EXPECT_NE(read(program + "ESC1.ini").find(temp + "/unplugged\r\n"), std::string::npos) << "the item stays";
}

TEST_F(QuillarcPassTest, DryRunSizesWithoutCopyingOrSaving)
{
    write(source + "/a.txt", std::string(100, 'a'));
    write(source + "/sub/b.txt", std::string(50, 'b'));
    write(source + "/skip.tmp", "excluded");
    labelMedium("DRY1");
    listFile("DRY1", "T");
    const std::string listBefore = read(program + "DRY1.ini");

    const Run dry = run("--dry-run");
    EXPECT_EQ(dry.status, 0) << dry.output;
    EXPECT_NE(dry.output.find(source + ": 2 files, 150 bytes\n"), std::string::npos) << dry.output;
    EXPECT_NE(dry.output.find("Would copy 2 files, 150 bytes. Nothing was copied or saved."), std::string::npos)
        << dry.output;
    EXPECT_FALSE(fs::exists(medium + source.substr(1)));
    EXPECT_EQ(read(program + "DRY1.ini"), listBefore);
    EXPECT_FALSE(fs::exists(program + "quillarc.log"));
}

// The dry run sizes as the pass does: a copy that is current already needs
// no room, so a list whose cut-off was set back asks for nothing.
TEST_F(QuillarcPassTest, DryRunLeavesOutWhatIsOnTheDiskAlready)
{
    write(source + "/a.txt", std::string(100, 'a'));
    write(source + "/b.txt", std::string(50, 'b'));
    labelMedium("DRY2");
    listFile("DRY2", "T");
    ASSERT_EQ(run().status, 0);
    listFile("DRY2", "T"); // the cut-off set back: both files qualify again
    write(source + "/b.txt", std::string(60, 'c'));

    const Run dry = run("--dry-run");
    EXPECT_EQ(dry.status, 0) << dry.output;
    EXPECT_NE(dry.output.find(source + ": 1 files, 60 bytes\n"), std::string::npos) << dry.output;
}

// A copy a pass replaces is kept as a version: --versions lists it with its
// date and size, and a plain cp of the place it names gets it back.
TEST_F(QuillarcPassTest, VersionsListsTheCopiesAPassReplaced)
{
    write(source + "/doc.txt", "the good text");
    labelMedium("VER1");
    listFile("VER1", "T");
    ASSERT_EQ(run().status, 0);
    write(source + "/doc.txt", "overwritten by mistake", 0);
    ASSERT_EQ(run().status, 0);
    EXPECT_EQ(read(medium + source.substr(1) + "/doc.txt"), "overwritten by mistake");

    const Run listed = run("--versions '" + source + "/doc.txt'");
    EXPECT_EQ(listed.status, 0) << listed.output;
    const std::string marker = medium + ".quillarc/versions/";
    const std::size_t at = listed.output.find(marker);
    ASSERT_NE(at, std::string::npos) << listed.output;
    const std::string place = listed.output.substr(at, listed.output.find('\n', at) - at);
    EXPECT_NE(listed.output.find("  13  "), std::string::npos) << "its size: " << listed.output;
    EXPECT_EQ(read(place), "the good text");

    const Run none = run("--versions '" + source + "/never.txt'");
    EXPECT_EQ(none.status, 1) << none.output;
    EXPECT_NE(none.output.find("No versions of " + source + "/never.txt"), std::string::npos) << none.output;
    EXPECT_EQ(run("--versions relative/path").status, 2);
}

// Output that cannot be written (a full disk, a closed pipe) is a failure:
// a scheduler must not take the run for a success nobody could read.
TEST_F(QuillarcPassTest, LostOutputFailsTheRun)
{
    write(source + "/a.txt", "alpha");
    labelMedium("OUT1");
    listFile("OUT1", "T");
    const std::string command =
        "'" + binary() + "' --program-folder '" + program + "' </dev/null >/dev/full 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(read(medium + source.substr(1) + "/a.txt"), "alpha");
}

// Refusals say which path is wrong and how, and a value echoed from a
// broken config file is cut to a readable length.
TEST_F(QuillarcPassTest, RefusalsNameThePathAndWhatIsWrong)
{
    labelMedium("REF1");
    listFile("REF1", "T");
    struct Case {
        std::string options;
        std::string config; ///< replaces the config file when not empty
        std::string expected;
    };
    const std::string config = read(program + "config");
    const std::string noSlash = medium.substr(0, medium.size() - 1);
    const std::string longNumber(100000, '7');
    const std::vector<Case> cases = {
        {"--drive " + temp + "/nowhere", {}, "the backup drive " + temp + "/nowhere/ does not exist"},
        {"--program-folder " + temp + "/missing", {}, "the program folder " + temp + "/missing/ does not exist"},
        {"--drive relative/disk",
         {},
         "the backup drive relative/disk/ given by --drive is not an absolute folder path"},
        {{},
         noSlash + config.substr(config.find("\r\n")),
         "\"" + noSlash + "\" in " + program + "config is not a folder path ending in \"/\""},
        {{},
         config.substr(0, config.find("\r\n")) + "\r\n" + longNumber +
             config.substr(config.find("\r\n", config.find("\r\n") + 2)),
         "characters left out"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        write(program + "config", c.config.empty() ? config : c.config);
        const Run refused = run(c.options);
        EXPECT_EQ(refused.status, 2) << refused.output;
        EXPECT_NE(refused.output.find(c.expected), std::string::npos) << refused.output.substr(0, 2000);
        EXPECT_LT(refused.output.size(), 2000u);
    }
}

} // namespace
} // namespace quillarc
