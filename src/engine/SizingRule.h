#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace quillarc {

class BackupDisk;
class VolumeHost;

/// What a qualifying file adds to the room an item needs, one rule for the
/// pass's sizing scan and the dry run: what its copy writes (a sparse
/// file's data), nothing for a file whose copy on the disk is current
/// already, and nothing for a file no disk of this kind can hold, which is
/// counted all the same, as the copy scan names it.
class SizingRule {
public:
    /// Takes the largest copy the disk in `driveRoot` takes: its file
    /// system's limit (FAT's 4 GiB), or an empty disk's capacity where that
    /// is less. A larger file is refused by every disk of its kind, and
    /// asking for disk after disk could never get it backed up.
    void measureDisk(const VolumeHost &host, const std::string &driveRoot);

    /// `bytes`: what the copy writes (bytesToWrite).
    bool tooLarge(const struct stat &st, std::int64_t bytes) const;
    /// Why tooLarge() said so, as the pass names the file.
    std::string tooLargeCause() const;

    enum class Share {
        TooLarge, ///< counted as a file, but needs no room: it is named, not copied
        Current,  ///< its copy is current: neither counted nor sized
        ToWrite,  ///< counted, with its bytes
    };
    struct Sized {
        Share share = Share::ToWrite;
        std::int64_t bytes = 0;
    };
    /// The share of the file `name` in `dirFd` (at `path`) in its item's
    /// room. `disk`: the disk in hand, nullptr when none is known. The room
    /// an older copy the new one replaces takes is added to `replacedRoom`.
    Sized size(int dirFd, const char *name, const std::string &path, const struct stat &st, BackupDisk *disk,
               std::int64_t *replacedRoom) const;

private:
    std::int64_t m_largestCopy = INT64_MAX;
    bool m_largerThanDisk = false; ///< m_largestCopy is an empty disk's capacity
};

} // namespace quillarc
