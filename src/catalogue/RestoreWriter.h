#pragma once

#include "catalogue/RestoreFolders.h"
#include "catalogue/RestorePlan.h"

#include "base/UniqueFd.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quillarc {

/// How one planned file came out.
struct RestoreResult {
    enum class Status {
        Restored,       ///< written at its target
        RestoredBeside, ///< a different file was at the target: written beside it
        Overwritten,    ///< written at its target; the file that was there was kept aside first
        AlreadyThere,   ///< the same content was at the target (or beside it): left alone
        Failed,         ///< not restored; `problem` says why
    };
    Status status = Status::Failed;
    std::string writtenTo; ///< where the content now is (for every status but Failed)
    std::string keptAside; ///< Overwritten: where the replaced file went
    std::string problem;   ///< Failed: the cause; otherwise empty, or a copy that read back wrong and was passed over
    bool badCopy = false;  ///< Failed because every copy of this disk read back unlike its recorded content

    bool restored() const { return status != Status::Failed; }
};

struct RestoreSettings {
    /// The base folder the targets lie below: the folder the person chose,
    /// or "/" for the original places.
    std::string base = "/";
    /// Replace a different file at the target (kept aside first) instead of
    /// writing beside it.
    bool overwrite = false;
    /// The local date in the names of files written or kept beside
    /// ("2026-12-10").
    std::string date;
};

/// Writes planned files from one disk. Each file is written under a
/// temporary name in its folder, read back and checked against its recorded
/// content hash, given its copy's mode, owner and times, and only then put
/// in place, so no final name ever holds part of a file. The files of a
/// batch are flushed together before they are put in place, while the next
/// batch is written, and each file is told done once its name is flushed
/// too. A file whose content is already at its target is left alone, so a
/// restore that stopped is run again to finish.
class RestoreWriter {
public:
    RestoreWriter(int diskRootFd, RestoreSettings settings);
    ~RestoreWriter();
    RestoreWriter(const RestoreWriter &) = delete;
    RestoreWriter &operator=(const RestoreWriter &) = delete;

    using Done = std::function<void(const PlannedFile &, const RestoreResult &)>;

    /// Restores the files in turn (each from this disk: its planned copy,
    /// or one of the same content here when that reads back wrong) and
    /// calls `done` for each once it is in place or has failed. Ends early,
    /// with what was written put in place, when `stop` becomes true.
    void restore(const std::vector<PlannedFile> &files, const Done &done, const std::atomic<bool> *stop = nullptr);

    /// Where the file's content already is (its target, or a name beside it
    /// from an earlier run), found without its disk; empty when nowhere.
    static std::string alreadyRestored(const PlannedFile &file, const RestoreSettings &settings);

    /// The names of a file put beside and kept aside.
    static std::string besideName(const std::string &name, const std::string &date, int attempt);
    static std::string asideName(const std::string &name, const std::string &date, int attempt);

private:
    struct Staged;
    void stage(const PlannedFile &file, const Done &done);
    /// Settles the name the file is written under; false when nothing is
    /// left to write (its content is there already, or no name is free).
    bool chooseName(Staged &staged, const std::string &name) const;
    void writeStaged(Staged &staged, const Done &done);
    bool writeTemporary(Staged &staged, const CopyEntry &copy, RestoreResult &result);
    /// The batch being written is whole: it starts on its way to the disk,
    /// and the batch before it, flushed meanwhile, is put in place.
    void nextBatch(const Done &done);
    void putInPlace(std::vector<Staged> &batch, const Done &done);
    void startFlush();
    void awaitFlush();
    /// Empties the folder cache and forgets which folder is held.
    void forgetFolders();
    static void report(std::vector<Staged> &batch, const Done &done);

    int m_diskRoot;
    RestoreSettings m_settings;
    std::size_t m_folderShare; ///< folders a batch, or half the folder cache, may hold open
    RestoreFolders m_folders;
    std::vector<Staged> m_staged;   ///< being written
    std::vector<Staged> m_flushing; ///< written whole and on their way to the disk, under temporary names
    std::vector<Staged> m_renamed;  ///< in place, their names on their way to the disk
    std::int64_t m_stagedBytes = 0;
    std::size_t m_stagedFolders = 0; ///< folders held by the batch being written
    std::thread m_flush;
    std::shared_ptr<const UniqueFd> m_heldFolder; ///< of the last file staged, held past the folder cache
    int m_heldFolderFd = -1;                      ///< the cache's descriptor it duplicates
};

} // namespace quillarc
