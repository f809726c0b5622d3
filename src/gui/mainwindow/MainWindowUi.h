#pragma once

#include <QTimer>

class QAbstractItemModel;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;

namespace quillarc {

class FilterStrip;
class TGlossButton;

/// The main window's controls and timers under the names the window has
/// always given them, built by the layout code (setupUi) and held by the
/// window alone. Code that hooks into the window and the tests reach them
/// through TQLForm::ui(); the state they show is the session's.
struct MainWindowUi {
    /// Builds every control into `form`, the list over `listModel`, and
    /// sets the form's title and font.
    void setupUi(QWidget *form, QAbstractItemModel *listModel);

    // Panel7: the backup drive and the disk in it.
    QToolButton *SetCDButton = nullptr;
    QLineEdit *CDEdit = nullptr;
    QPushButton *ImportButton = nullptr;
    QPushButton *Exportbutton = nullptr;
    QToolButton *IniButton = nullptr;
    QLineEdit *Edit2 = nullptr;
    QLabel *FreeCaption = nullptr;
    QLabel *FreeSpaceStatusBar = nullptr;
    // Panel8: the commands.
    TGlossButton *AddFileButton = nullptr;
    TGlossButton *AddButton = nullptr;
    TGlossButton *BackupButton = nullptr;
    TGlossButton *StopButton = nullptr;
    TGlossButton *Helpbutton = nullptr;
    TGlossButton *exitButton = nullptr;
    TGlossButton *Button1 = nullptr;
    TGlossButton *button2 = nullptr;
    TGlossButton *RestoreButton = nullptr;
    TGlossButton *Button3 = nullptr;
    TGlossButton *EmailButton = nullptr;
    /// Panel6: EXCLUDE and the extension and pattern lists.
    FilterStrip *filters = nullptr;
    // Panel3: the status lines.
    QLabel *StatusBarFolder = nullptr;
    QLabel *StatusBar = nullptr;
    // The list and its context menu.
    QTableView *ListView = nullptr;
    QMenu *PopupMenu = nullptr;
    QAction *SetDateTime1 = nullptr;
    QAction *SetAlltothisDate1 = nullptr;
    QAction *Remove1 = nullptr;

    QTimer Timer2;     ///< the first medium check, after the first show
    QTimer SHTimer;    ///< the delayed check after media events
    QTimer CloseTimer; ///< closes the window once a pass it stopped has ended
    QTimer TXTTimer;   ///< the read-me at a first start
    /// Keeps the Free line current while the disk's contents may change.
    QTimer FreeSpaceTimer;

private:
    void buildCommandPanel(QWidget *panel1);
    void buildDrivePanel(QWidget *panel7);
    void buildButtonPanel(QWidget *panel8);
    void buildStatusPanel(QWidget *panel3);
    void buildListView(QWidget *form, QAbstractItemModel *listModel);
};

} // namespace quillarc
