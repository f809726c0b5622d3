#include "cli/MountLabelProbe.h"

#include "platform/LabelFile.h"
#include "platform/linux/FileSystemLabel.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace quillarc {

namespace {

bool isDeviceNode(const std::string &source)
{
    return source.starts_with("/dev/");
}

// What a look inside a mount hands back across threads: the thread may
// outlive the caller's wait, so both hold it.
struct PendingLook {
    std::mutex lock;
    std::condition_variable done;
    bool answered = false;
    std::string label;
};

std::string lookInside(const MountEntry &mount)
{
    // An image file behind the mount (FUSE) carries the label a device would.
    std::string label = !isDeviceNode(mount.source) && mount.source.starts_with('/')
                            ? probeFileSystemLabel(mount.source)
                            : std::string();
    if (label.empty())
        label = readLabelFile(mount.mountPoint);
    return label;
}

} // namespace

MountLabelProbe::MountLabelProbe(std::chrono::milliseconds patience, std::string byLabelDir)
    : m_patience(patience), m_byLabelDir(std::move(byLabelDir))
{
}

std::optional<std::string> MountLabelProbe::labelOf(const MountEntry &mount) const
{
    std::string label = labelFromDiskByLabel(mount.device, m_byLabelDir);
    if (label.empty() && isDeviceNode(mount.source))
        label = probeFileSystemLabel(mount.source);
    if (!label.empty())
        return label;

    auto pending = std::make_shared<PendingLook>();
    try {
        std::thread([pending, mount] {
            std::string found = lookInside(mount);
            const std::lock_guard<std::mutex> hold(pending->lock);
            pending->label = std::move(found);
            pending->answered = true;
            pending->done.notify_all();
        }).detach();
    } catch (const std::system_error &) {
        return std::nullopt; // no thread to spare: the mount is not looked into
    }
    std::unique_lock<std::mutex> hold(pending->lock);
    if (!pending->done.wait_for(hold, m_patience, [&] { return pending->answered; }))
        return std::nullopt;
    return pending->label;
}

} // namespace quillarc
