#pragma once

#include "cli/PassOptions.h"
#include "engine/PassOutcome.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace quillarc {

/// quillarc-pass --status: per known disk (each label with a list file), its
/// last pass (date, ending, files copied and missed), whether a pass starts
/// when it is mounted, and its free space when last seen. The last pass is
/// the newer of the pass log's entry and the disk's status record; the free
/// space comes from the record. Returns the exit status.
int showDiskStatus(const PassOptions &options);

/// The text --status prints for the program folder (ends in '/').
std::string diskStatusText(const std::string &programFolder);
/// The lines for one disk, as --status and the window's label field tell.
std::string diskStatusLines(const std::string &programFolder, const std::string &label);

/// Keeps how a pass onto a disk went and the free space left, for --status.
/// Never fails the pass: a record that cannot be saved is said on stderr.
void recordPass(const std::string &programFolder, const PassOutcome &outcome, std::int64_t freeBytes,
                std::chrono::system_clock::time_point when);
/// The same for a pass run with `options`: its program folder, and the free
/// space of its drive now.
void recordPass(const PassOptions &options, const PassOutcome &outcome);

} // namespace quillarc
