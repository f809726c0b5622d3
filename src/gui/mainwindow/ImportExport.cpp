// Import and export: a disk list file made the list of the current disk,
// or the current list stored as the list of another disk. Both deal in
// whole files in the program folder, through the session.
#include "gui/TQLForm.h"

#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "lists/TextLines.h"

#include <QFileInfo>

namespace quillarc {

void TQLForm::ImportButtonClick()
{
    if (BackupRunning() || m_session.label().empty())
        return;
    const QString chosen = FileDialog::chooseIniFile(this, QStringLiteral("Choose INI File to Import for this disk"),
                                                     QString::fromStdString(m_env.programFolder));
    if (chosen.isEmpty())
        return;
    // Read whole before anything is written: importing the disk's own file
    // is a reload.
    const std::vector<std::string> lines = splitLines(readWholeFile(chosen.toStdString()));
    transition([&] {
        m_session.importLines(lines);
        return DiskSession::Notices {};
    });
    GetDiskFree();
}

void TQLForm::ExportbuttonClick()
{
    if (BackupRunning() || m_session.label().empty())
        return;
    // Only a list read from a disk may become another disk's: the empty
    // list of a disk without room would wipe the file it is written to.
    if (!editAllowed())
        return;
    const QString chosen = FileDialog::chooseIniFile(this, QStringLiteral("Choose Disk Volume Name for Export"),
                                                     QString::fromStdString(m_env.programFolder));
    if (chosen.isEmpty())
        return;
    // Lists live in the program folder, wherever the dialog was taken, and
    // are always "<label>.ini": a typed "config" or "quillarc.log" must not
    // overwrite the program's own files.
    QString name = QFileInfo(chosen).fileName();
    if (!name.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive))
        name += QStringLiteral(".ini");
    m_session.exportTo(m_env.programFolder + name.toStdString());
}

} // namespace quillarc
