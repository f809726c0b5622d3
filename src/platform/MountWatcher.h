#pragma once

#include "platform/ChangeNotifySource.h"
#include "platform/linux/DriveMap.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillarc {

/// Watches the mount table: the kernel flags /proc/self/mountinfo with
/// POLLPRI on every change. Each change is compared with the table seen
/// before, and every drive root whose medium changed is reported, on the
/// thread that owns the watcher.
class MountWatcher : public QObject {
    Q_OBJECT
public:
    struct Options {
        std::string mountInfoPath = "/proc/self/mountinfo";
        std::vector<std::string> automountFolders = defaultAutomountFolders();
    };

    explicit MountWatcher(Options options, QObject *parent = nullptr);
    ~MountWatcher() override;

    /// Takes the current table and starts watching; false (with nothing
    /// watched) when the table cannot be opened.
    bool start();
    void stop();
    bool running() const { return m_fd >= 0; }

    /// Reads the table now and reports what changed since the last look.
    void check();

Q_SIGNALS:
    void mediaInserted(const QString &driveRoot);
    void mediaRemoved(const QString &driveRoot);

private:
    DriveMap snapshot() const;

    Options m_options;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::optional<DriveMap> m_last;
};

/// The change-notification source of this machine: media inserted and
/// removed from the mount-table watch. Other events never arrive.
class MountWatchSource : public ChangeNotifySource {
public:
    explicit MountWatchSource(MountWatcher::Options options = MountWatcher::Options{});
    ~MountWatchSource() override;

    bool registerFor(std::uint32_t mask, int messageNo, Deliver deliver) override;
    void deregister() override;

private:
    MountWatcher::Options m_options;
    std::unique_ptr<MountWatcher> m_watcher;
};

} // namespace quillarc
