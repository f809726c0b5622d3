#pragma once

#include <cstdint>
#include <string>

#include "engine/PassUi.h"

namespace quillarc {

class BackupList;
class DiskListFile;
class VolumeHost;

/// A change of disk when the one in the drive fills up: the list as it
/// stands is kept aside, the disk-full dialog asks for a new labelled disk
/// with room, and the list is written as the new disk's list file, so the
/// new disk knows what it holds even if the pass ends on it.
struct DiskChange {
    DiskFullResult answer = DiskFullResult::Cancel;
    std::string label;     ///< the new disk's label; empty when it went away after READY
    std::string saveError; ///< why the new disk's list file could not be written

    /// `size` is the file that did not fit.
    static DiskChange ask(PassUi &ui, const VolumeHost &host, const std::string &driveRoot, std::int64_t size,
                          const BackupList &list, const DiskListFile &listFile);
};

} // namespace quillarc
