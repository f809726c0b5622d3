#pragma once

#include "engine/DiskSession.h"
#include "gui/mainwindow/MainWindowEnvironment.h"
#include "lists/BackupList.h"
#include "lists/FilterLists.h"
#include "lists/ProgramConfig.h"

#include <QKeySequence>
#include <QList>
#include <QMargins>
#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quillarc {

class BackupListModel;
class BackupRun;
class ContextMenus;
class PassController;
class TProgressForm;
class TSHChangeNotify;
class TSystemProbe;
struct MainWindowUi;

/// The main window: a view over the disk in hand (DiskSession) with the
/// filter lists and every command. It shows the session's drive, label,
/// list and free space, and sends it the commands, the media events and
/// the passes' ends; no widget text is program state.
class TQLForm : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Quillarc V.1.4 June 5th, 2005";

    /// Creates the window and runs its creation steps (config or first run,
    /// label read); the caller shows it and then creates the progress window
    /// with createProgressForm().
    explicit TQLForm(MainWindowEnvironment environment, QWidget *parent = nullptr);
    ~TQLForm() override;

    /// Start-up's last step: the progress window, hidden, for the life of
    /// the program.
    void createProgressForm();
    TProgressForm *progressForm() const;

    // The backup drive and the medium in it.
    void SetCDButtonClick();
    void DoIniLoad();
    void Timer2Timer();
    void SHChangeNotify1MediaInserted(std::uint32_t flags, const QString &path1);
    void SHChangeNotify1MediaRemoved(std::uint32_t flags, const QString &path1);
    void SHTimerTimer();
    void removeddelete();
    void IniButtonClick();
    std::int64_t GetDiskFree();

    // The list file of the disk in hand and "config".
    void saveItems();
    void SAvePConfigFile();

    // Editing the list.
    void AddbuttonClick();
    void AddFileButtonClick();
    void SetItemDateTime();
    void SetAlltothisDate1Click();
    void Remove1Click();
    void GetFilesBackClick();

    // The extension and pattern strips.
    void addext();
    void addpattern();
    void removeextbuttonClick();
    void removepatternbuttonClick();

    // Import and export.
    void ImportButtonClick();
    void ExportbuttonClick();

    // The backup pass from the window.
    void BackupButtonClick();
    void StopButtonClick();
    void buttondisable();
    void buttonenable();
    void TimerTimer();

    // The small commands, and closing.
    void HelpbuttonClick();
    void exitButtonClick();
    void Button1Click();
    void Button2Click();
    void RestoreButtonClick();
    void Button3Click();
    void EmailButtonClick();
    void TXTTimerTimer();
    void CloseTimerTimer();
    void doclosecode();

    /// Another start of the program asked for the window: it is shown,
    /// raised and made active, made anew when it was destroyed from outside;
    /// nothing happens while the window closes for good.
    void bringBack();

    /// Whether the mount watch runs for this program folder.
    bool mountWatchRunning() const { return !m_env.mountWatchRunning || m_env.mountWatchRunning(); }
    const VolumeHost &volumeHost() const { return *m_env.host; }

    /// True from a successful Backup command until the end-of-pass handler;
    /// the session is the one that knows.
    bool BackupRunning() const { return m_session.passRunning(); }
    /// The pass in progress, or null.
    BackupRun *currentRun() const;

    /// The session's list, to read; edits go through session().
    BackupList &list() { return m_session.list(); }
    const ProgramConfig &config() const { return m_session.config(); }
    DiskSession &session() { return m_session; }
    /// The list file of the disk in hand was read again after a pass
    /// elsewhere saved it: draw what the session now holds.
    void listReadElsewhere();
    /// Index of the selected item, or -1.
    int selectedIndex() const;
    void selectIndex(int index);
    bool MediaPresent() const { return m_session.mediaPresent(); }
    int SavedLeft() const { return m_session.config().SavedLeft; }
    int SavedTop() const { return m_session.config().SavedTop; }
    TSHChangeNotify *changeNotify() const { return m_notify; }

    /// A command's own key: pressing it anywhere in the window does what a
    /// click on the control does.
    struct CommandKey {
        QWidget *control;
        QKeySequence keys;
    };
    QList<CommandKey> commandKeys() const;
    /// An entry of the list's menu and its key, which works on the selected
    /// item while the list has the focus, without opening the menu.
    struct EntryKey {
        QString entry;
        QKeySequence keys;
    };
    static QList<EntryKey> listEntryKeys();

    /// The window's controls and timers, for code that hooks into the
    /// window (menus, keys) and for the tests; the window alone changes what
    /// they show.
    MainWindowUi &ui() { return *m_ui; }
    const MainWindowUi &ui() const { return *m_ui; }
    /// The list's and the label field's context menus, where a window that
    /// hooks in adds its entries.
    ContextMenus &menus() { return *m_menus; }
    /// Runs a handler under the program's top-level error handler: an error
    /// it raises is shown in an error box and the window carries on.
    void guarded(const std::function<void()> &handler);

