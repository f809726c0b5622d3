// The commands that edit the backup list: Add Folder, Add File and the
// list's context menu. Each goes through the session, which saves the disk
// list file at once, and is refused with its reason while no list is read.
#include "gui/TQLForm.h"

#include "gui/mainwindow/MainWindowUi.h"

#include "engine/DiskItself.h"
#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/TDatePickForm.h"
#include "gui/TIncFolderForm.h"
#include "lists/DateTimeText.h"
#include "platform/VolumeHost.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QTableView>

namespace quillarc {

int TQLForm::selectedIndex() const
{
    const QModelIndexList rows = m_ui->ListView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TQLForm::selectIndex(int index)
{
    m_ui->ListView->selectionModel()->clearSelection();
    if (index >= 0)
        m_ui->ListView->selectRow(index);
}

std::optional<std::size_t> TQLForm::selectedItem() const
{
    const int index = selectedIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_session.list().count())
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

// A folder or file on the backup disk itself would be backed up into
// itself, one level deeper on every pass.
bool TQLForm::refusedAsOnBackupDisk(const QString &path)
{
    if (!driveChosen() || !liesOnBackupDisk(path.toStdString(), m_env.host->mediumRoot(m_session.drive()->path())))
        return false;
    MessageBox::notice(this,
                       QString::fromLatin1(kOnBackupDiskMessage.data(), static_cast<int>(kOnBackupDiskMessage.size())));
    return true;
}

void TQLForm::AddbuttonClick()
{
    if (!editAllowed())
        return;
    const QString folder = FileDialog::chooseFolder(this, QStringLiteral("Select Folder"), QDir::homePath());
    if (folder.isEmpty() || refusedAsOnBackupDisk(folder))
        return;
    {
        TDatePickForm date(this, &m_clock);
        if (date.exec() != TDatePickForm::Cancelled) {
            TIncFolderForm include(this);
            include.exec();
            m_session.addItem(QDir::cleanPath(folder).toStdString(), CutOff::at(date.PickedDateTime()),
                              include.subFolders(), true);
        }
    }
    refreshFreeSpaceIfLabelled();
}

void TQLForm::AddFileButtonClick()
{
    if (!editAllowed())
        return;
    const QString file = FileDialog::openFile(this, QString(), QDir::homePath(), QString());
    if (file.isEmpty() || refusedAsOnBackupDisk(file))
        return;
    {
        TDatePickForm date(this, &m_clock);
        if (date.exec() != TDatePickForm::Cancelled)
            m_session.addItem(QDir::cleanPath(file).toStdString(), CutOff::at(date.PickedDateTime()),
                              SubFolders::NotAFolder, false);
    }
    refreshFreeSpaceIfLabelled();
}

void TQLForm::SetItemDateTime()
{
    const std::optional<std::size_t> item = selectedItem();
    if (!item || !editAllowed())
        return;
    {
        TDatePickForm date(this, &m_clock);
        if (date.exec() != TDatePickForm::Cancelled) {
            std::optional<SubFolders> subFolders;
            if (m_session.list().at(*item).isFolder()) {
                TIncFolderForm include(this);
                include.exec();
                subFolders = include.subFolders();
            }
            m_session.setCutOff(*item, CutOff::at(date.PickedDateTime()), subFolders);
        }
    }
    refreshFreeSpaceIfLabelled();
}

void TQLForm::SetAlltothisDate1Click()
{
    const std::optional<std::size_t> item = selectedItem();
    if (!item || !editAllowed() || !MessageBox::confirm(this, QStringLiteral("SET ALL ITEMS TO THIS DATE?")))
        return;
    m_session.setAllToDateOf(*item);
}

void TQLForm::Remove1Click()
{
    const std::optional<std::size_t> item = selectedItem();
    if (!item || !editAllowed() || !MessageBox::confirm(this, QStringLiteral("REMOVE THIS ITEM FROM THE LIST?")))
        return;
    m_session.remove(*item);
}

} // namespace quillarc
