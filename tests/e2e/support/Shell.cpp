#include "e2e/support/Shell.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>

namespace quillarc::e2e {

bool sh(const std::string &command, std::string *output)
{
    FILE *pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return false;
    std::array<char, 4096> buffer {};
    std::size_t n = 0;
    std::string text;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        text.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string quoted(const std::string &word)
{
    std::string out = "'";
    for (const char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool kernelKnows(const std::string &type)
{
    std::ifstream filesystems("/proc/filesystems");
    std::string line;
    while (std::getline(filesystems, line)) {
        const std::size_t tab = line.rfind('\t');
        if (line.substr(tab == std::string::npos ? 0 : tab + 1) == type)
            return true;
    }
    return false;
}

} // namespace quillarc::e2e
