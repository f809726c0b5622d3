#pragma once

#include "lists/AutoBackupSetting.h"

#include <QObject>

#include <string>

class QMenu;

namespace quillarc {

class TQLForm;

/// The label field's context menu: its usual entries, "Back up when this
/// disk is mounted", a check mark that says whether passes onto the disk of
/// this label start by themselves while the watcher runs
/// (quillarc-pass --watch), and the same for every other known disk, so
/// that one can be opted out without being plugged in. The field's tooltip
/// tells what is known of the disk in hand: its last pass, that choice, and
/// its free space when last seen.
class AutoBackupEntry : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kText = "Back up when this disk is mounted";
    static constexpr const char *kOthersText = "Other disks backed up when mounted";

    AutoBackupEntry(TQLForm &form, const std::string &programFolder);

    /// The menu the label field shows (the caller owns it).
    QMenu *menu();
    /// This entry's part of that menu.
    void addEntries(QMenu &menu);
    /// Switches the label's choice, saying why when it cannot be saved.
    void choose(bool on);
    /// Switches the choice of the disk of `label`.
    void choose(const std::string &label, bool on);
    /// The label field's tooltip for the disk in hand; empty without one.
    QString statusTip() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TQLForm &m_form;
    std::string m_folder;
    AutoBackupSetting m_setting;
};

/// Keeps the window's list equal to its list file when a pass elsewhere (the
/// watcher, the timer) saves that file: the window reloads it, so that its
/// next save cannot put the old cut-offs back. The window's own saves are
/// recognised by their bytes and change nothing.
class ListFileFollower : public QObject {
    Q_OBJECT
public:
    ListFileFollower(TQLForm &form, const std::string &programFolder);

    /// Compares the current label's list file with the window's list and
    /// reloads it when another program changed it.
    void check();

private:
    /// Takes the current label's list file as it is now as the window's.
    void remember();

    TQLForm &m_form;
    std::string m_folder;
    std::string m_path;      ///< the list file last looked at
    std::string m_signature; ///< its size, time and inode then
};

/// Adds both to the main window.
void attachMountedDiskSupport(TQLForm &form, const std::string &programFolder);

} // namespace quillarc
