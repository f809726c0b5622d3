#include "engine/DiskItself.h"

#include <climits>
#include <cstdlib>
#include <memory>

namespace quillarc {

namespace {

struct FreeDeleter {
    void operator()(char *text) const { std::free(text); } // NOLINT(cppcoreguidelines-no-malloc): realpath's buffer
};

std::string resolved(const std::string &path)
{
    const std::unique_ptr<char, FreeDeleter> text(::realpath(path.c_str(), nullptr));
    return text ? std::string(text.get()) : std::string();
}

} // namespace

bool liesOnBackupDisk(const std::string &path, const std::string &mediumRoot)
{
    if (path.empty() || mediumRoot.empty())
        return false;
    const std::string item = resolved(path);
    std::string disk = resolved(mediumRoot);
    if (item.empty() || disk.empty())
        return false;
    if (disk.back() != '/')
        disk += '/';
    return (item + "/").compare(0, disk.size(), disk) == 0;
}

} // namespace quillarc
