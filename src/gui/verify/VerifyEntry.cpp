#include "gui/verify/VerifyEntry.h"

#include "gui/TQLForm.h"
#include "gui/verify/WindowVerify.h"
#include "platform/VolumeHost.h"

#include <QAction>
#include <QMenu>

namespace quillarc {

void addVerifyEntry(QMenu &menu, TQLForm &form, const std::string &programFolder)
{
    auto *verify = form.findChild<WindowVerify *>();
    if (!verify)
        verify = new WindowVerify(form);
    const DiskSession &session = form.session();
    QAction *entry = menu.addAction(QStringLiteral("Verify the Copies on This Disk"));
    entry->setToolTip(QStringLiteral("Reads every copy on the disk back and compares it with what was backed up"));
    entry->setEnabled(!session.label().empty() && session.driveChosen() && !form.BackupRunning() && !verify->running());
    QObject::connect(entry, &QAction::triggered, verify, [verify, &form, programFolder] {
        const DiskSession &inHand = form.session();
        if (inHand.label().empty() || !inHand.drive() || form.BackupRunning())
            return;
        const std::string &drive = inHand.drive()->path();
        // The disk as the pass sees it: where its medium starts, and the
        // file system's UUID that the pass recorded it by.
        const VolumeHost &host = form.volumeHost();
        DiskToVerify disk;
        disk.programFolder = programFolder;
        disk.root = host.mediumRoot(drive);
        if (disk.root.empty())
            return;
        disk.label = inHand.label();
        disk.uuid = host.fileSystemUuid(drive);
        disk.freeBytes = host.freeBytes(drive);
        verify->start(disk);
    });
}

} // namespace quillarc
