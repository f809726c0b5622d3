#pragma once

#include "catalogue/CopyRecord.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillarc {

/// What tells one backup disk from another.
struct DiskIdentity {
    std::string label;
    std::string uuid; ///< the file system's UUID; may be empty
};

/// A catalogue file that cannot be opened, read or written, or that is not
/// a catalogue of this program; the text says which file and why.
class CatalogueError : public std::runtime_error {
public:
    using runtime_error::runtime_error;
    CatalogueError(const std::string &text, bool damaged) : runtime_error(text), m_damaged(damaged) {}

    /// The file is there but damaged, or is no catalogue of this program:
    /// one to set aside and rebuild, rather than a passing failure.
    bool damaged() const { return m_damaged; }

private:
    bool m_damaged = false;
};

/// What the catalogue knows of one disk.
struct DiskSummary {
    std::int64_t id = 0;
    std::string label;
    std::string uuid;
    std::string lastSeen;        ///< pass stamp; empty: never
    std::int64_t freeBytes = -1; ///< when last seen; -1: unknown
    std::int64_t files = 0;      ///< current copies
    std::int64_t bytes = 0;      ///< their sizes
    std::int64_t versions = 0;   ///< older copies kept in the versions
    std::string lastVerified;    ///< newest verify stamp of any copy; empty: never
    std::int64_t mismatches = 0; ///< copies whose last verify found them bad
};

/// A file or folder directly in a folder the catalogue knows.
struct CatalogueChild {
    std::string name;
    bool folder = false;
};

/// A copy on one disk with what verify last found of it.
struct StoredCopy {
    CopyRecord copy;
    std::string versionStamp; ///< empty: the current copy
    std::string verifiedAt;   ///< stamp of the last verify that read it; empty: never
    bool mismatch = false;    ///< the last verify found it differing from its hash
};

/// Every copy on every disk, with versions, in one SQLite file: the
/// program folder's catalogue, or a disk's own copy of its rows. One object
/// is used from one thread at a time.
class Catalogue {
public:
    /// Opens the file, creating it when missing. Throws CatalogueError with
    /// a clear text when it cannot be read, is damaged, or is another kind
    /// of file or a newer catalogue than this program knows.
    explicit Catalogue(const std::string &file);
    ~Catalogue();
    Catalogue(const Catalogue &) = delete;
    Catalogue &operator=(const Catalogue &) = delete;

    const std::string &file() const;
    /// Reads the whole file through; throws CatalogueError (damaged) when
    /// SQLite finds it damaged.
    void check() const;

    /// The disk's id, added when new. A disk is matched by its UUID when it
    /// has one (a disk known only by label takes the UUID on), else by label;
    /// a matched disk takes the label given.
    std::int64_t disk(const DiskIdentity &id);
    /// The disk's id when it is known; never adds one.
    std::optional<std::int64_t> findDisk(const DiskIdentity &id) const;
    void diskSeen(std::int64_t disk, const std::string &stamp, std::int64_t freeBytes);
    std::vector<DiskSummary> disks() const;
    std::optional<DiskSummary> diskSummary(std::int64_t disk) const;

    /// The current copy at the path on the disk.
    std::optional<CopyRecord> copyAt(std::int64_t disk, std::string_view path) const;
    /// The current copy at record.path (replaces the record there).
    void recordCopy(std::int64_t disk, const CopyRecord &record);
    /// The current copy at the path, or every current copy below the folder
    /// at the path, was moved into the versions of that stamp.
    void recordVersion(std::int64_t disk, std::string_view path, std::string_view versionStamp);
    /// A copy found in the versions of that stamp (a disk read back).
    void recordVersionCopy(std::int64_t disk, const CopyRecord &record, std::string_view versionStamp);
    /// A version was pruned.
    void forgetVersion(std::int64_t disk, std::string_view path, std::string_view versionStamp);
    /// The current copy at the path is gone from the disk (moved aside as bad).
    void forgetCopy(std::int64_t disk, std::string_view path);

    /// Every disk's current copies and versions of the file, or of every file
    /// below the folder. Sorted by path, then newest copy first.
    std::vector<CopyEntry> copiesUnder(std::string_view pathOrFolder) const;
    /// The folders and files directly in the mirror folder ("" for the
    /// top) that hold a copy (on `disk` only, when given): folders first,
    /// then files, each sorted by name. Reads one level only.
    std::vector<CatalogueChild> childrenOf(std::string_view folder,
                                           std::optional<std::int64_t> disk = std::nullopt) const;
    /// Every copy of each file whose name (or whole mirror path, with
    /// `wholePath`) matches: a substring, or a pattern with * and ? matched
    /// as a whole; case does not matter. Sorted as copiesUnder.
    std::vector<CopyEntry> find(std::string_view pattern, bool wholePath) const;

    /// Every copy on the disk, current and versions; the least recently
    /// verified first (never verified before all), then by path.
    std::vector<StoredCopy> copiesOn(std::int64_t disk) const;
    /// What a verify found of one copy at the time of `stamp`.
    void markVerified(std::int64_t disk, std::string_view path, std::string_view versionStamp, std::string_view stamp,
                      bool mismatch);

    /// A pass records in transactions, committed at each flush. commit and
    /// rollback without a transaction do nothing.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    /// Writes the disk's own catalogue (its rows only) and its manifest under
    /// .quillarc/ of the disk whose root folder is open as `diskRootFd`, each
    /// atomically and flushed. An open transaction is committed first and a
    /// new one begun after. Throws CatalogueError.
    void writeDiskCopy(std::int64_t disk, int diskRootFd);

    /// Adds every row of another catalogue file (a disk's own) to this one,
    /// its copies replacing what this one held for the same disk; returns
    /// the ids here of the disks merged. With `into`, the copies of every
    /// disk in that file are taken as those of that disk (the disk in hand
    /// whose own catalogue it is). Throws CatalogueError when that file is
    /// not a readable catalogue.
    std::vector<std::int64_t> merge(const std::string &otherFile, std::optional<std::int64_t> into = std::nullopt);

private:
    Catalogue(const std::string &file, bool isNew);
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace quillarc
