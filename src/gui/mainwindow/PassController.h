#pragma once

#include <memory>

class QWidget;
template <typename T>
class QList;

namespace quillarc {

class BackupRun;
class Clock;
class DiskSession;
class GuiPassUi;
class TProgressForm;
class TQLForm;
struct MainWindowUi;
struct PassOutcome;

/// The backup pass from the main window: Backup, STOP and ABORT, the
/// commands' state while a pass runs, and the end of the pass. The pass
/// itself runs through BackupRun, as it does for quillarc-pass and the
/// tests; whether one is running is the session's to say.
class PassController {
public:
    PassController(TQLForm &form, MainWindowUi &ui, DiskSession &session, const Clock &clock);
    /// A pass still going ends before the list and the ui it borrows go.
    ~PassController();
    PassController(const PassController &) = delete;
    PassController &operator=(const PassController &) = delete;

    /// The progress window, hidden, for the life of the program.
    void createProgressForm();
    TProgressForm *progressForm() const { return m_progress; }
    /// The pass in progress, or null.
    BackupRun *run() const { return m_run.get(); }

    /// The Backup command.
    void start();
    /// STOP: the item in hand is finished first.
    void stop();
    /// ABORT, and closing the window: ends after the file in hand.
    void abort();
    /// The commands off, STOP on, for the pass; and back again.
    void buttondisable();
    void buttonenable();
    /// The end-of-pass handler: the window takes the pass back.
    void end();

private:
    void showPassNotice(const PassOutcome &outcome);
    static void setPassCursor(QWidget *widget, bool enabled);
    /// The commands buttondisable and buttonenable switch with their cursors.
    QList<QWidget *> passCommands() const;
    /// The controls they switch without a cursor change.
    QList<QWidget *> quietControls() const;

    TQLForm &m_form;
    MainWindowUi &m_ui;
    DiskSession &m_session;
    const Clock &m_clock;
    TProgressForm *m_progress = nullptr; ///< a window of its own, owned by the form as a child
    std::unique_ptr<GuiPassUi> m_passUi;
    std::unique_ptr<BackupRun> m_run;
    bool m_hourglass = false;
};

} // namespace quillarc
