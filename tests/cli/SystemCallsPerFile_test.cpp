#include <gtest/gtest.h>

#include "cli/support/RunnerFolders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

using Counts = std::map<std::string, double>;

// The calls of each kind in a summary that `strace -c` wrote.
Counts readSummary(const std::string &file)
{
    Counts counts;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;)
            fields.push_back(word);
        // "% time  seconds  usecs/call  calls  [errors]  syscall"
        if (fields.size() < 5 || fields.back() == "total" || fields.back() == "syscall" ||
            fields[0].find_first_not_of("0123456789.") != std::string::npos)
            continue;
        counts[fields.back()] += std::stod(fields[3]);
    }
    return counts;
}

double statCalls(Counts &counts)
{
    return counts["newfstatat"] + counts["fstat"] + counts["stat"] + counts["lstat"] + counts["statx"];
}

// A first pass costs the system no more per file than `cp -a` does: one
// look at each file while the tree is sized and one while it is copied, and
// what the copy itself needs; nothing per file that a pass or a folder can
// ask once (who the program runs as), the in-use test in one call per kind
// of lock, and the lists and attributes of a file only when it has some.
// Counted as the difference between a pass over 100 and over 400 files in
// the same folders, so that what a pass does once drops out.
class SystemCallsPerFileTest : public test::RunnerFolders {
protected:
    bool haveStrace() const { return std::system("strace -V >/dev/null 2>&1") == 0; }

    // File `i` of the tree, in one of three folders, one inside the other.
    std::string fileOf(int i) const
    {
        static const char *const kFolders[] = {"/one", "/one/two", "/one/two/three"};
        return source + kFolders[i % 3] + "/file" + std::to_string(i) + ".txt";
    }

    void addFiles(int from, int to) const
    {
        for (int i = from; i < to; ++i)
            write(fileOf(i), std::string(100 + i, 'x'));
    }

    // A first pass onto an empty medium, under strace. The medium keeps its
    // folder, so that every pass meets the disk's lock file as the one
    // before left it: a lock file made in one run and found in the other
    // would count as a call per pass.
    Counts firstPass(const std::string &summary)
    {
        fs::create_directories(medium);
        for (const auto &entry : fs::directory_iterator(medium))
            fs::remove_all(entry.path());
        labelMedium("CALLS");
        for (const auto &entry : fs::directory_iterator(program))
            if (entry.path().filename() != "config")
                fs::remove_all(entry.path());
        listFile("CALLS", "T");
        const Run pass = run({}, "strace -f -c -o '" + summary + "' ");
        EXPECT_EQ(pass.status, 0) << pass.output;
        return readSummary(summary);
    }
};

TEST_F(SystemCallsPerFileTest, AFirstPassCostsNoMorePerFileThanCpA)
{
    if (!haveStrace())
        GTEST_SKIP() << "needs strace";
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a sanitizer's runtime makes calls of its own";
#endif
    addFiles(0, 100);
    (void)firstPass(temp + "/unmeasured.txt");
    Counts small = firstPass(temp + "/small.txt");
    addFiles(100, 400);
    Counts large = firstPass(temp + "/large.txt");
    ASSERT_EQ(read(medium + source.substr(1) + "/one/two/three/file398.txt"), std::string(498, 'x'));

    const double files = 300;
    auto perFile = [&](const char *call) { return (large[call] - small[call]) / files; };
    EXPECT_LE((statCalls(large) - statCalls(small)) / files, 6.0) << "status looks per file";
    EXPECT_LE(perFile("openat"), 2.0) << "the source and its new copy";
    EXPECT_LE(perFile("geteuid"), 0.0) << "who the pass runs as is asked once";
    EXPECT_LE(perFile("flock"), 1.0) << "the in-use test";
    EXPECT_LE(perFile("fgetxattr") + perFile("fremovexattr") + perFile("flistxattr"), 2.0)
        << "lists and attributes of files that have none";

    // The same trees through cp -a.
    const std::string cpSmall = temp + "/cp-small.txt", cpLarge = temp + "/cp-large.txt";
    fs::remove_all(temp + "/copy");
    fs::create_directories(temp + "/copy");
    for (int i = 100; i < 400; ++i)
        fs::rename(fileOf(i), temp + "/copy/aside" + std::to_string(i));
    ASSERT_EQ(std::system(("strace -f -c -o '" + cpSmall + "' cp -a '" + source + "' '" + temp + "/cp1'").c_str()), 0);
    for (int i = 100; i < 400; ++i)
        fs::rename(temp + "/copy/aside" + std::to_string(i), fileOf(i));
    ASSERT_EQ(std::system(("strace -f -c -o '" + cpLarge + "' cp -a '" + source + "' '" + temp + "/cp2'").c_str()), 0);
    Counts cpA = readSummary(cpSmall), cpB = readSummary(cpLarge);
    auto total = [](Counts &counts) {
        double sum = 0;
        for (const auto &[name, calls] : counts)
            sum += calls;
        return sum;
    };
    // The pass keeps a catalogue that cp -a does not: its pages come to
    // about one write for every seven files (0.15 a file here), and the
    // disk's manifest, written beside the disk's copy of the catalogue on a
    // connection and a thread of its own, reads them back (one read for
    // every eighteen files, and a few calls for that thread's heap: 0.1 a
    // file in all); the rest of the margin is the threads' wake-ups, which
    // vary by a few hundredths from run to run.
    EXPECT_LE((total(large) - total(small)) / files, (total(cpB) - total(cpA)) / files + 0.35)
        << "all calls per file, the pass against cp -a";
}

} // namespace
} // namespace quillarc
