#include "platform/qt/OpenDocument.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

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

namespace {

QString cannotOpen(const QString &target, const QString &why)
{
    return QStringLiteral("CANNOT OPEN %1 - %2").arg(target, why);
}

// xdg-open's exit codes: 2 the file does not exist, 3 no program for it
// (or a tool it needs is missing), 4 the program it started failed.
QString xdgOpenFailure(const QString &target, int exitCode)
{
    switch (exitCode) {
    case 2:
        return cannotOpen(target, QStringLiteral("THE FILE DOES NOT EXIST"));
    case 3:
        return cannotOpen(target, QStringLiteral("NO PROGRAM ON THIS COMPUTER OPENS IT"));
    default:
        return cannotOpen(target,
                          QStringLiteral("THE PROGRAM THAT OPENS IT FAILED (XDG-OPEN EXIT CODE %1)").arg(exitCode));
    }
}

} // namespace

void openDocumentOrSay(const QString &target, std::function<void(const QString &message)> failed)
{
    const auto fail = [&failed](const QString &message) {
        if (failed)
            failed(message);
    };
    if (target.isEmpty()) {
        fail(QStringLiteral("NOTHING TO OPEN"));
        return;
    }
    const QUrl url(target);
    if (url.scheme().isEmpty() && !QFileInfo::exists(target)) {
        fail(cannotOpen(target, QStringLiteral("THE FILE DOES NOT EXIST")));
        return;
    }
    // The process belongs to the application, so that one still running
    // when the program ends is not left behind as a zombie; it writes where
    // the program writes, so the opened program never meets a closed pipe.
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({target});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, target, failed](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         if (failed)
                             failed(cannotOpen(target, QStringLiteral("PLEASE INSTALL XDG-UTILS")));
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, target, failed](int exitCode, QProcess::ExitStatus status) {
                         if ((status != QProcess::NormalExit || exitCode != 0) && failed)
                             failed(xdgOpenFailure(target, status == QProcess::NormalExit ? exitCode : -1));
                         process->deleteLater();
                     });
    process->start();
}

QString mailtoLink(const QString &address)
{
    return QStringLiteral("mailto:") + address + QStringLiteral("?subject=Quillarc");
}

} // namespace quillarc
