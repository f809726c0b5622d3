#include "cli/support/RunnerFolders.h"

#include "lists/ProgramConfig.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <sys/wait.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace quillarc::test {

namespace fs = std::filesystem;

RunnerFolders::RunnerFolders(const std::vector<std::string> &extensions)
{
    std::string pattern = (fs::temp_directory_path() / "quillarc-cli-XXXXXX").string();
    temp = ::mkdtemp(pattern.data());
    source = temp + "/source";
    medium = temp + "/medium/";
    program = temp + "/program/";
    fs::create_directories(source);
    fs::create_directories(medium);
    fs::create_directories(program);
    ProgramConfig config;
    config.drive = DriveRoot(medium);
    config.extensions = extensions;
    write(program + "config", configFileText(config));
}

RunnerFolders::~RunnerFolders()
{
    std::error_code error;
    fs::remove_all(temp, error);
}

void RunnerFolders::write(const std::string &path, const std::string &bytes, int secondsFromNow)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(secondsFromNow));
}

std::string RunnerFolders::read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void RunnerFolders::labelMedium(const std::string &label) const
{
    write(medium + ".quillarc-label", label + "\n");
}

void RunnerFolders::listFile(const std::string &label, const std::string &checked) const
{
    write(program + label + ".ini", source + "\r\n0/0/0 0:00\r\n0\r\nYes\r\n" + checked + "\r\n");
}

RunnerFolders::Run RunnerFolders::run(const std::string &extra, const std::string &prefix) const
{
    const std::string command =
        prefix + "'" + binary() + "' --program-folder '" + program + "' " + extra + " </dev/null 2>&1";
    Run result;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer {};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string RunnerFolders::binary()
{
    const std::string path = QUILLARC_BINARY_DIR "/bin/quillarc-pass";
    EXPECT_TRUE(fs::exists(path)) << "build the quillarc-pass target first";
    return path;
}

} // namespace quillarc::test
