#include "engine/DiskFolderChain.h"

#include "catalogue/DiskLayout.h"
#include "engine/CopyMetadata.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillarc {

namespace {

std::vector<std::string_view> namesOf(std::string_view relativeFolder)
{
    std::vector<std::string_view> names;
    for (std::size_t start = 0; start < relativeFolder.size();) {
        std::size_t end = relativeFolder.find('/', start);
        if (end == std::string_view::npos)
            end = relativeFolder.size();
        if (end > start)
            names.push_back(relativeFolder.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// The path from the root down to `name`, one of the names of `relativeFolder`.
std::string_view upTo(std::string_view relativeFolder, std::string_view name)
{
    return relativeFolder.substr(0, static_cast<std::size_t>(name.data() - relativeFolder.data()) + name.size());
}

} // namespace

std::pair<std::string_view, std::string> splitFolderAndName(std::string_view relative)
{
    const std::size_t slash = relative.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string_view(), std::string(relative)};
    return {relative.substr(0, slash), std::string(relative.substr(slash + 1))};
}

DiskFolderChain::DiskFolderChain(const CopyMetadata &metadata, KeepAside keepAside)
    : m_metadata(metadata), m_keepAside(std::move(keepAside))
{
}

void DiskFolderChain::setRoot(const std::string &root)
{
    if (root == m_root && m_rootFd)
        return;
    drop();
    m_root = root;
}

void DiskFolderChain::drop()
{
    m_missingFolder.clear();
    m_chain.clear();
    m_rootFd.reset();
    m_followed.clear();
}

int DiskFolderChain::openRoot(int &error)
{
    if (m_rootFd)
        return m_rootFd.get();
    if (m_root.empty()) {
        error = ENOENT;
        return -1;
    }
    m_rootFd.reset(::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_rootFd) {
        error = errno;
        return -1;
    }
    return m_rootFd.get();
}

int DiskFolderChain::folder(std::string_view relativeFolder, bool create, int &error)
{
    if (openRoot(error) < 0)
        return -1;
    if (relativeFolder.empty())
        return m_rootFd.get();
    // A first pass asks after the copy of every file in folders it has not
    // made yet: one failed open tells for the whole tree below.
    if (create) {
        m_missingFolder.clear();
    } else if (!m_missingFolder.empty() && relativeFolder.substr(0, m_missingFolder.size()) == m_missingFolder &&
               (relativeFolder.size() == m_missingFolder.size() || relativeFolder[m_missingFolder.size()] == '/')) {
        error = ENOENT;
        return -1;
    }
    const std::vector<std::string_view> names = namesOf(relativeFolder);
    std::size_t kept = 0;
    while (kept < names.size() && kept < m_chain.size() && m_chain[kept].name == names[kept])
        ++kept;
    m_chain.resize(kept);
    for (std::size_t level = kept; level < names.size(); ++level) {
        if (openLevel(relativeFolder, names[level], create, error) < 0)
            return -1;
    }
    if (create)
        followChain(relativeFolder, names);
    return m_chain.empty() ? m_rootFd.get() : m_chain.back().fd.get();
}

// Opens the next folder of the chain, `name`, made when missing and
// `create` says so.
int DiskFolderChain::openLevel(std::string_view relativeFolder, std::string_view nameView, bool create, int &error)
{
    const std::string name(nameView);
    if (name == "." || name == "..") {
        error = EINVAL;
        return -1;
    }
    const int at = m_chain.empty() ? m_rootFd.get() : m_chain.back().fd.get();
    // In a folder made this pass, a folder not made yet is missing: it is
    // made without a first look.
    const bool parentMade = create && lastMade();
    UniqueFd next(parentMade ? -1 : ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (parentMade)
        errno = ENOENT;
    // An older copy of a file, or a link, where the source now has a
    // folder: moved aside, never deleted nor followed.
    if (!next && (errno == ENOTDIR || errno == ELOOP) && create && !disklayout::isOwnPath(relativeFolder))
        errno = m_keepAside(at, name, upTo(relativeFolder, nameView)) ? ENOENT : ENOTDIR;
    bool made = false;
    if (!next && errno == ENOENT && create) {
        // Made private until it has the source folder's bits: a copy is
        // never more open than its source, not even for a moment.
        made = ::mkdirat(at, name.c_str(), 0700) == 0;
        if (!made && errno != EEXIST) {
            error = errno;
            return -1;
        }
        next.reset(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!next) {
        // A link in the way reads ELOOP or ENOTDIR: never followed.
        error = errno;
        if (error == ENOENT && !create)
            m_missingFolder = upTo(relativeFolder, nameView);
        return -1;
    }
    m_chain.push_back({name, std::move(next), false, made});
    return m_chain.back().fd.get();
}

void DiskFolderChain::followChain(std::string_view relativeFolder, const std::vector<std::string_view> &names)
{
    for (std::size_t level = 0; level < m_chain.size(); ++level) {
        if (m_chain[level].followed)
            continue;
        followSource(m_chain[level].fd.get(), upTo(relativeFolder, names[level]));
        m_chain[level].followed = true;
    }
}

// A folder on the disk takes the permission bits, group, access lists and
// attributes of the folder it mirrors, and as root its owner, as `cp -a`
// keeps them: a source folder made private since stays private on the disk.
void DiskFolderChain::followSource(int folderFd, std::string_view relativeFolder)
{
    if (disklayout::isOwnPath(relativeFolder) || !m_followed.emplace(relativeFolder).second)
        return;
    const UniqueFd source(::open(("/" + std::string(relativeFolder)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat sourceStat {};
    if (!source || ::fstat(source.get(), &sourceStat) != 0)
        return;
    (void)m_metadata.apply(source.get(), sourceStat, folderFd);
}

} // namespace quillarc
