#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillarc {

/// The older copies a disk keeps: a copy a pass replaces, and an older
/// copy of another kind in a copy's way, are renamed (never copied) into
/// `.quillarc/versions/<pass stamp>/<mirror path>`. A rename keeps the
/// copy's bits, owner and times, and the folders made for it are private,
/// so a version is never more open than the copy was. One folder per pass
/// keeps pruning cheap: oldest first is a walk of the oldest stamp folder,
/// never of every version.
class DiskVersions {
public:
    /// The stamp of the pass that keeps versions now (its folder's name).
    void setPassStamp(std::string stamp) { m_stamp = std::move(stamp); }
    const std::string &passStamp() const { return m_stamp; }

    /// Moves the entry `name` of the folder `dirFd` (whose mirror path is
    /// `relative`) into this pass's versions. The stamp folder it went to
    /// (the pass's stamp, or that stamp with "-2", "-3"... when the same
    /// path was kept already in this pass); nothing, with errno set, when
    /// it could not be moved.
    std::optional<std::string> keep(int rootFd, int dirFd, const std::string &name, std::string_view relative) const;

    /// Moves the version kept by keep() back to where it was.
    static bool putBack(int rootFd, const std::string &stamp, int dirFd, const std::string &name,
                        std::string_view relative);

    /// The room all versions on the disk take, in bytes of allocated blocks.
    static std::int64_t room(int rootFd);

    /// The room of the oldest versions, counted oldest stamp first until it
    /// reaches `wanted`: the walk stops there, so that asking whether the
    /// versions can make room for a file costs a look at the versions that
    /// would go, not at all of them.
    static std::int64_t roomUpTo(int rootFd, std::int64_t wanted);

    /// Removes versions, oldest stamp first, until `enough(bytesGivenBack)`
    /// says there is room; `pruned(stamp, path)` hears of each. The bytes
    /// given back.
    static std::int64_t prune(int rootFd, const std::function<bool(std::int64_t)> &enough,
                              const std::function<void(const std::string &, const std::string &)> &pruned = {});

    struct Version {
        std::string stamp;        ///< the pass that kept it
        std::string path;         ///< mirror path
        std::int64_t size = 0;    ///< length in bytes
        struct timespec modified; ///< the copy's modification time
    };
    /// Every version of the file, or of each file below the folder, whose
    /// mirror path is `relative`: oldest stamp first.
    static std::vector<Version> of(int rootFd, std::string_view relative);

private:
    std::string m_stamp;
};

} // namespace quillarc
