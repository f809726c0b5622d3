#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/UniqueFd.h"

namespace quillarc {

class CopyMetadata;

/// A path below the disk's root cut into its folder ("" for none) and its
/// last name.
std::pair<std::string_view, std::string> splitFolderAndName(std::string_view relative);

/// The folders of copies a disk holds open: its root and the folders of the
/// last path asked for, one per level, so that a walk that goes one folder
/// deeper or back up opens one folder, not the whole path from the root.
///
/// Every folder is reached one name at a time without following symbolic
/// links, so a disk that carries a link such as `home -> /` cannot redirect
/// a write outside itself. Every folder a copy goes into, new or made by an
/// earlier pass, takes the bits, group, lists and attributes of the source
/// folder it mirrors (as root its owner too), once a pass.
class DiskFolderChain {
public:
    /// What is in the way of a folder to be made (a file, a link): true
    /// when it was moved aside, so that the folder can be made there.
    using KeepAside = std::function<bool(int dirFd, const std::string &name, std::string_view relative)>;

    DiskFolderChain(const CopyMetadata &metadata, KeepAside keepAside);

    /// The medium root (absolute, ends in '/'); a change drops every folder
    /// held open below the old one.
    void setRoot(const std::string &root);
    const std::string &root() const { return m_root; }
    /// Closes every folder held open.
    void drop();

    /// A descriptor of `relativeFolder` below the root ("" for the root),
    /// owned by the chain and valid until the next call; -1 with `error`
    /// set when it is missing (and not to be made, or `create` is false) or
    /// cannot be reached without following a link.
    int folder(std::string_view relativeFolder, bool create, int &error);
    /// True when the last folder() call ended in a folder this pass made:
    /// it holds only what the pass stored in it.
    bool lastMade() const { return !m_chain.empty() && m_chain.back().made; }
    /// The root's descriptor, once folder() opened it; -1 before.
    int rootFd() const { return m_rootFd ? m_rootFd.get() : -1; }

    /// Brings the copy of the folder `relativeFolder` (open as `folderFd`)
    /// in line with its source folder, once a pass.
    void followSource(int folderFd, std::string_view relativeFolder);
    bool followed(std::string_view relativeFolder) const { return m_followed.count(std::string(relativeFolder)) != 0; }

private:
    int openRoot(int &error);
    int openLevel(std::string_view relativeFolder, std::string_view name, bool create, int &error);
    void followChain(std::string_view relativeFolder, const std::vector<std::string_view> &names);

    const CopyMetadata &m_metadata;
    KeepAside m_keepAside;
    std::string m_root;
    UniqueFd m_rootFd;
    struct OpenFolder {
        std::string name;
        UniqueFd fd;
        bool followed = false; ///< brought in line with its source folder this pass
        bool made = false;     ///< made by this pass: holds only what the pass stored in it
    };
    std::vector<OpenFolder> m_chain;            ///< the folders of the last path asked for, root first
    std::unordered_set<std::string> m_followed; ///< brought in line with their source this pass
    /// A folder found missing when only looked for: what lies below it is
    /// missing too, until a folder is made or the disk changes.
    std::string m_missingFolder;
};

} // namespace quillarc
