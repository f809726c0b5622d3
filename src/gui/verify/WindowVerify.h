#pragma once

#include "engine/DiskVerifyRun.h"
#include "gui/verify/VerifyProgressForm.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class QTimer;
class QWidget;

namespace quillarc {

/// Verify from the window: reads the copies on the disk in hand back on a
/// thread of its own, with a progress window whose STOP ends it cleanly
/// (the next verify goes on where it stopped), and tells at the end what it
/// found. One at a time per window.
class WindowVerify : public QObject {
    Q_OBJECT
public:
    explicit WindowVerify(QWidget &window);
    ~WindowVerify() override;
    WindowVerify(const WindowVerify &) = delete;
    WindowVerify &operator=(const WindowVerify &) = delete;

    /// Starts verifying the disk; false (and nothing started) while one runs.
    bool start(const DiskToVerify &disk);
    bool running() const { return m_thread.joinable(); }
    VerifyProgressForm *progressForm() const { return m_progress; }

    /// The notice at the end: the summary, then the findings (the first
    /// few; the pass log has them all).
    static QString noticeText(const DiskVerifyOutcome &outcome);

Q_SIGNALS:
    /// The verify has ended and its notice was shown.
    void finished(const quillarc::DiskVerifyOutcome &outcome);

private:
    void showProgress();
    void ended(const DiskVerifyOutcome &outcome);

    QWidget &m_window;
    QPointer<VerifyProgressForm> m_progress;
    QTimer *m_tick;
    std::thread m_thread;
    std::atomic<bool> m_stop {false};
    std::atomic<std::int64_t> m_read {0};
    std::atomic<std::int64_t> m_total {-1};
    std::mutex m_pathMutex;
    std::string m_path; // the copy being read
};

} // namespace quillarc

Q_DECLARE_METATYPE(quillarc::DiskVerifyOutcome)
