#pragma once

#include "engine/PassUi.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QWidget;

namespace quillarc {

class TProgressForm;

/// The window's side of a backup pass. The worker calls these from its own
/// thread; each call is carried to the window thread and the worker waits
/// until it is done (run at once when already on the window thread).
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
        /// The pass is over: hide the progress window, give the commands
        /// back, clear BackupRunning. Runs from a 50 ms one-shot timer.
        std::function<void()> passEnded;
    };

    /// Lives on the window thread; `window` owns the message boxes and the
    /// disk-full dialog.
    GuiPassUi(QWidget *window, TProgressForm *progress, MainWindowHooks hooks);

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
    void runOnWindowThread(const std::function<void()> &work) override;
    void passEnded() override;

    /// The text a status line shows for a prefix and a path fitted as asked.
    static QString statusText(const QString &prefix, const QString &path, PathFit fit, const QWidget *line);

private:
    QPointer<QWidget> m_window;
    QPointer<TProgressForm> m_progress;
    MainWindowHooks m_hooks;
    QTimer m_endTimer;
};

} // namespace quillarc
