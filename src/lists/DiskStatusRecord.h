#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillarc {

/// How a disk was last seen by a pass, kept per label in "<label>.status"
/// beside the label's list file (the same safe file name, see
/// perLabelFileName), so that a person can ask without the disk: key=value
/// lines, private to the user (it tells what was backed up when), saved
/// atomically. A missing or damaged record reads as none.
struct DiskStatusRecord {
    std::int64_t when = 0; ///< seconds since the epoch
    std::string date;      ///< the same moment as the pass log writes it
    std::string ending;    ///< the pass log's word for the ending
    std::int64_t copied = 0;
    std::int64_t missed = 0;
    std::int64_t freeBytes = -1; ///< free space after the pass; -1 unknown

    bool operator==(const DiskStatusRecord &) const = default;
};

class DiskStatusRecords {
public:
    /// `programFolder` ends in '/'.
    explicit DiskStatusRecords(std::string programFolder);

    std::string pathFor(std::string_view label) const;
    std::optional<DiskStatusRecord> load(std::string_view label) const;
    /// Throws FileError when it cannot be saved (the previous one stays).
    void save(std::string_view label, const DiskStatusRecord &record) const;

private:
    std::string m_folder;
};

} // namespace quillarc
