#include "platform/qt/OpenDocument.h"

#include <QProcess>

namespace quillarc {

// xdg-open hands the target to the program the desktop has chosen for it;
// it is what QDesktopServices runs on Linux too, and keeps Qt Gui out of
// the platform layer.
bool openDocument(const QString &target, QString *error)
{
    if (target.isEmpty()) {
        if (error)
            *error = QStringLiteral("NOTHING TO OPEN");
        return false;
    }
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {target}))
        return true;
    if (error)
        *error = QStringLiteral("CANNOT OPEN %1 - PLEASE INSTALL XDG-UTILS").arg(target);
    return false;
}

QString mailtoLink(const QString &address)
{
    return QStringLiteral("mailto:") + address + QStringLiteral("?subject=Quillarc");
}

} // namespace quillarc
