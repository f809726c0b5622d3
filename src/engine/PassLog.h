#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "engine/PassOutcome.h"

namespace quillarc {

/// The pass log, "quillarc.log" in the program folder: after every pass a
/// header line (local time, label, ending, files copied, files missed) and
/// one line per missed file or folder with its cause. Kept to about 1 MiB:
/// a log that has grown past it is renamed "quillarc.log.1" (replacing the
/// older one) before the next pass is added.
/// A moment as the pass log writes it: local time with its offset.
std::string passLogTime(std::chrono::system_clock::time_point when);

class PassLog {
public:
    static constexpr const char *kFileName = "quillarc.log";
    static constexpr std::int64_t kRotateBytes = std::int64_t {1} << 20;

    /// `programFolder` ends in '/'.
    explicit PassLog(const std::string &programFolder);

    const std::string &path() const { return m_path; }

    /// Appends the pass; false with `error` set when the log could not be
    /// written. Never throws: a log is no reason to fail a pass.
    bool append(const PassOutcome &outcome, std::chrono::system_clock::time_point when, std::string &error) const;

    /// The lines of one pass as append() writes them. Control characters
    /// in paths and causes are written as \\xHH, so every entry stays one
    /// line.
    static std::string entry(const PassOutcome &outcome, std::chrono::system_clock::time_point when);

private:
    std::string m_path;
};

} // namespace quillarc
