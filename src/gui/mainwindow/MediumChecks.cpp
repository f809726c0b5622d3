// The backup drive and the medium in it, as the window shows them: the
// drive button, the three medium checks (drive chosen, first show, media
// event), the medium reset and the free-space line. The checks themselves
// are the session's; the window draws what they leave and shows what they
// say. While a pass runs the list, the label and the commands belong to the
// pass; a media event is then checked once it ends.
#include "gui/TQLForm.h"

#include "gui/mainwindow/MainWindowUi.h"

#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/controls/TGlossButton.h"
#include "platform/qt/TSHChangeNotify.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace quillarc {

void TQLForm::showMediumTexts()
{
    m_ui->CDEdit->setText(QString::fromStdString(driveText(m_session.drive())));
    m_ui->Edit2->setText(QString::fromStdString(m_session.label()));
    m_ui->FreeSpaceStatusBar->setText(QString::fromStdString(m_session.freeLine()));
}

void TQLForm::showMedium()
{
    showMediumTexts();
    if (BackupRunning())
        return; // the pass set the commands
    for (QWidget *command : {static_cast<QWidget *>(m_ui->BackupButton), static_cast<QWidget *>(m_ui->AddButton),
                             static_cast<QWidget *>(m_ui->AddFileButton)})
        command->setEnabled(m_session.addAndBackupEnabled());
    m_ui->ImportButton->setEnabled(m_session.importExportEnabled());
    m_ui->Exportbutton->setEnabled(m_session.importExportEnabled());
}

void TQLForm::showNotices(const DiskSession::Notices &notices)
{
    for (const std::string &text : notices)
        MessageBox::notice(this, QString::fromStdString(text));
}

void TQLForm::transition(const std::function<DiskSession::Notices()> &step)
{
    DiskSession::Notices notices;
    try {
        notices = step();
    } catch (...) {
        showMedium();
        throw;
    }
    showMedium();
    showNotices(notices);
}

bool TQLForm::editAllowed()
{
    const std::string refusal = m_session.editRefusal();
    if (refusal.empty())
        return true;
    MessageBox::notice(this, QString::fromStdString(refusal));
    return false;
}

void TQLForm::watchBackupDrive()
{
    if (m_notify)
        m_notify->setWatchedRoots(driveChosen() ? QStringList {QString::fromStdString(m_session.drive()->path())}
                                                : QStringList {});
}

std::int64_t TQLForm::GetDiskFree()
{
    const std::int64_t free = m_session.queryFree();
    m_ui->FreeSpaceStatusBar->setText(QString::fromStdString(m_session.freeLine()));
    return free;
}

void TQLForm::saveItems()
{
    m_session.saveListAtClose();
}

void TQLForm::SetCDButtonClick()
{
    const QString start = driveChosen() ? QString::fromStdString(m_session.drive()->path()) : QDir::homePath();
    const QString folder = FileDialog::chooseFolder(this, QStringLiteral("Select Folder"), start);
    if (folder.isEmpty())
        return;
    const std::string root = m_env.driveRootFor(QDir::cleanPath(folder).toStdString());
    transition([&] { return m_session.chooseDrive(root); });
    watchBackupDrive();
}

void TQLForm::DoIniLoad()
{
    transition([this] { return m_session.driveChosenCheck(); });
}

void TQLForm::Timer2Timer()
{
    m_ui->Timer2.stop();
    placeWindow();
    const bool noDisk = m_session.label().empty();
    transition([this] { return m_session.firstCheck(); });
    if (noDisk) {
        // The message leaves a new user looking for what to press: the
        // drive button is where to begin, so it takes the focus and shows
        // the mark of a keyboard focus.
        setAttribute(Qt::WA_KeyboardFocusChange);
        m_ui->SetCDButton->setStyleSheet(
            QStringLiteral("QToolButton:focus { border: 2px solid palette(highlight); border-radius: 3px; }"));
        m_ui->SetCDButton->setFocus(Qt::TabFocusReason);
    }
}

void TQLForm::mediaEvent(bool inserted, const QString &path1)
{
    if (!m_session.mediaEvent(inserted, path1.toStdString()))
        return;
    // Several events within a second make one check, which sees the last.
    if (!m_ui->SHTimer.isActive())
        m_ui->SHTimer.start();
}

void TQLForm::SHChangeNotify1MediaInserted(std::uint32_t, const QString &path1)
{
    mediaEvent(true, path1);
}

void TQLForm::SHChangeNotify1MediaRemoved(std::uint32_t, const QString &path1)
{
    mediaEvent(false, path1);
}

void TQLForm::SHTimerTimer()
{
    m_ui->SHTimer.stop();
    transition([this] { return m_session.delayedCheck(); });
}

void TQLForm::listReadElsewhere()
{
    // A pass elsewhere wrote to the disk as well as to its list.
    showMedium();
    refreshFreeSpaceIfLabelled();
}

void TQLForm::removeddelete()
{
    m_session.reset();
    showMedium();
}

void TQLForm::IniButtonClick()
{
    transition([this] { return m_session.reload(); });
}

void TQLForm::followFreeSpace()
{
    // The disk's contents change under the window: during its own pass,
    // while the disk-full dialog waits, and when a pass started elsewhere (a
    // timer, a mount) writes to it. Reading the free space is cheap, so the
    // line is read again every second while a labelled disk is in hand.
    m_ui->FreeSpaceTimer.setInterval(1000);
    connect(&m_ui->FreeSpaceTimer, &QTimer::timeout, this, [this] {
        if (!isVisible() || m_session.label().empty())
            return;
        try {
            GetDiskFree();
        } catch (const std::exception &) {
            // A disk gone meanwhile: its medium check says so.
        }
    });
    m_ui->FreeSpaceTimer.start();
}

void TQLForm::refreshFreeSpaceIfLabelled()
{
    if (!m_session.label().empty())
        GetDiskFree();
}

} // namespace quillarc
