#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

#include "catalogue/ContentHasher.h"
#include "engine/CopyLedger.h"
#include "engine/CopyMetadata.h"
#include "engine/DiskFault.h"
#include "engine/DiskFolderChain.h"
#include "engine/DiskVersions.h"
#include "base/UniqueFd.h"

namespace quillarc {

/// Writes copies below the root of the medium in the backup drive.
///
/// Every folder and file is reached from the medium root one name at a
/// time without following symbolic links, so a disk that carries a link
/// such as `home -> /` cannot redirect a write outside itself. A copy is
/// written unnamed (or under a temporary name in the disk's own folder),
/// checked for its full length, given the source's modification time and
/// permission bits, and only then given its name, the older copy going
/// into the disk's versions: a failed copy leaves the older copy as it
/// was, and no cut-short file ever stands under a final name.
class BackupDisk {
public:
    enum class Result {
        Stored,        ///< the copy is in place
        StoredAsRead,  ///< the copy is in place as read, but the source changed meanwhile
        AlreadyThere,  ///< a current copy (length, time, bits, made after the source's last change): nothing written
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
    const std::string &root() const { return m_folders.root(); }

    /// True when the copy at `relative` is current for a source described
    /// by `source` (see store()'s "AlreadyThere"); nothing is created.
    /// Otherwise the room an older copy there takes is added to
    /// `olderRoom`: once replaced, it is a version a pass may prune.
    bool hasCurrentCopy(std::string_view relative, const struct stat &source, std::int64_t *olderRoom = nullptr);

    /// Room a copy of `size` bytes takes on the disk, reckoned high: whole
    /// allocation units (a small file fills a whole cluster on FAT), and one
    /// unit more for its folder entry.
    std::int64_t spaceTaken(std::int64_t size);

    /// Where the copies made, the versions kept and pruned are recorded, and
    /// what judges a copy current; none: the copy's own times judge.
    void setLedger(CopyLedger *ledger) { m_ledger = ledger; }

    /// The stamp of the pass: replaced copies are kept as its versions.
    void setPassStamp(std::string stamp) { m_versions.setPassStamp(std::move(stamp)); }

    /// Removes what a pass that died left on the disk in hand (temporary
    /// copies). 0, or the number of files removed.
    int removeLeftovers();

    /// The room the disk's versions take, which a pass may take back,
    /// counted oldest first and no further than `wanted`.
    std::int64_t versionsRoom(std::int64_t wanted = INT64_MAX);

    /// Prunes versions, oldest first, until `enough(bytesGivenBack)`. The
    /// bytes given back.
    std::int64_t pruneVersions(const std::function<bool(std::int64_t)> &enough);

    struct StoreOptions {
        /// The source folder holds another name differing from this one only
        /// in case: make sure the disk tells them apart.
        bool caseTwin = false;
    };
    struct StoreReport {
        int error = 0;            ///< errno of a failure
        bool caseClash = false;   ///< refused: it would have replaced its twin's copy
        std::string remark;       ///< an older copy of another kind was moved aside
        std::string versionStamp; ///< the replaced copy was kept in the versions of this stamp
    };

    /// Copies the open regular file `source` (described by `sourceStat`) to
    /// `relative`, creating missing folders. The older copy there, of any
    /// kind (a folder where a file is to be, a file or a link where a
    /// folder is to be), is kept as a version once the new copy is whole,
    /// and put back if the new one cannot take its place: whenever the
    /// process dies, a copy stands, the newest or a version.
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

private:
    /// A copy being written: unnamed, or under a temporary name in the
    /// disk's own folder.
    struct PendingCopy {
        UniqueFd target;
        UniqueFd parts;
        std::string part;                ///< its temporary name; empty when unnamed
        ContentHasher *hasher = nullptr; ///< the catalogue's, while it records
        std::int64_t copied = 0;         ///< bytes written
        bool changed = false;            ///< the source changed while it was read
        bool there = false;              ///< a copy (or something else) stands under the name
        struct stat existing {};         ///< what stands there, when `there`
        bool assumedAbsent = false;      ///< not looked for: in a folder this pass made
        bool lookAgain = false;          ///< stored already this pass where none was looked for
        bool named() const { return !part.empty(); }
        void discard();
    };

public:
    /// A copy made away from the pass's thread: prepared on it, written
    /// whole and unnamed by a worker, and given its name back on it in the
    /// order the files came. Everything a worker uses is its own: the
    /// descriptors the disk lends are valid only until its next call.
    struct CopyInFlight {
        std::shared_ptr<const UniqueFd> folder; ///< the copy's folder on the disk
        std::string name;
        std::string relative;
        std::string remark;    ///< what making its folders did
        struct stat status {}; ///< the source as the worker opened it
        ContentHasher hasher;
        bool hashed = false; ///< the catalogue records this copy
        bool whole = false;  ///< the worker wrote it whole
        PendingCopy copy;
    };
    /// Readies a copy of a source described by `listed` for `relative`, on
    /// the pass's thread: its folders made, the copy in the way looked at.
    /// False when this copy is to be made by store() instead (a current
    /// copy there, a name the disk refuses, a disk that takes no unnamed
    /// files).
    bool prepareInFlight(std::string_view relative, const struct stat &listed, CopyInFlight &flight);
    /// On a worker: writes the copy whole, unnamed, from the open source
    /// `source` (`status` as it was opened). Touches nothing of the disk's
    /// own, so any number may run beside the pass. False when it could
    /// not: store() then makes it, and says why.
    bool writeInFlight(int source, const struct stat &status, CopyInFlight &flight, std::vector<char> &buffer) const;
    /// Gives a whole copy its name, as store() does. None when the name was
    /// taken meanwhile where none was looked for: store() then makes it.
    std::optional<Result> commitInFlight(CopyInFlight &flight, StoreReport &report);
    /// No copy is in flight any more: the folder held for them is let go,
    /// so that the disk can be taken out.
    void endFlight();

