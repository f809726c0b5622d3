#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace quillarc::test {

/// What a child process left behind.
struct ChildResult {
    int exitCode = -1; ///< -1 when it was killed by a signal or the time ran out
    bool timedOut = false;
    std::string output; ///< stdout and stderr together

    bool passed() const;  ///< exit 0 and GoogleTest reported the one test as passed
    bool skipped() const; ///< GoogleTest reported the test as skipped
};

/// Path of the running test binary.
std::string selfPath();

/// Runs a program with extra environment variables, capturing its output and
/// killing it when it runs longer than the limit.
ChildResult runProgram(const std::string &program, const std::vector<std::string> &args,
                       const std::map<std::string, std::string> &env, std::chrono::milliseconds limit);

/// A body that runs only in a child copy of the test binary: it does what
/// the test process itself must not (enter a mount namespace, exit early).
/// GoogleTest's checks work in it. Defined with QUILLARC_TEST_CHILD.
using ChildBody = void (*)();
bool registerChild(const char *name, ChildBody body);

/// Starts this very test binary as a child running only the body `name`.
ChildResult runChild(const std::string &name, const std::map<std::string, std::string> &env,
                     std::chrono::milliseconds limit, const std::string &program = selfPath());
/// The arguments and environment that make a copy of the test binary run
/// the body `name` (for a child started by other means, e.g. Spawned).
std::map<std::string, std::string> childEnvironment(const std::string &name,
                                                    std::map<std::string, std::string> env = {});

/// main() of every test binary: GoogleTest as usual, or, in a child copy,
/// the one body it was started for.
int testMain(int argc, char **argv);

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

/// Writes a whole file, creating it; throws on failure.
void writeFile(const std::string &path, const std::string &content);
std::string readFile(const std::string &path);

} // namespace quillarc::test

/// Defines a body for a child copy of the test binary (see runChild).
#define QUILLARC_TEST_CHILD(name)                                                                                      \
    static void name();                                                                                                \
    [[maybe_unused]] static const bool name##Registered = ::quillarc::test::registerChild(#name, &name);               \
    static void name()
