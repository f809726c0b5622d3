#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillarc::test {

/// The real folders a run of quillarc-pass works on: a source tree, a
/// folder medium (a folder holding ".quillarc-label") and a program folder
/// whose config names the medium as the backup drive.
class RunnerFolders : public ::testing::Test {
protected:
    explicit RunnerFolders(const std::vector<std::string> &extensions = {});
    ~RunnerFolders() override;

    /// Writes a file (parents created), last changed `secondsFromNow`.
    static void write(const std::string &path, const std::string &bytes, int secondsFromNow = -3600);
    static std::string read(const std::string &path);
    void labelMedium(const std::string &label) const;
    /// The disk list file of `label`: the source tree with sub-folders, no
    /// cut-off, checked as `checked` says ("T" or anything else).
    void listFile(const std::string &label, const std::string &checked = "T") const;
    /// The built program.
    static std::string binary();

    struct Run {
        int status = -1;
        std::string output;
    };
    /// Runs the built program on these folders with `extra` arguments,
    /// standard input from /dev/null and both outputs into one pipe;
    /// `prefix` goes before the command (an environment, a limit).
    Run run(const std::string &extra = {}, const std::string &prefix = {}) const;

    std::string temp, source, medium, program;
};

} // namespace quillarc::test
