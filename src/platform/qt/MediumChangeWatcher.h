#pragma once

#include "platform/qt/ChangeNotifySource.h"
#include "platform/linux/DriveMap.h"
#include "platform/linux/MountTableWatch.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillarc {

/// Reports media inserted and removed, for the window: the mount table is
/// followed through the same watch as quillarc-pass --watch uses. Each
/// change is compared with the table seen before, and every drive root whose
/// medium changed is reported, on the thread that owns the watcher: every
/// mount point and automount folder, and the watched roots, which may be
/// folders that are a medium by their label file (a backup folder on a
/// stick).
class MediumChangeWatcher : public QObject {
    Q_OBJECT
public:
    struct Options {
        std::string mountInfoPath = "/proc/self/mountinfo";
        std::vector<std::string> automountFolders = defaultAutomountFolders();
        /// Drive roots (ending in '/') to report beyond mount points and
        /// automount folders; anything else is left out.
        std::vector<std::string> watchedRoots;
    };

    explicit MediumChangeWatcher(Options options, QObject *parent = nullptr);
    ~MediumChangeWatcher() override;

    /// Takes the current table and starts watching; false (with nothing
    /// watched) when the table cannot be opened.
    bool start();
    void stop();
    bool running() const { return m_table.has_value(); }

    /// Reads the table now and reports what changed since the last look.
    void check();

    /// Replaces the watched roots. A root new to the list starts out with the
    /// medium it holds now, so naming it raises no event; roots that stay
    /// keep what was last seen of them, so a change not yet reported still is.
    void setWatchedRoots(std::vector<std::string> roots);
    const std::vector<std::string> &watchedRoots() const { return m_options.watchedRoots; }

Q_SIGNALS:
    void mediaInserted(const QString &driveRoot);
    void mediaRemoved(const QString &driveRoot);

private:
    /// One look at the table, with the watched roots that held a label file.
    struct Snapshot {
        std::vector<MountEntry> mounts;
        std::set<std::string> labelled; ///< normalised, without the trailing '/'
    };
    std::vector<MountEntry> tableNow() const;
    Snapshot snapshot() const;
    std::set<std::string> labelledRoots(const std::vector<std::string> &roots) const;
    DriveMap mapOf(const Snapshot &snapshot) const;

    Options m_options;
    std::optional<MountTableWatch> m_table;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::optional<Snapshot> m_last;
};

/// The change-notification source of this machine: media inserted and
/// removed from the mount-table watch. Other events never arrive.
class MountWatchSource : public ChangeNotifySource {
public:
    explicit MountWatchSource(MediumChangeWatcher::Options options = MediumChangeWatcher::Options {});
    ~MountWatchSource() override;

    bool registerFor(std::uint32_t mask, int messageNo, Deliver deliver) override;
    void deregister() override;
    void setWatchedRoots(const QStringList &roots) override;

private:
    MediumChangeWatcher::Options m_options;
    std::unique_ptr<MediumChangeWatcher> m_watcher;
};

} // namespace quillarc
