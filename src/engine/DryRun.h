#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillarc {

class BackupList;
class DiskListFile;
class VolumeHost;
struct FileFilters;

/// What a pass would copy of one checked item, sized as the sizing scan
/// sizes it, without copying or saving anything.
struct ItemSizing {
    std::string path;
    bool folder = false;
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    /// Disks the room check's arithmetic asks for beyond the one in the
    /// drive (0 when the item fits in what is left of it).
    std::int64_t moreDisks = 0;
    std::string problem; ///< why the item would not be backed up, or what could not be read
    /// Room of the older copies on the disk that the item's copies replace:
    /// kept as versions, it is room a pass may take back.
    std::int64_t replacedRoom = 0;
};

/// Sizes every checked item in list order. The free space of the disk in
/// `driveRoot` is taken as shrinking by each item's bytes in turn. The
/// record of the folders seen is read from the program folder of
/// `listFile`, under the disk's `label`, as the pass reads it.
std::vector<ItemSizing> sizeCheckedItems(const BackupList &list, const FileFilters &filters, const VolumeHost &host,
                                         const std::string &driveRoot, const DiskListFile &listFile,
                                         const std::string &label);

} // namespace quillarc
