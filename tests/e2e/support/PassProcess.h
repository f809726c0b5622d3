#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillarc::e2e {

/// quillarc-pass run without a terminal, as cron or a systemd timer runs
/// it: standard input /dev/null, standard output and error kept apart.
class PassProcess {
public:
    /// Starts `argv`; outputs go to files named after `outputStem`.
    PassProcess(const std::vector<std::string> &argv, const std::string &outputStem,
                const std::vector<std::string> &environment = {});
    ~PassProcess();
    PassProcess(const PassProcess &) = delete;
    PassProcess &operator=(const PassProcess &) = delete;

    pid_t pid() const { return m_pid; }
    /// The exit status; -1 when it ended by a signal or did not end in time
    /// (it is then killed).
    int wait(std::chrono::seconds limit = std::chrono::seconds(20));
    std::string out() const;
    std::string err() const;

private:
    pid_t m_pid = -1;
    int m_status = -1;
    std::string m_stem;
};

} // namespace quillarc::e2e
