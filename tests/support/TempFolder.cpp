#include "support/TempFolder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace quillarc::test {

TempFolder::TempFolder(const std::string &parent)
{
    const char *base = std::getenv("TMPDIR");
    const std::string under = !parent.empty() ? parent : (base != nullptr && *base != '\0' ? base : "/tmp");
    std::string pattern = under + "/quillarc-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = std::string(buffer.data()) + "/";
}

TempFolder::~TempFolder()
{
    // Folders a test made unreadable must not keep the tree from going.
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         !ignored && it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    ignored.clear();
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void TempFolder::write(const std::string &name, const std::string &bytes) const
{
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file(name));
}

std::string TempFolder::read(const std::string &name) const
{
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool TempFolder::exists(const std::string &name) const
{
    struct stat info {};
    return ::lstat(file(name).c_str(), &info) == 0;
}

std::size_t TempFolder::entryCount() const
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(path_))
        ++count;
    return count;
}

} // namespace quillarc::test
