#pragma once

#include <string>

namespace quillarc::e2e {

/// Runs a shell command line; true when it exited 0. What it printed goes
/// to `output` when given, else nowhere.
bool sh(const std::string &command, std::string *output = nullptr);

/// A word quoted for the shell.
std::string quoted(const std::string &word);

/// True when /proc/filesystems lists `type`.
bool kernelKnows(const std::string &type);

} // namespace quillarc::e2e
