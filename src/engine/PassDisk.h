#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

#include "engine/BackupDisk.h"
#include "engine/CopyLedger.h"
#include "engine/FreeSpaceEstimate.h"
#include "engine/HardLinks.h"

namespace quillarc {

class Clock;
class VolumeHost;

/// The backup disk a pass writes to: taken from the drive at the start and
/// after every disk change, let go of when it is full, and watched for
/// being pulled out. What is known of it (its folders held open, its free
/// space, the copies of files with several names, its record in the
/// catalogue) goes with it.
class PassDisk {
public:
    /// `catalogueFile`: the program folder's catalogue, which records the
    /// copies and judges whether a copy on the disk is current.
    PassDisk(const VolumeHost &host, std::string driveRoot, const Clock &clock, std::string catalogueFile);

    /// Takes the medium now in the drive, known by `label`: the one way the
    /// pass sets the disk it writes to. What a pass that died left on it
    /// goes before anything is written, whether or not this pass copies
    /// anything.
    void take(const std::string &label);
    /// Lets go of every folder held open on the disk: the person must be
    /// able to unmount it, and a new disk mounted at the same place must be
    /// written to, not the old one behind a held descriptor.
    void release();

    bool known() const { return m_known; }
    /// The disk, while one is taken; nullptr after release().
    BackupDisk *ifKnown() { return m_known ? &m_disk : nullptr; }
    BackupDisk &disk() { return m_disk; }
    const std::string &root() const { return m_disk.root(); }
    HardLinks &hardLinks() { return m_hardLinks; }
    FreeSpaceEstimate &freeEstimate() { return m_freeEstimate; }
    CopyLedger &ledger() { return m_ledger; }

    /// The disk taken is gone: the drive holds no medium, or one of another
    /// label, or the root it had cannot be reached (ENODEV, EIO on a disk
    /// pulled out) or is now another folder (its mount gone, the folder
    /// beneath it showing). A disk whose free space cannot be told is no
    /// disk to write to either. False when none was taken.
    bool gone(const std::string &label) const;
    /// The drive holds a readable medium of `label` again.
    bool sameBack(const std::string &label) const;
    /// The medium root as take() found it; empty when there was none.
    const std::string &mediumRoot() const { return m_mediumRoot; }
    /// A medium put back was not the disk that went: that one, at `root`,
    /// stays the disk gone.
    void stillGone(const std::string &root) { m_mediumRoot = root; }

    /// Prunes the disk's oldest versions until a copy of `bytes` fits with a
    /// margin. False when pruning every version would not make room: then
    /// none is pruned, as the copy goes to the next disk.
    bool madeRoomFor(std::int64_t bytes);

    /// Flushes every copy to the disk; then the catalogue records them, and
    /// the disk gets its own record of what it holds. 0, or the errno of
    /// the flush.
    int flush();

private:
    const VolumeHost &m_host;
    std::string m_driveRoot;
    const Clock &m_clock;
    std::string m_catalogueFile;
    BackupDisk m_disk;
    HardLinks m_hardLinks; ///< copies on the disk of files with several names
    FreeSpaceEstimate m_freeEstimate;
    CopyLedger m_ledger;
    bool m_ledgerOpened = false;
    bool m_known = false;        ///< `m_disk` has the root of the medium now in the drive
    std::string m_mediumRoot;    ///< as take() found it
    struct stat m_mediumStat {}; ///< its root then: gone when that is no longer there
};

} // namespace quillarc
