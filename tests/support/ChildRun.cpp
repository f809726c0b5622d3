#include "support/ChildRun.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace quillarc::test {

bool ChildResult::passed() const
{
    return exitCode == 0 && output.find("[  PASSED  ] 1 test") != std::string::npos;
}

bool ChildResult::skipped() const
{
    return output.find("[  SKIPPED ] 1 test") != std::string::npos;
}

namespace {

// In a forked child: the environment set, then the program; never returns.
[[noreturn]] void execInChild(const std::string &program, const std::vector<std::string> &args,
                              const std::map<std::string, std::string> &env)
{
    for (const auto &[name, value] : env)
        ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const auto &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

} // namespace

std::string selfPath()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

ChildResult runProgram(const std::string &program, const std::vector<std::string> &args,
                       const std::map<std::string, std::string> &env, std::chrono::milliseconds limit)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        execInChild(program, args, env);
    }
    ::close(pipeFds[1]);
    ChildResult result;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool open = true;
    while (open) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd pfd {pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got > 0)
            result.output.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            open = false;
    }
    ::close(pipeFds[0]);
    int status = 0;
    // The pipe closes when the child ends, or a grandchild may still hold it:
    // wait a bounded time for the child itself, then kill it.
    for (int i = 0; i < 200; ++i) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status))
                result.exitCode = WEXITSTATUS(status);
            return result;
        }
        ::usleep(10000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    result.timedOut = true;
    return result;
}

namespace {

constexpr const char *kChildVariable = "QUILLARC_TEST_CHILD";

std::map<std::string, ChildBody> &children()
{
    static std::map<std::string, ChildBody> registered;
    return registered;
}

// The body, run as the one test of the child copy, so that GoogleTest's
// checks and its "[  PASSED  ] 1 test" line work there as anywhere.
class ChildTest : public ::testing::Test {
public:
    explicit ChildTest(ChildBody body) : body_(body) {}
    void TestBody() override { body_(); }

private:
    ChildBody body_;
};

} // namespace

bool registerChild(const char *name, ChildBody body)
{
    children()[name] = body;
    return true;
}

std::map<std::string, std::string> childEnvironment(const std::string &name, std::map<std::string, std::string> env)
{
    env[kChildVariable] = name;
    return env;
}

ChildResult runChild(const std::string &name, const std::map<std::string, std::string> &env,
                     std::chrono::milliseconds limit, const std::string &program)
{
    return runProgram(program, {}, childEnvironment(name, env), limit);
}

int testMain(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const char *child = std::getenv(kChildVariable);
    if (child == nullptr || *child == '\0')
        return RUN_ALL_TESTS();
    // A child copy: only its body is a test, and its own children are not
    // started by the same variable.
    const std::string name = child;
    ::unsetenv(kChildVariable);
    const auto found = children().find(name);
    if (found == children().end()) {
        std::fprintf(stderr, "no test child named %s\n", name.c_str());
        return 2;
    }
    const ChildBody body = found->second;
    ::testing::RegisterTest("Child", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                            [body]() -> ::testing::Test * { return new ChildTest(body); });
    ::testing::GTEST_FLAG(filter) = "Child." + name;
    return RUN_ALL_TESTS();
}

Spawned::Spawned(const std::string &program, const std::vector<std::string> &args,
                 const std::map<std::string, std::string> &env)
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/quillarc-child-XXXXXX";
    const int out = ::mkstemp(pattern.data());
    if (out < 0)
        throw std::runtime_error("mkstemp failed");
    m_outputPath = pattern;
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
        execInChild(program, args, env);
    }
    ::close(out);
    m_pid = pid;
}

Spawned::~Spawned()
{
    kill();
    ::unlink(m_outputPath.c_str());
}

void Spawned::kill()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

int Spawned::wait(std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        ::usleep(10000);
    }
    kill();
    return -1;
}

std::string Spawned::output() const
{
    return readFile(m_outputPath);
}

bool waitForFile(const std::string &path, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::access(path.c_str(), F_OK) == 0)
            return true;
        ::usleep(10000);
    }
    return ::access(path.c_str(), F_OK) == 0;
}

void writeFile(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace quillarc::test
