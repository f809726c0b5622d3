// The backup pass from the window: the Backup command, STOP, the pass
// state of the commands, and the end of the pass. The pass itself runs
// through BackupRun, as it does for quillarc-pass and the tests.
#include "gui/TQLForm.h"

#include "engine/BackupRun.h"
#include "gui/GuiPassUi.h"
#include "gui/MessageBox.h"
#include "gui/TProgressForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"
#include "gui/mainwindow/BackupListModel.h"
#include "gui/mainwindow/LowerCaseEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace quillarc {

void TQLForm::RunDeleter::operator()(BackupRun *run) const
{
    delete run;
}

TQLForm::~TQLForm()
{
    // Torn down without closing (tests, a crash of the event loop): a pass
    // still going ends before the list and the ui it borrows go.
    m_run.reset();
    // The view's model listens to the list, a member that goes before the
    // window's children do: it must stop listening first.
    delete m_model;
    m_model = nullptr;
}

void TQLForm::BackupButtonClick()
{
    if (BackupRunning() || !m_passUi)
        return;
    // With no list read there is nothing to back up, and the person is told
    // what to do first (no disk chosen, no label, no room).
    const std::string refusal = m_session.passRefusal();
    if (!refusal.empty()) {
        MessageBox::notice(this, QString::fromStdString(refusal));
        return;
    }
    StatusBar->clear();
    StatusBarFolder->clear();

    auto run = std::make_unique<BackupRun>(m_session.runSetup(*m_passUi, m_clock, m_config.exclude));
    if (!run->start()) {
        const std::string &refused = run->outcome().refusalMessage;
        if (!refused.empty())
            MessageBox::notice(this, QString::fromStdString(refused));
        return;
    }
    m_run.reset(run.release());
    m_session.passStarted();
    buttondisable();
    m_progress->TotalRarBar->setProgress(0);
    m_progress->FolderRarBar->setProgress(0);
    m_progress->setItemCount(m_run->checkedItems());
    m_progress->showBeside(this);
    m_passUi->follow(m_run.get());
}

void TQLForm::StopButtonClick()
{
    if (!BackupRunning())
        return;
    m_run->stop();
    setPassCursor(StopButton, false);
    if (!m_hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_hourglass = true;
    }
    m_progress->AbortButton->setCursor(Qt::PointingHandCursor);
}

void TQLForm::abortPass()
{
    if (BackupRunning())
        m_run->abort();
}

void TQLForm::setPassCursor(QWidget *widget, bool enabled)
{
    widget->setEnabled(enabled);
    widget->setCursor(enabled ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
}

void TQLForm::buttondisable()
{
    for (QWidget *command : passCommands())
        setPassCursor(command, false);
    setPassCursor(StopButton, true);
    for (QWidget *control : quietControls())
        control->setEnabled(false);
}

void TQLForm::buttonenable()
{
    for (QWidget *command : passCommands()) {
        if (command != Helpbutton && command != AddButton && command != AddFileButton && command != BackupButton)
            setPassCursor(command, true);
    }
    setPassCursor(StopButton, false);
    for (QWidget *control : quietControls())
        control->setEnabled(true);
    // A disk left without room keeps the four that need room as the pass
    // left them.
    if (driveChosen() && GetDiskFree() != 0) {
        for (QWidget *command : {static_cast<QWidget *>(Helpbutton), static_cast<QWidget *>(AddButton),
                                 static_cast<QWidget *>(AddFileButton), static_cast<QWidget *>(BackupButton)})
            setPassCursor(command, true);
    }
}

QList<QWidget *> TQLForm::passCommands() const
{
    return {Helpbutton,   AddButton,    AddFileButton,       BackupButton,     exitButton,      SetCDButton,  IniButton,
            ImportButton, Exportbutton, removepatternbutton, addpatternbutton, removeextbutton, addextbutton, button2,
            Button1,      Button3,      EmailButton,         RestoreButton};
}

QList<QWidget *> TQLForm::quietControls() const
{
    return {ComboBoxP, patternEdit, ComboBox, extEdit, ListView};
}

void TQLForm::TimerTimer()
{
    if (!m_run)
        return;
    m_progress->RemoveProgressForm();
    const bool visible = isVisible();
    if (visible) {
        buttonenable();
        // The list the pass worked on, not whatever field was left when the
        // commands were switched off.
        ListView->setFocus(Qt::OtherFocusReason);
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
    showMediumTexts();

    if (visible)
        showPassNotice(outcome);
    // A window that is closing has no drive to look at any more.
    if (mediaCheckWaits && visible)
        SHTimerTimer();
}

void TQLForm::showPassNotice(const PassOutcome &outcome)
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
        if (MessageBox::noticeWithAction(this, lines.join(QLatin1Char('\r')), QStringLiteral("Open the Log")))
            openOrSay(log);
    } else {
        MessageBox::notice(this, lines.join(QLatin1Char('\r')));
    }
}

} // namespace quillarc
