#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillarc::test {

/// A program run on a pseudo-terminal of its own, as a user would run it
/// from a shell: standard input, output and error are the terminal, which
/// echoes what is typed, and ^C raises SIGINT. Every wait is bounded; a
/// program still running at the end is killed.
class PtyProcess {
public:
    PtyProcess() = default;
    ~PtyProcess();
    PtyProcess(const PtyProcess &) = delete;
    PtyProcess &operator=(const PtyProcess &) = delete;

    /// Starts `argv[0]` on a terminal `columns` wide. False when no
    /// pseudo-terminal could be had.
    bool start(const std::vector<std::string> &argv, unsigned short columns = 80);

    /// Reads until `text` appears after the end of the last text waited for;
    /// false when it did not come in time or the program ended first.
    bool waitFor(const std::string &text, std::chrono::milliseconds timeout = std::chrono::seconds(60));

    /// Types `keys` on the terminal.
    void type(const std::string &keys);

    /// Reads everything until the program ends and returns its exit status;
    /// -1 when it did not end in time (it is then killed) or ended by a signal.
    int finish(std::chrono::milliseconds timeout = std::chrono::seconds(60));

    /// Everything the program wrote, with the terminal's carriage returns
    /// taken out, so that lines end in '\n' as the program wrote them.
    const std::string &output() const { return text; }
    /// Everything as it came from the terminal.
    const std::string &raw() const { return bytes; }

private:
    /// Reads what is there within `timeout`; false at the end of the output.
    bool readSome(std::chrono::milliseconds timeout);

    int master = -1;
    pid_t child = -1;
    bool ended = false;
    std::string bytes;
    std::string text;
    std::size_t waited = 0;
};

} // namespace quillarc::test
