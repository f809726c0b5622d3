#pragma once

#include <string>
#include <vector>

namespace quillarc {

/// What is known of a disk without the disk: its last pass, whether a pass
/// starts when it is mounted, and its free space when last seen. The last
/// pass is the newer of the pass log's last entry for the label (the log and
/// the one before it, `logPath` and `logPath`.1) and the disk's status
/// record; free space comes from the record.
///
/// Three lines, each starting with two blanks:
///   last pass: 2026-12-10 21:17:14 +0100, complete, 12 copied, 0 missed
///   backed up when mounted: yes
///   free space when last seen: 1234567 bytes (1.2 MB)
std::string diskStatusLines(const std::string &programFolder, const std::string &label, const std::string &logPath);

/// The labels of the disk list files in the program folder, sorted.
std::vector<std::string> knownLabels(const std::string &programFolder);

/// The label a disk list file name stands for (diskListFileName undone);
/// empty for a name that is no list file.
std::string labelOfListFileName(const std::string &name);

} // namespace quillarc
