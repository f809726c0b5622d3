#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace quillarc::testing {

/// What a child process left behind.
struct ChildResult {
    int exitCode = -1;      ///< -1 when it was killed by a signal or the time ran out
    bool timedOut = false;
    std::string output;     ///< stdout and stderr together

    bool passed() const;    ///< exit 0 and GoogleTest reported the one test as passed
    bool skipped() const;   ///< GoogleTest reported the test as skipped
};

/// Path of the running test binary.
std::string selfPath();

/// Runs a program with extra environment variables, capturing its output and
/// killing it when it runs longer than the limit.
ChildResult runProgram(const std::string &program, const std::vector<std::string> &args,
                       const std::map<std::string, std::string> &env, std::chrono::milliseconds limit);

/// Runs one disabled test of this very test binary in a child process; such
/// tests do what the parent must not (enter a mount namespace, exit early).
ChildResult runChildTest(const std::string &disabledTestName, const std::map<std::string, std::string> &env,
                         std::chrono::milliseconds limit, const std::string &program = selfPath());

/// A child process running on its own; killed when the object goes.
class Spawned {
public:
    Spawned(const std::string &program, const std::vector<std::string> &args,
            const std::map<std::string, std::string> &env);
    ~Spawned();
    Spawned(const Spawned &) = delete;
    Spawned &operator=(const Spawned &) = delete;

    /// Waits for the end; the exit code, or -1 after a signal or when the
    /// time ran out (the child is then killed).
    int wait(std::chrono::milliseconds limit);
    void kill();
    std::string output() const;

private:
    int m_pid = -1;
    std::string m_outputPath;
};

/// Waits until a file exists, at most limit.
bool waitForFile(const std::string &path, std::chrono::milliseconds limit);

/// A fresh temporary folder, removed with the object.
class TempDir {
public:
    explicit TempDir(const std::string &parent = "");
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return m_path; }
    std::string operator/(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

/// Writes a whole file, creating it; throws on failure.
void writeFile(const std::string &path, const std::string &content);
std::string readFile(const std::string &path);

} // namespace quillarc::testing