    /// Brings the copy of the folder `relativeFolder` (when there is one)
    /// in line with its source: bits, group, lists, attributes, and as root
    /// its owner. For a folder whose own metadata changed while nothing in
    /// it is copied.
    void followSourceFolder(std::string_view relativeFolder);

    /// Makes the folder `relative` (below the root, not the root itself)
    /// if missing, brings it in line with its source folder (bits,
    /// group, lists, attributes, as root its owner) and gives it its times. Called once everything below it was
    /// written, so the times stay. 0, or the errno of a failure.
    int settleFolder(std::string_view relative, const struct stat &sourceStat);
    /// The same for a folder held open by `held` (a folder settled after
    /// the walk moved on, reached again without going back to it).
    int settleFolder(int held, std::string_view relative, const struct stat &sourceStat);
    /// A descriptor of the copy of `relative` for a later settleFolder; made
    /// when `create`; none when it is not there or cannot be reached.
    std::shared_ptr<const UniqueFd> holdFolder(std::string_view relative, bool create);

    /// Flushes every write to the medium (syncfs): what was copied is on
    /// the disk before a list claims it. 0, or the errno of a failure.
    int flush();

private:
    int openCopy(int dir, PendingCopy &copy);
    /// What stands at the copy's place: the look just taken when it was of
    /// this copy (nothing else writes to the disk while the pass holds it),
    /// else a fresh one.
    void lookInTheWay(int dir, const std::string &name, std::string_view relative, PendingCopy &copy);
    std::optional<Result> writeCopy(int source, const struct stat &sourceStat, PendingCopy &copy, StoreReport &report,
                                    std::vector<char> &buffer) const;
    Result commitCopy(int dir, const std::string &name, std::string_view relative, const struct stat &sourceStat,
                      PendingCopy &copy, StoreReport &report);
    static Result failed(FailedAt where, int error, StoreReport &report);
    static std::optional<Result> linkFailed(int error);
    bool isCurrent(const struct stat &copy, const struct stat &source, std::string_view relative);
    bool keptAside(int dirFd, const std::string &name, std::string_view relative);
    const char *kindOf(const struct stat &st) const;
    bool clashesByCase(int dirFd, const std::string &name);

    struct Look {
        std::string relative;
        bool there = false;
        bool assumed = false; ///< not looked: in a folder the pass made
        struct stat st {};
    };
    std::optional<Look> m_lastLook; ///< the copy last asked about, for the store that follows
    std::vector<char> m_buffer;
    std::shared_ptr<const UniqueFd> m_flightFolder; ///< held for the copies in flight
    std::string m_flightFolderPath;
    std::string m_remark;  ///< what moving aside did, for the store in hand
    bool m_asRoot = false; ///< owners and set-id bits are kept, as `cp -a` keeps them
    CopyMetadata m_metadata;
    DiskFolderChain m_folders; ///< the root and the folders of the last path, held open
    DiskVersions m_versions;
    CopyLedger *m_ledger = nullptr;
    std::int64_t m_unit = 0;  ///< allocation unit of the medium, 0 until asked
    std::mt19937_64 m_random; ///< for temporary names
    bool m_procFds = false;   ///< /proc/self/fd names open files: new copies can be written unnamed
};

} // namespace quillarc
