#include "base/FolderListing.h"

#include <cerrno>
#include <cstring>

namespace quillarc {

FolderListing::FolderListing(const std::string &path) : m_dir(::opendir(path.c_str()))
{
    if (!m_dir)
        m_error = errno;
}

FolderListing::FolderListing(UniqueFd folder)
{
    if (!folder) {
        m_error = EBADF;
        return;
    }
    m_dir.reset(::fdopendir(folder.get()));
    if (m_dir)
        folder.release(); // closedir closes it now
    else
        m_error = errno;
}

const struct dirent *FolderListing::next()
{
    if (!m_dir)
        return nullptr;
    errno = 0;
    while (const struct dirent *entry = ::readdir(m_dir.get())) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            return entry;
    }
    return nullptr;
}

} // namespace quillarc
