#include "platform/MountWatcher.h"

#include "platform/TSHChangeNotify.h"
#include "platform/linux/MediaChanges.h"

#include <fcntl.h>
#include <unistd.h>

namespace quillarc {

MountWatcher::MountWatcher(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
}

MountWatcher::~MountWatcher()
{
    stop();
}

DriveMap MountWatcher::snapshot() const
{
    // Label files are not looked at here: reading folders on every mount
    // change could stall on a dead network share, and a label file does not
    // come with a mount-table change anyway.
    return DriveMap(readMountInfo(m_options.mountInfoPath), m_options.automountFolders, nullptr);
}

bool MountWatcher::start()
{
    stop();
    m_fd = ::open(m_options.mountInfoPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    m_last = snapshot();
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Exception);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &MountWatcher::check);
    return true;
}

void MountWatcher::stop()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_last.reset();
}

void MountWatcher::check()
{
    if (m_fd >= 0) {
        // Reading the watched file to its end resets the kernel's change mark
        // for this descriptor on older kernels.
        char buffer[4096];
        ::lseek(m_fd, 0, SEEK_SET);
        while (::read(m_fd, buffer, sizeof buffer) > 0) {
        }
    }
    DriveMap now = snapshot();
    if (m_last) {
        for (const auto &change : mediaChanges(*m_last, now)) {
            const QString root = QString::fromStdString(change.driveRoot);
            if (change.inserted)
                Q_EMIT mediaInserted(root);
            else
                Q_EMIT mediaRemoved(root);
        }
    }
    m_last = std::move(now);
}

MountWatchSource::MountWatchSource(MountWatcher::Options options)
    : m_options(std::move(options))
{
}

MountWatchSource::~MountWatchSource() = default;

bool MountWatchSource::registerFor(std::uint32_t mask, int messageNo, Deliver deliver)
{
    deregister();
    if (!(mask & (SHCNE::MEDIAINSERTED | SHCNE::MEDIAREMOVED)))
        return true; // registered for events this source never raises
    auto watcher = std::make_unique<MountWatcher>(m_options);
    if (!watcher->start())
        return false;
    QObject::connect(watcher.get(), &MountWatcher::mediaInserted, [deliver, messageNo](const QString &root) {
        deliver(messageNo, SHCNE::MEDIAINSERTED, root, QString());
    });
    QObject::connect(watcher.get(), &MountWatcher::mediaRemoved, [deliver, messageNo](const QString &root) {
        deliver(messageNo, SHCNE::MEDIAREMOVED, root, QString());
    });
    m_watcher = std::move(watcher);
    return true;
}

void MountWatchSource::deregister()
{
    // A handler may drop its registration while the watcher is reporting:
    // the watcher stops at once and is freed once it has returned.
    if (!m_watcher)
        return;
    m_watcher->disconnect();
    m_watcher->stop();
    m_watcher.release()->deleteLater();
}

} // namespace quillarc
