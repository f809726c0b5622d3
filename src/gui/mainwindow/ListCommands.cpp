// The commands that edit the backup list: Add Folder, Add File and the
// list's context menu. Every edit saves the disk list file at once.
#include "gui/TQLForm.h"

#include "engine/DiskItself.h"
#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/TDatePickForm.h"
#include "gui/TIncFolderForm.h"
#include "lists/DateTimeText.h"
#include "platform/VolumeHost.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

namespace quillarc {

int TQLForm::selectedIndex() const
{
    const QModelIndexList rows = ListView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TQLForm::selectIndex(int index)
{
    ListView->selectionModel()->clearSelection();
    if (index >= 0)
        ListView->selectRow(index);
}

BackupItem *TQLForm::selectedItem()
{
    const int index = selectedIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_list.count())
        return nullptr;
    return &m_list.at(static_cast<std::size_t>(index));
}

void TQLForm::appendItem(const QString &path, DateTime picked, const QString &subDir, bool checked)
{
    BackupItem &item = m_list.append(path.toStdString());
    m_list.setTexts(item, {cutOffText(picked), numberText(picked), subDir.toStdString()});
    m_list.setChecked(item, checked);
}

// A folder or file on the backup disk itself would be backed up into
// itself, one level deeper on every pass.
bool TQLForm::refusedAsOnBackupDisk(const QString &path)
{
    if (!driveChosen() || !liesOnBackupDisk(path.toStdString(), m_env.host->mediumRoot(driveText())))
        return false;
    MessageBox::notice(this,
                       QString::fromLatin1(kOnBackupDiskMessage.data(), static_cast<int>(kOnBackupDiskMessage.size())));
    return true;
}

void TQLForm::AddbuttonClick()
{
    const QString folder = FileDialog::chooseFolder(this, QStringLiteral("Select Folder"), QDir::homePath());
    if (folder.isEmpty() || refusedAsOnBackupDisk(folder))
        return;
    {
        TDatePickForm date(this, &m_clock);
        if (date.exec() != TDatePickForm::Cancelled) {
            TIncFolderForm include(this);
            include.exec();
            appendItem(QDir::cleanPath(folder), date.PickedDateTime(), include.subDirFlag(), true);
            SAveIniFile();
        }
    }
    refreshFreeSpaceIfLabelled();
}

void TQLForm::AddFileButtonClick()
{
    const QString file = FileDialog::openFile(this, QString(), QDir::homePath(), QString());
    if (file.isEmpty() || refusedAsOnBackupDisk(file))
        return;
    {
        TDatePickForm date(this, &m_clock);
        if (date.exec() != TDatePickForm::Cancelled) {
            appendItem(QDir::cleanPath(file), date.PickedDateTime(), QString(), false);
            SAveIniFile();
        }
    }
    refreshFreeSpaceIfLabelled();
}

void TQLForm::SetItemDateTime()
{
    BackupItem *item = selectedItem();
    if (!item)
        return;
    {
        TDatePickForm date(this, &m_clock);
        if (date.exec() != TDatePickForm::Cancelled) {
            m_list.SetCutOff(*item, date.PickedDateTime());
            if (item->isFolder()) {
                TIncFolderForm include(this);
                include.exec();
                m_list.setText(*item, TextSubDir, include.subDirFlag().toStdString());
            }
            SAveIniFile();
        }
    }
    refreshFreeSpaceIfLabelled();
}

void TQLForm::SetAlltothisDate1Click()
{
    BackupItem *item = selectedItem();
    if (!item || !MessageBox::confirm(this, QStringLiteral("SET ALL ITEMS TO THIS DATE?")))
        return;
    const std::string dateTime = item->text(TextDateTime);
    const std::string value = item->text(TextFloat);
    for (std::size_t i = 0; i < m_list.count(); ++i) {
        BackupItem &each = m_list.at(i);
        m_list.setText(each, TextDateTime, dateTime);
        m_list.setText(each, TextFloat, value);
    }
    SAveIniFile();
}

void TQLForm::Remove1Click()
{
    BackupItem *item = selectedItem();
    if (!item || !MessageBox::confirm(this, QStringLiteral("REMOVE THIS ITEM FROM THE LIST?")))
        return;
    m_list.remove(*item);
    SAveIniFile();
}

} // namespace quillarc
