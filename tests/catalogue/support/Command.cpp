#include "catalogue/support/Command.h"

#include <cstdio>
#include <sys/wait.h>

namespace quillarc::test {

CommandResult runCommand(const std::string &line, const std::string &folder)
{
    const std::string full = folder.empty() ? line : "cd " + shellQuoted(folder) + " && " + line;
    CommandResult result;
    FILE *pipe = ::popen(full.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, got);
    const int status = ::pclose(pipe);
    if (status != -1 && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

std::string shellQuoted(const std::string &word)
{
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace quillarc::test
