#pragma once

#include <string>
#include <utility>
#include <vector>
#include <sys/stat.h>
#include <sys/types.h>

#include "base/UniqueFd.h"

namespace quillarc {

/// What a walk over a folder tree meets, in listing order.
class TreeVisitor {
public:
    virtual ~TreeVisitor() = default;
    /// Asked before every entry; false ends the whole walk.
    virtual bool goOn() = 0;
    /// A folder is about to be listed: the walk's own folder first, then
    /// each sub-folder entered.
    virtual void folder(const std::string &path) = 0;
    /// A folder was opened and is about to be listed (after folder()), and
    /// its listing is over (after everything below it). Always in pairs,
    /// also when goOn() ended the walk inside it.
    virtual void enterFolder(const std::string &path, const struct stat &st)
    {
        (void)path;
        (void)st;
    }
    virtual void leaveFolder(const std::string &path, const struct stat &st)
    {
        (void)path;
        (void)st;
    }
    /// A regular file, or a link to one; `st` describes the file itself.
    /// `caseTwin`: the folder holds another name differing from this one
    /// only in case.
    virtual void file(int dirFd, const char *name, const std::string &path, const struct stat &st, bool caseTwin) = 0;
    /// A sub-folder beside which the folder holds another name differing
    /// from it only in case; false passes over it (not entered).
    virtual bool enterCaseTwin(const std::string &path)
    {
        (void)path;
        return true;
    }
    /// A folder that could not be listed (to its end), or an entry that
    /// could not be looked at; `error` is the errno.
    virtual void unreadable(const std::string &path, int error) = 0;
    /// A symbolic link to a regular file that is not followed: run as root,
    /// the file belongs to someone other than the link's owner.
    virtual void refusedLink(const std::string &path, const struct stat &link, const struct stat &target)
    {
        (void)path;
        (void)link;
        (void)target;
    }
};

/// Walks a folder, and with sub-folders its whole tree, for the sizing
/// and the copy scan alike. The entries "." and ".." are passed over;
/// hidden files are walked like any other. Links to folders are not
/// entered, links to regular files count as the file they name, FIFOs,
/// sockets and devices are never opened. Pseudo file systems (proc, sysfs
/// and the like) are not entered, nor is the backup medium's own folder.
/// A folder that is missing (or went away) lists as empty.
class TreeWalker {
public:
    /// The folder never to enter: the root of the backup medium, which may
    /// lie inside a tree being backed up. None when `path` is empty or
    /// cannot be looked at.
    void setSkippedFolder(const std::string &path);
    /// One more folder never to enter (the disk mounted a second time
    /// within the tree); until the next setSkippedFolder().
    void addSkippedFolder(const std::string &path);

    void walk(const std::string &path, bool withSubfolders, TreeVisitor &visitor) const;

private:
    void walkOpen(UniqueFd fd, const struct stat &folderStat, const std::string &text, bool withSubfolders,
                  TreeVisitor &visitor) const;
    void walkSubfolder(int dirFd, const char *name, const struct stat &folderStat, const std::string &sub,
                       bool withSubfolders, TreeVisitor &visitor) const;
    bool isSkipped(const struct stat &st) const;

    bool m_skipKnown = false;
    dev_t m_skipDevice = 0;
    ino_t m_skipInode = 0;
    std::vector<std::pair<dev_t, ino_t>> m_alsoSkipped;
    /// Where a folder's listing is read; each folder is read whole before
    /// any below it, so one does for the walk.
    mutable std::vector<char> m_listing;
};

/// True for the file systems a backup never enters: the kernel's views of
/// processes, devices and settings, which hold nothing to back up and
/// whose files may block or never end.
bool onKernelView(int fd);

} // namespace quillarc
