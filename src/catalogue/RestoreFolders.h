#pragma once

#include "base/UniqueFd.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillarc {

/// Opens the folders restored files go into, creating the missing ones,
/// and remembers them for the files that follow.
///
/// A folder already there is used as it is (folders are merged, never
/// replaced), its times included. Below the base folder no link is followed unless it belongs
/// to root or to whoever runs the restore, so a link planted where a
/// restored folder goes cannot lead a restore run as root into another
/// person's or the system's folders. A new folder stays private while files
/// go into it (a read-only folder could take none); finish() then gives it
/// the permission bits (and, as root, the owner), the access control lists,
/// the extended attributes and the times of the same folder on the disk,
/// or leaves it private when the disk has none.
class RestoreFolders {
public:
    /// `base` is an absolute folder opened as it stands (the folder the
    /// person chose, or "/"); `diskRootFd` is the disk the files come from.
    RestoreFolders(std::string base, int diskRootFd);

    /// The folder `folder` (absolute, at or below the base), created as
    /// needed; `mirrorFolder` is the same folder's path on the disk, whose
    /// trailing components name the new folders' models. Returns -1 with
    /// `problem` set when it cannot be had.
    int open(const std::string &folder, std::string_view mirrorFolder, std::string &problem);

    /// Forgets the open folders (they stay valid for fds already handed out
    /// only until this is called).
    void clear() { m_open.clear(); }
    std::size_t openCount() const { return m_open.size(); }

    /// Gives the folders made since the last finish what their models on
    /// the disk hold, the deepest first, once their contents are in place
    /// (a file put into a folder would change its times).
    void finish();

    const std::string &base() const { return m_base; }

private:
    int openChild(int parent, const std::string &name, const std::string &path, std::string_view mirror,
                  std::string &problem);
    void takeModel(int folder, std::string_view mirror) const;

    std::string m_base;
    int m_diskRoot;
    std::map<std::string, UniqueFd> m_open;
    /// Folders made, each after its parent, with their models' paths.
    std::vector<std::pair<std::string, std::string>> m_made;
};

} // namespace quillarc
