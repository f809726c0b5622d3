#pragma once

#include "catalogue/RestorePlan.h"
#include "catalogue/RestoreWriter.h"

#include <QThread>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace quillarc {

/// The disk in the backup drive as the restore needs it.
struct DiskFound {
    std::string label;
    std::string uuid; ///< empty when it cannot be read
    std::string root; ///< the medium's root; empty: no disk
};

/// Restores a plan disk by disk in a thread of its own, so the window stays
/// alive: asks for each disk not in the drive, reads none that a pass holds,
/// and tells what came out. Every callback but `lookAtDrive` runs in the
/// window's thread.
class RestoreRun : public QThread {
    Q_OBJECT
public:
    struct Hooks {
        /// The disk in the drive now (called in the restore's thread).
        std::function<DiskFound()> lookAtDrive;
        /// Asks for the disk; false skips it.
        std::function<bool(const DiskPlan &disk)> askForDisk;
    };
    RestoreRun(RestorePlan plan, RestoreSettings settings, Hooks hooks, QObject *parent = nullptr);
    ~RestoreRun() override;

    /// STOP: the files in hand are finished, no more are begun.
    void stop() { m_stop = true; }
    std::size_t fileCount() const { return m_total; }

    /// What came out, read once the thread has ended.
    std::size_t done() const { return m_done; }
    const std::vector<std::string> &notRestored() const { return m_notRestored; }
    const std::vector<std::string> &besides() const { return m_besides; }

Q_SIGNALS:
    /// One more file is finished; `disk` is the label being read.
    void progressed(int finished, const QString &disk);

protected:
    void run() override;

private:
    void restoreFrom(const DiskPlan &disk, const DiskFound &found);
    void missed(const DiskPlan &disk, const std::string &why);
    void finished(const PlannedFile &file, const RestoreResult &result);
    bool waitForDisk(const DiskPlan &disk, DiskFound &found);

    RestorePlan m_plan;
    RestoreSettings m_settings;
    Hooks m_hooks;
    std::atomic<bool> m_stop {false};
    std::size_t m_total = 0;
    std::size_t m_done = 0;
    std::size_t m_seen = 0;
    std::vector<std::string> m_notRestored;
    std::vector<std::string> m_besides;
};

} // namespace quillarc
