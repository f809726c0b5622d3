#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unordered_set>
#include <vector>

#include "engine/CopyMetadata.h"
#include "lists/UniqueFd.h"

namespace quillarc {

/// Writes copies below the root of the medium in the backup drive.
///
/// Every folder and file is reached from the medium root one name at a
/// time without following symbolic links, so a disk that carries a link
/// such as `home -> /` cannot redirect a write outside itself. A copy is
/// written under a temporary name beside its target, checked for its full
/// length, given the source's modification time and permission bits, and
/// only then renamed over the older copy: a failed copy leaves the older
/// copy as it was, and no cut-short file ever stands under a final name.
class BackupDisk {
public:
    enum class Result {
        Stored,        ///< the copy is in place
        StoredAsRead,  ///< the copy is in place as read, but the source changed meanwhile
        AlreadyThere,  ///< an identical copy (length, time to the nanosecond, bits) was there: nothing written
        SourceFailed,  ///< the source could not be read, or changed while it was read
        TargetSkipped, ///< this one target cannot be made (name the disk refuses); others may
        WriteFailed,   ///< the disk failed: no room, I/O error, read-only, folder not creatable
    };

    BackupDisk();
    ~BackupDisk();
    BackupDisk(const BackupDisk &) = delete;
    BackupDisk &operator=(const BackupDisk &) = delete;

    /// The medium root (absolute, ends in '/'); a change drops every folder
    /// held open below the old one.
    void setRoot(const std::string &root);
    const std::string &root() const { return m_root; }

    /// Size of the copy now at `relative` (path below the root), 0 when
    /// there is none.
    std::int64_t existingSize(std::string_view relative);

    /// Room a copy of `size` bytes takes on the disk, reckoned high: whole
    /// allocation units (a small file fills a whole cluster on FAT), and one
    /// unit more for its folder entry.
    std::int64_t spaceTaken(std::int64_t size);

    struct StoreOptions {
        /// Delete the older copy before writing, for a copy that fits only
        /// in its place.
        bool removeOldFirst = false;
        /// The source folder holds another name differing from this one only
        /// in case: make sure the disk tells them apart.
        bool caseTwin = false;
    };
    struct StoreReport {
        int error = 0;          ///< errno of a failure
        bool caseClash = false; ///< refused: it would have replaced its twin's copy
        std::string remark;     ///< an older copy of another kind was moved aside
    };

    /// Copies the open regular file `source` (described by `sourceStat`) to
    /// `relative`, creating missing folders. An older copy of another kind
    /// in the way (a file where a folder is to be, or the reverse) is moved
    /// aside under a name that says so, never deleted.
    Result store(int source, const struct stat &sourceStat, std::string_view relative, const StoreOptions &options,
                 StoreReport &report);

    /// Gives the copy at `firstCopy` (made in this pass of the same source
    /// file, described by `sourceStat`) the further name `relative`, as a
    /// hard link made under a temporary name and renamed into place.
    /// Nothing when the disk cannot link (FAT) or the first copy is not as
    /// it was made: the caller then copies the file.
    /// `caseTwin` as for store().
    std::optional<Result> storeLink(const std::string &firstCopy, const struct stat &sourceStat,
                                    std::string_view relative, bool caseTwin, StoreReport &report);

    /// Brings the copy of the folder `relativeFolder` (when there is one)
    /// in line with its source: bits, group, lists, attributes, and as root
    /// its owner. For a folder whose own metadata changed while nothing in
    /// it is copied.
    void followSourceFolder(std::string_view relativeFolder);

    /// Flushes every write to the medium (syncfs): what was copied is on
    /// the disk before a list claims it. 0, or the errno of a failure.
    int flush();

private:
    void followSourceFolder(int folderFd, std::string_view relativeFolder);
    int folder(std::string_view relativeFolder, bool create, int &error);
    void dropFolders();
    bool movedAside(int dirFd, const std::string &name, const char *kind);
    bool clashesByCase(int dirFd, const std::string &name);

    std::string m_root;
    UniqueFd m_rootFd;
    std::string m_cachedFolder;
    UniqueFd m_cachedFd;
    std::vector<char> m_buffer;
    std::string m_remark;  ///< what moving aside did, for the store in hand
    bool m_asRoot = false; ///< owners and set-id bits are kept, as `cp -a` keeps them
    CopyMetadata m_metadata;
    std::unordered_set<std::string> m_followedFolders; ///< brought in line with their source this pass
    std::int64_t m_unit = 0;                           ///< allocation unit of the medium, 0 until asked
};

} // namespace quillarc
