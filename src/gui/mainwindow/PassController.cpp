// The backup pass from the window: the Backup command, STOP, the pass
// state of the commands, and the end of the pass.
#include "gui/mainwindow/PassController.h"

#include "engine/BackupRun.h"
#include "engine/DiskSession.h"
#include "gui/GuiPassUi.h"
#include "gui/MessageBox.h"
#include "gui/TProgressForm.h"
#include "gui/TQLForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"
#include "gui/mainwindow/FilterStrip.h"
#include "gui/mainwindow/MainWindowUi.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace quillarc {

PassController::PassController(TQLForm &form, MainWindowUi &ui, DiskSession &session, const Clock &clock)
    : m_form(form), m_ui(ui), m_session(session), m_clock(clock)
{
}

PassController::~PassController()
{
    m_run.reset();
}

void PassController::createProgressForm()
{
    m_progress = new TProgressForm(&m_form);
    m_progress->hide();
    GuiPassUi::MainWindowHooks hooks;
    hooks.statusWidget = [this](StatusLine line) -> QWidget * {
        return line == StatusLine::File ? m_ui.StatusBar : m_ui.StatusBarFolder;
    };
    hooks.setStatusText = [this](StatusLine line, const QString &text) {
        (line == StatusLine::File ? m_ui.StatusBar : m_ui.StatusBarFolder)->setText(text);
    };
    hooks.showFreeSpace = [this](std::int64_t freeBytes) {
        m_session.showFree(freeBytes);
        m_ui.FreeSpaceStatusBar->setText(QString::fromStdString(m_session.freeLine()));
    };
    // The disk-full hand-over: the session moves to the new disk, and the
    // window shows the session.
    hooks.showVolumeLabel = [this](const QString &label) {
        m_session.passMovedTo(label.toStdString());
        m_form.showMediumTexts();
    };
    hooks.passEnded = [this] { m_form.guarded([this] { end(); }); };
    m_passUi = std::make_unique<GuiPassUi>(&m_form, m_progress, std::move(hooks));
    // ABORT goes to the run, which knows how to end its worker.
    QObject::connect(m_progress, &TProgressForm::abortRequested, &m_form, [this] { abort(); });
}

void PassController::start()
{
    if (m_session.passRunning() || !m_passUi)
        return;
    // With no list read there is nothing to back up, and the person is told
    // what to do first (no disk chosen, no label, no room).
    const std::string refusal = m_session.passRefusal();
    if (!refusal.empty()) {
        MessageBox::notice(&m_form, QString::fromStdString(refusal));
        return;
    }
    m_ui.StatusBar->clear();
    m_ui.StatusBarFolder->clear();

    auto run = std::make_unique<BackupRun>(m_session.runSetup(*m_passUi, m_clock, m_session.config().exclude));
    if (!run->start()) {
        const std::string &refused = run->outcome().refusalMessage;
        if (!refused.empty())
            MessageBox::notice(&m_form, QString::fromStdString(refused));
        return;
    }
    m_run = std::move(run);
    m_session.passStarted();
    buttondisable();
    m_progress->TotalRarBar->setProgress(0);
    m_progress->FolderRarBar->setProgress(0);
    m_progress->setItemCount(m_run->checkedItems());
    m_progress->showBeside(&m_form);
    m_passUi->follow(m_run.get());
}

void PassController::stop()
{
    if (!m_session.passRunning())
        return;
    m_run->stop();
    setPassCursor(m_ui.StopButton, false);
    if (!m_hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_hourglass = true;
    }
    m_progress->AbortButton->setCursor(Qt::PointingHandCursor);
}

void PassController::abort()
{
    if (m_session.passRunning())
        m_run->abort();
}

