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
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTableView;
class QToolButton;

namespace quillarc {
class LowerCaseEdit;
}

namespace quillarc {

class BackupListModel;
class BackupRun;
class GuiPassUi;
class TGlossButton;
class TProgressForm;
class TSHChangeNotify;
class TSystemProbe;
struct PassOutcome;

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
    TProgressForm *progressForm() const { return m_progress; }

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
    void SAveIniFile();
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

    /// True from a successful Backup command until the end-of-pass handler.
    bool BackupRunning() const { return m_run != nullptr; }
    /// The pass in progress, or null.
    BackupRun *currentRun() const { return m_run.get(); }

    /// The session's list, to read; edits go through session().
    BackupList &list() { return m_list; }
    const ProgramConfig &config() const { return m_config; }
    DiskSession &session() { return m_session; }
    /// The list file of the disk in hand was read again after a pass
    /// elsewhere saved it: draw what the session now holds.
    void listReadElsewhere();
    /// Index of the selected item, or -1.
    int selectedIndex() const;
    void selectIndex(int index);
    bool MediaPresent() const { return m_session.mediaPresent(); }
    int SavedLeft() const { return m_config.SavedLeft; }
    int SavedTop() const { return m_config.SavedTop; }
    TSHChangeNotify *changeNotify() const { return m_notify; }

    /// A command's own key: pressing it anywhere in the window does what a
    /// click on the control does.
    struct CommandKey {
        QWidget *control;
        QKeySequence keys;
    };
    QList<CommandKey> commandKeys() const;

    // Panel7
    QToolButton *SetCDButton;
    QLineEdit *CDEdit;
    QPushButton *ImportButton;
    QPushButton *Exportbutton;
    QToolButton *IniButton;
    QLineEdit *Edit2;
    QLabel *FreeCaption;
    QLabel *FreeSpaceStatusBar;
    // Panel8
    TGlossButton *AddFileButton;
    TGlossButton *AddButton;
    TGlossButton *BackupButton;
    TGlossButton *StopButton;
    TGlossButton *Helpbutton;
    TGlossButton *exitButton;
    TGlossButton *Button1;
    TGlossButton *button2;
    TGlossButton *RestoreButton;
    TGlossButton *Button3;
    TGlossButton *EmailButton;
    // Panel6
    QCheckBox *ExcludeCheckBox;
    QLabel *StaticText3;
    LowerCaseEdit *extEdit;
    QPushButton *addextbutton;
    QComboBox *ComboBox;
    QPushButton *removeextbutton;
    QLabel *StaticText4;
    LowerCaseEdit *patternEdit;
    QPushButton *addpatternbutton;
    QComboBox *ComboBoxP;
    QPushButton *removepatternbutton;
    // Panel3
    QLabel *StatusBarFolder;
    QLabel *StatusBar;
    // The list
    QTableView *ListView;
    QMenu *PopupMenu;
    QAction *SetDateTime1;
    QAction *SetAlltothisDate1;
    QAction *Remove1;
    QAction *GetFilesBack1;

    QTimer Timer2;
    QTimer SHTimer;
    QTimer CloseTimer;
    QTimer TXTTimer;
    /// Keeps the Free line current while the disk's contents may change.
    QTimer FreeSpaceTimer;

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
    // Construction, one file each.
    void buildLayout();
    void buildCommandPanel(QWidget *panel1);
    void buildDrivePanel(QWidget *panel7);
    void buildButtonPanel(QWidget *panel8);
    void buildFilterStrip(QWidget *panel6);
    void buildStatusPanel(QWidget *panel3);
    void buildListView();
    void connectCommands();
    void connectShortcuts();
    void openListMenuAtSelection();
    void FormCreate();
    void sizeWindow();

    /// Runs a handler under the program's top-level error handler: an error
    /// it raises is shown in an error box and the window carries on.
    void guarded(const std::function<void()> &handler);
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

    // The pass.
    void abortPass();
    void showPassNotice(const PassOutcome &outcome);
    void setPassCursor(QWidget *widget, bool enabled);
    /// The commands buttondisable and buttonenable switch with their cursors.
    QList<QWidget *> passCommands() const;
    /// The controls they switch without a cursor change.
    QList<QWidget *> quietControls() const;

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
    BackupList &m_list;      ///< the session's, for reading and the view
    ProgramConfig &m_config; ///< the session's
    BackupListModel *m_model = nullptr;
    TSHChangeNotify *m_notify = nullptr;
    TSystemProbe *m_probe = nullptr;
    TProgressForm *m_progress = nullptr; ///< a window of its own, owned as a child
    std::unique_ptr<GuiPassUi> m_passUi;
    /// Ends a run without the window's files needing its definition.
    struct RunDeleter {
        void operator()(BackupRun *run) const;
    };
    std::unique_ptr<BackupRun, RunDeleter> m_run;

    bool m_shownOnce = false;
    bool m_closingForGood = false;
    bool m_hourglass = false;
};

} // namespace quillarc
