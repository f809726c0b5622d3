#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/VolumeHost.h"

namespace quillarc::test {

/// Drives whose media a test puts in and takes out at will, also in the
/// middle of a pass. A medium's root is a real folder, so copies land on a
/// real file system; its label and capacity are whatever the test says, and
/// its free space is the capacity less the bytes of the files below its
/// root, unless the test fixes a figure.
class SimulatedVolumeHost final : public VolumeHost {
public:
    struct Medium {
        std::string root;  ///< real folder, ends in '/'
        std::string label; ///< may be empty
        std::int64_t capacity = std::int64_t {1} << 30;
        std::optional<std::int64_t> fixedFree; ///< reported as is when set
    };

    /// Puts `medium` into the drive `driveRoot`, replacing what was there.
    void insert(const std::string &driveRoot, Medium medium);
    /// Leaves the drive empty.
    void eject(const std::string &driveRoot);
    /// Fixes the free space of the medium in the drive (nullopt: computed).
    void setFree(const std::string &driveRoot, std::optional<std::int64_t> freeBytes);

    std::string mediumRoot(const std::string &driveRoot) const override;
    std::string volumeLabel(const std::string &driveRoot) const override;
    std::int64_t freeBytes(const std::string &driveRoot) const override;
    std::int64_t totalBytes(const std::string &driveRoot) const override;

    /// Bytes of the regular files below `folder`, at any depth.
    static std::int64_t bytesBelow(const std::string &folder);

private:
    mutable std::mutex mutex;
    std::map<std::string, Medium> drives;
};

} // namespace quillarc::test
