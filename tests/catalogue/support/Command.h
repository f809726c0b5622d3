#pragma once

#include <string>

namespace quillarc::test {

/// What a shell command line printed on standard output, and how it ended.
struct CommandResult {
    int status = -1; ///< exit status; -1 when it did not exit normally
    std::string out;
};

/// Runs `line` with /bin/sh in `folder` (the current one when empty).
CommandResult runCommand(const std::string &line, const std::string &folder = {});

/// A word quoted for the shell.
std::string shellQuoted(const std::string &word);

} // namespace quillarc::test