Q_SIGNALS:
    /// The window has closed for good (config and list saved): the program ends.
    void programEnded();
    /// The window manager has framed the window and its place has been
    /// checked once more (a place off the screen brought back).
    void placeSettled();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    friend class PassController;

    // Construction, one file each.
    void connectCommands();
    void connectTimers();
    void connectMediaEvents();
    void connectShortcuts();
    void FormCreate();
    void sizeWindow();

    template <class Method>
    std::function<void()> handler(Method method)
    {
        return [this, method] { guarded([this, method] { (this->*method)(); }); };
    }
    void showError(const QString &text);

    // Drawing the session and showing what its transitions say.
    bool driveChosen() const { return m_session.driveChosen(); }
    void showMedium();
    void showMediumTexts();
    void showNotices(const DiskSession::Notices &notices);
    /// Runs a transition of the session, then draws the result and shows
    /// its messages (also when it fails half way).
    void transition(const std::function<DiskSession::Notices()> &step);
    /// False, after saying why, when the list cannot be edited now.
    bool editAllowed();
    /// True, after saying so, when `path` lies on the backup disk itself.
    bool refusedAsOnBackupDisk(const QString &path);
    void watchBackupDrive();
    void mediaEvent(bool inserted, const QString &path1);

    // Config and list font.
    void applyConfig();
    void collectConfig();
    void refreshFilterLists();
    FilterLists filterLists();
    void applyListFont();

    // List edits.
    void refreshFreeSpaceIfLabelled();
    void followFreeSpace();
    /// Index of the selected item when it is one of the list's.
    std::optional<std::size_t> selectedItem() const;

    // What a person meets around the commands: a word when a document cannot
    // be opened, the window's remembered place and its size at any scale.
    void openOrSay(const QString &target, const QString &instead = {});
    void placeWindow();
    void fitWindowTo(QSize wanted);
    QSize sizeToSave() const;
    QSize m_wantedSize; ///< the design's or the config's size, before fitting
    QSize m_fittedSize; ///< what the window got of it on this screen
    QPoint placeToSave() const;
    QPoint m_askedPlace; ///< the frame's corner the window was placed at
    QPoint m_placedPos;  ///< what the window reported once placed
    bool m_placed = false;
    /// The place "config" held, kept until the window is placed there.
    std::optional<QPoint> m_rememberedPlace;
    /// The frame around the window, or a likely one before it is framed.
    QMargins frameMargins() const;

    MainWindowEnvironment m_env;
    const Clock &m_clock;
    DiskSession m_session;
    BackupListModel *m_model = nullptr;
    TSHChangeNotify *m_notify = nullptr;
    TSystemProbe *m_probe = nullptr;
    std::unique_ptr<MainWindowUi> m_ui;
    std::unique_ptr<PassController> m_pass;
    ContextMenus *m_menus = nullptr;

    bool m_shownOnce = false;
    bool m_closingForGood = false;
};

} // namespace quillarc
