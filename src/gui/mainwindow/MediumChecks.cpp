// The backup drive and the medium in it: choosing the drive, the three
// medium checks (drive chosen, first show, media event), the medium reset,
// and the free-space line. While a pass runs the list, the label and the
// commands belong to the pass; a media event is then checked once it ends.
#include "gui/TQLForm.h"

#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/controls/TGlossButton.h"
#include "platform/DriveTools.h"
#include "platform/FreeSpaceLine.h"
#include "platform/qt/TSHChangeNotify.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillarc {

namespace {

const char *const kNoEmptySpace = "NO EMPTY SPACE ON THIS DISK";
const char *const kNoVolumeInserted = "NO BACKUP VOLUME INSERTED";

} // namespace

std::string TQLForm::driveText() const
{
    return CDEdit->text().toStdString();
}

bool TQLForm::driveChosen() const
{
    return isDriveRoot(driveText());
}

void TQLForm::setMediumCommands(bool three, bool importExport)
{
    for (QWidget *command : {static_cast<QWidget *>(BackupButton), static_cast<QWidget *>(AddButton),
                             static_cast<QWidget *>(AddFileButton)})
        command->setEnabled(three);
    ImportButton->setEnabled(importExport);
    Exportbutton->setEnabled(importExport);
}

void TQLForm::watchBackupDrive()
{
    if (m_notify)
        m_notify->setWatchedRoots(driveChosen() ? QStringList {CDEdit->text()} : QStringList {});
}

std::int64_t TQLForm::GetDiskFree()
{
    const std::int64_t free = driveChosen() ? m_env.host->freeBytes(driveText()) : -1;
    FreeSpaceStatusBar->setText(QString::fromStdString(freeSpaceLine(free)));
    return free;
}

void TQLForm::LoadIniFile()
{
    const auto result = m_listFile.LoadIniFile(Edit2->text().toStdString(), m_list);
    const std::string_view message = DiskListFile::messageFor(result);
    if (!message.empty())
        MessageBox::notice(this, QString::fromUtf8(message.data(), static_cast<int>(message.size())));
}

void TQLForm::SAveIniFile()
{
    m_listFile.SAveIniFile(driveText(), Edit2->text().toStdString(), m_list);
}

// The part the drive-chosen and first checks share once a label is known:
// the list is loaded only when the disk has room; Import and Export come on
// either way.
void TQLForm::loadIfRoom()
{
    if (GetDiskFree() != 0) {
        LoadIniFile();
        setMediumCommands(true, true);
        return;
    }
    MessageBox::notice(this, QString::fromLatin1(kNoEmptySpace));
    ImportButton->setEnabled(true);
    Exportbutton->setEnabled(true);
}

void TQLForm::SetCDButtonClick()
{
    const QString start = driveChosen() ? CDEdit->text() : QDir::homePath();
    const QString folder = FileDialog::chooseFolder(this, QStringLiteral("Select Folder"), start);
    if (folder.isEmpty())
        return;
    const std::string root = m_env.driveRootFor(QDir::cleanPath(folder).toStdString());
    if (!root.empty()) {
        CDEdit->setText(QString::fromStdString(root));
        watchBackupDrive();
    }
    DoIniLoad();
}

void TQLForm::DoIniLoad()
{
    if (!driveChosen() || BackupRunning())
        return;
    Edit2->setText(QString::fromStdString(GetVolumeLabel(*m_env.host, driveText())));
    if (!Edit2->text().isEmpty()) {
        loadIfRoom();
    } else {
        setMediumCommands(false, false);
        m_list.clear();
    }
}

void TQLForm::Timer2Timer()
{
    Timer2.stop();
    placeWindow();
    // The label is the one read while the window was created.
    if (Edit2->text().isEmpty()) {
        MessageBox::notice(this, QString::fromLatin1(kNoVolumeInserted));
        return;
    }
    loadIfRoom();
}

void TQLForm::mediaEvent(bool inserted, const QString &path1)
{
    if (path1 != CDEdit->text())
        return;
    m_mediaPresent = inserted;
    // Several events within a second make one check, which sees the last.
    if (!SHTimer.isActive())
        SHTimer.start();
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
    SHTimer.stop();
    if (BackupRunning()) {
        // The disk change of a pass is the disk-full dialog's business;
        // the window looks at the drive again once the pass has ended.
        m_mediaCheckAfterPass = true;
        return;
    }
    if (m_mediaPresent) {
        Edit2->setText(QString::fromStdString(GetVolumeLabel(*m_env.host, driveText())));
        if (Edit2->text().isEmpty()) {
            setMediumCommands(false, false);
            m_list.clear();
        } else if (GetDiskFree() != 0) {
            LoadIniFile();
            setMediumCommands(true, true);
        } else {
            MessageBox::notice(this, QString::fromLatin1(kNoEmptySpace));
        }
        return;
    }
    if (QString::fromStdString(GetVolumeLabel(*m_env.host, driveText())) != Edit2->text())
        removeddelete();
}

void TQLForm::removeddelete()
{
    if (BackupRunning())
        return;
    Edit2->clear();
    FreeSpaceStatusBar->clear();
    setMediumCommands(false, false);
    m_list.clear();
}

void TQLForm::IniButtonClick()
{
    // With no disk current there is nothing to forget: the button then loads
    // the disk now in the drive, where it used to reset for ever.
    if (!Edit2->text().isEmpty() && QString::fromStdString(GetVolumeLabel(*m_env.host, driveText())) != Edit2->text())
        removeddelete();
    else
        DoIniLoad();
}

void TQLForm::refreshFreeSpaceIfLabelled()
{
    if (!Edit2->text().isEmpty())
        GetDiskFree();
}

} // namespace quillarc
