#include "gui/mainwindow/AutoBackupEntry.h"

#include "catalogue/DiskCatalogueStatus.h"
#include "catalogue/DiskLayout.h"
#include "gui/MessageBox.h"
#include "gui/TQLForm.h"
#include "gui/mainwindow/ContextMenus.h"
#include "engine/PassLog.h"
#include "gui/mainwindow/MainWindowUi.h"
#include "gui/mainwindow/MountWatchPresence.h"
#include "gui/verify/VerifyEntry.h"
#include "lists/DiskListFile.h"
#include "lists/DiskStatus.h"

#include <QAction>
#include <QHelpEvent>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolTip>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace quillarc {

namespace {

std::string fileSignature(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

std::string fileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The bytes the window would save for its list.
std::string listBytes(const BackupList &list)
{
    std::vector<std::string> lines;
    DiskListFile::appendItemLines(list, lines);
    std::string bytes;
    for (const std::string &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

} // namespace

AutoBackupEntry::AutoBackupEntry(TQLForm &form, const std::string &programFolder)
    : QObject(&form), m_form(form), m_folder(programFolder), m_setting(programFolder)
{
    form.menus().addLabelEntries([this](QMenu &menu) { addEntries(menu); });
    form.ui().Edit2->installEventFilter(this);
}

QMenu *AutoBackupEntry::menu()
{
    return m_form.menus().labelMenu();
}

void AutoBackupEntry::addEntries(QMenu &menu)
{
    QAction *entry = menu.addAction(QString::fromLatin1(kText));
    entry->setCheckable(true);
    const std::string label = m_form.session().label();
    entry->setEnabled(!label.empty() && !m_form.BackupRunning());
    entry->setChecked(m_setting.isOn(label));
    connect(entry, &QAction::triggered, this, [this](bool on) { choose(on); });

    QMenu *others = menu.addMenu(QString::fromLatin1(kOthersText));
    for (const std::string &other : knownLabels(m_folder)) {
        if (other == label)
            continue;
        QAction *disk = others->addAction(QString::fromStdString(other));
        disk->setCheckable(true);
        disk->setChecked(m_setting.isOn(other));
        connect(disk, &QAction::triggered, this, [this, other](bool on) { choose(other, on); });
    }
    others->setEnabled(!others->actions().isEmpty());
    addVerifyEntry(menu, m_form, m_folder);
}

void AutoBackupEntry::choose(bool on)
{
    choose(m_form.session().label(), on);
}

void AutoBackupEntry::choose(const std::string &label, bool on)
{
    try {
        switch (m_setting.set(label, on)) {
        case AutoBackupSetting::SetResult::Saved:
            if (on)
                adviseWhenMountWatchStopped(&m_form, m_form.mountWatchRunning());
            return;
        case AutoBackupSetting::SetResult::NoLabel:
            MessageBox::notice(&m_form, QString::fromLatin1(kNoVolumeLabelMessage.data(),
                                                            static_cast<int>(kNoVolumeLabelMessage.size())));
            return;
        case AutoBackupSetting::SetResult::UnknownDisk:
            MessageBox::notice(
                &m_form, QString::fromLatin1(kUnknownDiskMessage.data(), static_cast<int>(kUnknownDiskMessage.size())));
            return;
        }
    } catch (const std::exception &error) {
        MessageBox::error(&m_form, QString::fromStdString(error.what()));
    }
}

QString AutoBackupEntry::statusTip() const
{
    const std::string label = m_form.session().label();
    if (label.empty())
        return {};
    return QString::fromStdString(
               label + "\n" + diskStatusLines(m_folder, label, PassLog(m_folder).path()) +
               diskCatalogueLines(m_folder + std::string(disklayout::kProgramCatalogue), {label, ""}))
        .trimmed();
}

bool AutoBackupEntry::eventFilter(QObject *watched, QEvent *event)
{
    // Events reach the filter while the window is torn down too: the form is
    // looked at only for a tooltip, which never comes then.
    if (event->type() == QEvent::ToolTip && watched == m_form.ui().Edit2) {
        const QString tip = statusTip();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, m_form.ui().Edit2);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

ListFileFollower::ListFileFollower(TQLForm &form, const std::string &programFolder)
    : QObject(&form), m_form(form), m_folder(programFolder)
{
    // A list file is replaced by a rename, which the folder reports; the
    // check waits a moment so that a burst of changes makes one.
    auto *watcher = new QFileSystemWatcher(this);
    watcher->addPath(QString::fromStdString(programFolder));
    auto *settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(100);
    connect(watcher, &QFileSystemWatcher::directoryChanged, settle, qOverload<>(&QTimer::start));
    connect(settle, &QTimer::timeout, this, &ListFileFollower::check);
    // The label field shows the disk in hand: a new one there is a new file
    // to follow.
    connect(form.ui().Edit2, &QLineEdit::textChanged, this, &ListFileFollower::remember);
    remember();
}

void ListFileFollower::remember()
{
    const DiskSession &session = m_form.session();
    m_path = session.listRead() ? session.listFile().pathFor(session.label()) : std::string();
    m_signature = m_path.empty() ? std::string() : fileSignature(m_path);
}

void ListFileFollower::check()
{
    DiskSession &session = m_form.session();
    if (!session.listRead() || m_form.BackupRunning())
        return;
    const std::string path = session.listFile().pathFor(session.label());
    const std::string signature = fileSignature(path);
    // Another disk in hand since the last look: its file is judged by its
    // bytes alone.
    if (path != m_path) {
        m_path = path;
        m_signature.clear();
    }
    if (signature == m_signature)
        return;
    m_signature = signature;
    if (signature.empty() || fileBytes(path) == listBytes(session.list()))
        return; // gone (the window says so when it next loads), or the window's own save
    // Read through the session, so the list in hand stays the one read
    // from this label's file; a file that cannot be read leaves no list,
    // which is then never saved over it.
    try {
        session.readList();
    } catch (const std::exception &) {
        m_signature.clear();
    }
    m_form.listReadElsewhere();
}

void attachMountedDiskSupport(TQLForm &form, const std::string &programFolder)
{
    new AutoBackupEntry(form, programFolder);
    new ListFileFollower(form, programFolder);
}

} // namespace quillarc
