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
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

// Runs the built quillarc-pass on real folders: a source tree, a folder
// medium (a folder holding ".quillarc-label") and a program folder.
class QuillarcPassTest : public test::RunnerFolders {
protected:
    QuillarcPassTest() : RunnerFolders({".tmp"}) {}

    struct Run {
        int status = -1;
        std::string output;
    };
    Run run(const std::string &extra = {})
    {
        const std::string command = "'" + binary() + "' --program-folder '" + program + "' " + extra + " </dev/null 2>&1";
        Run result;
        FILE *pipe = ::popen(command.c_str(), "r");
        if (!pipe)
            return result;
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            result.output.append(buffer.data(), n);
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

};

TEST_F(QuillarcPassTest, BacksUpATreeThenOnlyWhatChanged)
{
    write(source + "/a.txt", "alpha");
    write(source + "/deep/er/b.txt", "beta");
    write(source + "/skip.tmp", "excluded by the config's extension list");
    labelMedium("CLI1");
    listFile("CLI1", "T");

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

// Ctrl-C acts as ABORT: the file in hand is finished, nothing more is
// copied, the cut-off stays, and the pass still ends with its status lines.
TEST_F(QuillarcPassTest, InterruptAbortsThePass)
{
    const int count = 4000;
    for (int i = 0; i < count; ++i)
        write(source + "/f" + std::to_string(i / 100) + "/" + std::to_string(i), std::string(2048, 'x'));
    labelMedium("CLI3");
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
    const std::string copies = medium + source.substr(1);
    bool started = false;
    for (int wait = 0; wait < 20000 && !started; ++wait) {
        started = fs::exists(copies);
        if (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal instead of aborting";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string text = read(output);
    EXPECT_NE(text.find("Aborted...  \nFolder Scan Aborted...\n"), std::string::npos) << text;
    std::size_t copied = 0;
    for (auto it = fs::recursive_directory_iterator(copies); it != fs::recursive_directory_iterator(); ++it)
        copied += it->is_regular_file() ? 1 : 0;
    EXPECT_LT(copied, static_cast<std::size_t>(count));
    EXPECT_NE(read(program + "CLI3.ini").find("0/0/0 0:00"), std::string::npos) << "the cut-off stays";
}

} // namespace
} // namespace quillarc
