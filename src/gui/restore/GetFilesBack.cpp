// The window's way into getting files back: the list's menu entry and its
// key open the dialog over the program folder's catalogue and the backup
// drive the window watches.
#include "gui/TQLForm.h"

#include "base/Clock.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueText.h"
#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/restore/RestoreDialog.h"
#include "platform/VolumeHost.h"

#include <QDir>

namespace quillarc {

void TQLForm::GetFilesBackClick()
{
    if (BackupRunning()) {
        MessageBox::notice(this, QStringLiteral("Files can be got back once the backup pass has ended."));
        return;
    }
    RestoreDialog::Setup setup;
    setup.programFolder = m_env.programFolder;
    setup.today = dayText((m_env.clock ? *m_env.clock : Clock::system()).now());
    const VolumeHost *host = m_env.host;
    const std::string drive = m_session.drive() ? m_session.drive()->path() : std::string();
    setup.lookAtDrive = [host, drive] {
        DiskFound found;
        if (host == nullptr || drive.empty())
            return found;
        found.root = host->mediumRoot(drive);
        if (!found.root.empty()) {
            found.label = host->volumeLabel(drive);
            found.uuid = host->fileSystemUuid(drive);
        }
        return found;
    };
    setup.chooseFolder = [](QWidget *parent) {
        return FileDialog::chooseFolder(parent, QStringLiteral("Restore into the folder"), QDir::homePath());
    };
    try {
        RestoreDialog dialog(std::move(setup), this);
        dialog.exec();
    } catch (const CatalogueError &error) {
        MessageBox::error(this, QString::fromStdString(error.what()));
    }
}

} // namespace quillarc
