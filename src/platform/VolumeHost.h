#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace quillarc {

/// What the program needs to know about the backup drive and the medium in
/// it. A drive root is an absolute folder path ending in '/'. The Linux
/// implementation reads the mount table, labels and statvfs; tests use a
/// simulated host whose labels and space they set.
class VolumeHost {
public:
    virtual ~VolumeHost() = default;

    /// Folder where the medium in the drive starts (ends in '/'); empty when
    /// the drive holds no medium. Backup copies go below it.
    virtual std::string mediumRoot(const std::string &driveRoot) const = 0;

    /// Volume label of the medium; empty when there is no medium or no label.
    virtual std::string volumeLabel(const std::string &driveRoot) const = 0;

    /// Free bytes the user may write on the medium; -1 when there is none.
    virtual std::int64_t freeBytes(const std::string &driveRoot) const = 0;

    /// Capacity of the medium in bytes; -1 when there is none.
    virtual std::int64_t totalBytes(const std::string &driveRoot) const = 0;

    /// The largest file the medium's file system can hold (FAT: 4 GiB less
    /// one byte); no limit when none is known.
    virtual std::int64_t largestFile(const std::string &) const { return std::numeric_limits<std::int64_t>::max(); }

    /// The UUID of the medium's file system, which tells two disks of one
    /// label apart; empty when it has none or it cannot be read.
    virtual std::string fileSystemUuid(const std::string &) const { return {}; }
};

} // namespace quillarc
