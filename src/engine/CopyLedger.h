#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/Catalogue.h"
#include "catalogue/CopyRecord.h"

namespace quillarc {

/// What a pass tells the catalogue of the disk in hand, and asks it: the
/// copies it makes, the versions it keeps and prunes, and the record of a
/// copy when it judges whether that copy is current. A catalogue that
/// cannot be opened or written never ends a pass: the ledger stops, says
/// why once, and the pass judges copies without it (a doubt then costs a
/// copy, never a missed file).
class CopyLedger {
public:
    CopyLedger();
    ~CopyLedger();
    CopyLedger(const CopyLedger &) = delete;
    CopyLedger &operator=(const CopyLedger &) = delete;

    /// Opens (or makes) the catalogue file and begins recording.
    void open(const std::string &file);
    /// The disk the records that follow are about: known by its file
    /// system's UUID where it has one, so that two disks of one label stay
    /// apart, else by its label.
    void useDisk(const DiskIdentity &disk);

    /// True while records go to a catalogue.
    bool active() const { return m_catalogue != nullptr && m_disk != 0; }
    /// Why the catalogue stopped being used; empty while all is well.
    const std::string &problem() const { return m_problem; }

    std::optional<CopyRecord> copyAt(std::string_view path);
    void recordCopy(const CopyRecord &record);
    void recordVersion(std::string_view path, std::string_view stamp);
    void forgetVersion(std::string_view path, std::string_view stamp);

    /// Commits what was recorded since the last flush, once the copies it
    /// speaks of are on the disk.
    void flush();

    /// Ends the recording as the pass ends: what was recorded since the
    /// last flush is kept (`keep`: the copies it speaks of are on the disk)
    /// or dropped, and the catalogue is let go of, so that no other pass
    /// waits on it while this one's owner lives on.
    void close(bool keep);

    /// After a flush: the disk was seen now, with `freeBytes` free, and gets
    /// its own catalogue and manifest under its program folder, so that it
    /// can be checked and catalogued again on its own. A failure is named
    /// in problem() and ends nothing: the program folder's catalogue holds
    /// the same.
    void writeDiskCopy(int diskRootFd, const std::string &stamp, std::int64_t freeBytes);

private:
    template <class Action>
    void guarded(Action action);

    std::unique_ptr<Catalogue> m_catalogue;
    std::int64_t m_disk = 0;
    std::string m_problem;
};

/// Nanoseconds since the epoch, as the catalogue keeps times.
std::int64_t nanoseconds(const struct timespec &time);

} // namespace quillarc
