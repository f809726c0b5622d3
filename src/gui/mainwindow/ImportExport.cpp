// Import and export: a disk list file made the list of the current disk,
// or the current list stored as the list of another disk. Both deal in
// whole files in the program folder.
#include "gui/TQLForm.h"

#include "gui/FileDialog.h"
#include "lists/AtomicFile.h"
#include "lists/TextLines.h"

#include <QFileInfo>
#include <QLineEdit>

namespace quillarc {

bool TQLForm::importExportReady() const
{
    return driveChosen() && !Edit2->text().isEmpty() && !BackupRunning();
}

void TQLForm::ImportButtonClick()
{
    if (!importExportReady())
        return;
    const QString chosen = FileDialog::chooseIniFile(this, QStringLiteral("Choose INI File to Import for this disk"),
                                                     QString::fromStdString(m_env.programFolder));
    if (chosen.isEmpty())
        return;
    // Read whole before anything is written: importing the disk's own file
    // is a reload.
    const std::vector<std::string> lines = splitLines(readWholeFile(chosen.toStdString()));
    m_listFile.SaveIniInfo(Edit2->text().toStdString(), lines);
    LoadIniFile();
    GetDiskFree();
}

void TQLForm::ExportbuttonClick()
{
    if (!importExportReady())
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
    const std::string target = m_env.programFolder + name.toStdString();
    std::vector<std::string> lines;
    DiskListFile::BackupIniInfo(m_list, lines);
    writeFileAtomically(target, joinLinesCrLf(lines));
}

} // namespace quillarc
