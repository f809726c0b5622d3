#pragma once

#include "base/UniqueFd.h"
#include "platform/linux/MountInfo.h"

#include <string>
#include <vector>

namespace quillarc {

/// The mount table and word of its changes without polling it: the kernel
/// marks an open mountinfo file with POLLPRI each time a mount comes or
/// goes, so a caller waits on fd() together with whatever else it waits on
/// and reads table() when it fires.
class MountTableWatch {
public:
    explicit MountTableWatch(std::string path = "/proc/self/mountinfo");

    /// Empty when the table can be watched, else why not.
    const std::string &error() const { return m_error; }
    /// Wait on this for POLLPRI: it is reported once for every batch of
    /// changes since the last wait.
    int fd() const { return m_fd.get(); }
    /// The table as it stands.
    std::vector<MountEntry> table() const;
    /// Reads the watched file to its end: older kernels keep the change
    /// mark on the descriptor until then.
    void acknowledge() const;

private:
    std::string m_path;
    UniqueFd m_fd;
    std::string m_error;
};

} // namespace quillarc
