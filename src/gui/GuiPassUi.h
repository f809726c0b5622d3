#pragma once

#include "engine/PassUi.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <future>
#include <mutex>

#include "base/UniqueFd.h"

class QWidget;

namespace quillarc {

class BackupRun;
class TProgressForm;

/// The window's side of a backup pass. Questions and the disk-full dialog
/// are carried from the worker to the window thread, and the worker waits
/// for the answer. Status lines, bars and list changes are not: while it
/// follows a run, a 30 Hz timer on the window thread takes the latest of
/// them from the run (BackupRun::deliverProgress), so the worker never waits
/// for the window.
class GuiPassUi : public QObject, public PassUi {
    Q_OBJECT
public:
    /// What lives in the main window; every hook runs on the window thread.
    struct MainWindowHooks {
        /// The widget of a status line, measured to shorten paths; may be null.
        std::function<QWidget *(StatusLine)> statusWidget;
        std::function<void(StatusLine, const QString &text)> setStatusText;
        std::function<void(std::int64_t freeBytes)> showFreeSpace;
        std::function<void(const QString &label)> showVolumeLabel;
        /// The pass is over and its last progress delivered: hide the
        /// progress window, give the commands back, call
        /// BackupRun::finished() and read its outcome. Runs from a 50 ms
        /// one-shot timer (`Timer`).
        std::function<void()> passEnded;
    };

    /// Lives on the window thread; `window` owns the message boxes and the
    /// disk-full dialog.
    GuiPassUi(QWidget *window, TProgressForm *progress, MainWindowHooks hooks);

    /// Shows the progress of `run` from now until its end: call right after
    /// a successful BackupRun::start(). The run must outlive the end-of-pass
    /// hook.
    void follow(BackupRun *run);

    /// Refresh interval of the display while a pass runs.
    static constexpr int kRefreshMs = 33;

    void setStatus(StatusLine line, const std::string &prefix, const std::string &path = {},
                   PathFit fit = PathFit::Whole) override;
    void setTotalBar(int percent) override;
    void setFolderBar(int percent) override;
    void hideProgress() override;
    void showFreeSpace(std::int64_t freeBytes) override;
    void showVolumeLabel(const std::string &label) override;
    void message(const std::string &text) override;
    bool confirm(const std::string &text) override;
    DiskFullResult diskFull(const DiskFullRules &rules) override;
    void passEnded() override;

    /// The text a status line shows for a prefix and a path fitted as asked.
    static QString statusText(const QString &prefix, const QString &path, PathFit fit, const QWidget *line);

private:
    void runOnWindowThread(const std::function<void()> &work);
    void refresh();
    void wakeWindowThread();
    void takeHandOver();

    QPointer<QWidget> m_window;
    QPointer<TProgressForm> m_progress;
    MainWindowHooks m_hooks;
    QTimer m_endTimer;
    QTimer m_refreshTimer;
    BackupRun *m_run = nullptr;

    // The worker hands a question or the end of the pass to the window
    // thread through these, under the lock, and wakes it with an eventfd:
    // plain locks and a file descriptor, which the thread checker sees, where
    // Qt's cross-thread calls hide their synchronisation from it.
    std::mutex m_handOverMutex;
    std::mutex m_askMutex; ///< one question at a time
    const std::function<void()> *m_work = nullptr;
    std::promise<void> *m_workDone = nullptr;
    bool m_passEnded = false;
    UniqueFd m_wakeFd;
    QSocketNotifier *m_wake = nullptr;
};

} // namespace quillarc