void PassController::setPassCursor(QWidget *widget, bool enabled)
{
    widget->setEnabled(enabled);
    widget->setCursor(enabled ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
}

void PassController::buttondisable()
{
    for (QWidget *command : passCommands())
        setPassCursor(command, false);
    setPassCursor(m_ui.StopButton, true);
    for (QWidget *control : quietControls())
        control->setEnabled(false);
}

void PassController::buttonenable()
{
    const QList<QWidget *> needRoom = {m_ui.Helpbutton, m_ui.AddButton, m_ui.AddFileButton, m_ui.BackupButton};
    for (QWidget *command : passCommands()) {
        if (!needRoom.contains(command))
            setPassCursor(command, true);
    }
    setPassCursor(m_ui.StopButton, false);
    for (QWidget *control : quietControls())
        control->setEnabled(true);
    // A disk left without room keeps the four that need room as the pass
    // left them.
    if (m_session.driveChosen() && m_form.GetDiskFree() != 0) {
        for (QWidget *command : needRoom)
            setPassCursor(command, true);
    }
}

QList<QWidget *> PassController::passCommands() const
{
    QList<QWidget *> commands = {m_ui.Helpbutton,   m_ui.AddButton,    m_ui.AddFileButton,
                                 m_ui.BackupButton, m_ui.exitButton,   m_ui.SetCDButton,
                                 m_ui.IniButton,    m_ui.ImportButton, m_ui.Exportbutton};
    commands << m_ui.filters->buttons();
    commands << QList<QWidget *> {m_ui.button2, m_ui.Button1, m_ui.Button3, m_ui.EmailButton, m_ui.RestoreButton};
    return commands;
}

QList<QWidget *> PassController::quietControls() const
{
    return m_ui.filters->quietControls() << m_ui.ListView;
}

void PassController::end()
{
    if (!m_run)
        return;
    m_progress->RemoveProgressForm();
    const bool visible = m_form.isVisible();
    if (visible) {
        buttonenable();
        // The list the pass worked on, not whatever field was left when the
        // commands were switched off.
        m_ui.ListView->setFocus(Qt::OtherFocusReason);
        if (m_hourglass) {
            QApplication::restoreOverrideCursor();
            m_hourglass = false;
        }
    }
    m_run->finished();
    const PassOutcome outcome = m_run->outcome();
    m_run.reset();
    const bool mediaCheckWaits = m_session.passEnded(outcome);
    // The commands are buttonenable's; the label is the disk the pass ended on.
    m_form.showMediumTexts();

    if (visible)
        showPassNotice(outcome);
    // A window that is closing has no drive to look at any more.
    if (mediaCheckWaits && visible)
        m_form.SHTimerTimer();
}

void PassController::showPassNotice(const PassOutcome &outcome)
{
    QStringList lines;
    if (outcome.filesMissed > 0) {
        lines << QStringLiteral("%1 FILES OR FOLDERS COULD NOT BE BACKED UP.").arg(outcome.filesMissed);
        if (!outcome.logPath.empty())
            lines << QStringLiteral("THE PASS LOG NAMES EACH WITH ITS CAUSE:")
                  << QString::fromStdString(outcome.logPath);
        else if (!outcome.logError.empty())
            lines << QStringLiteral("THE PASS LOG COULD NOT BE WRITTEN: ") + QString::fromStdString(outcome.logError);
    }
    if (!outcome.listSaveError.empty())
        lines << QStringLiteral("THE BACKUP LIST COULD NOT BE SAVED: ") + QString::fromStdString(outcome.listSaveError);
    if (lines.isEmpty())
        return;
    // The log names what was missed; the notice opens it in the desktop's viewer.
    const QString log = QString::fromStdString(outcome.logPath);
    if (outcome.filesMissed > 0 && !log.isEmpty()) {
        if (MessageBox::noticeWithAction(&m_form, lines.join(QLatin1Char('\r')), QStringLiteral("Open the Log")))
            m_form.openOrSay(log);
    } else {
        MessageBox::notice(&m_form, lines.join(QLatin1Char('\r')));
    }
}

} // namespace quillarc
