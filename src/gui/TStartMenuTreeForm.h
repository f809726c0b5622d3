#pragma once

#include "gui/DialogOutcome.h"

#include <QDialog>
#include <QIcon>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillarc {

/// "Choose a folder on the Start Menu ...": the folder tree below the Start
/// Menu folder, in which the user picks (or creates) the folder for the
/// program's launcher. Outcome 255 = accepted, -1 = cancelled; the choice,
/// relative to the Start Menu folder ("" for the folder itself, names
/// joined by '/'), is StartMenuSubFolder().
class TStartMenuTreeForm : public OneUseDialog {
    Q_OBJECT
public:
    explicit TStartMenuTreeForm(QWidget *parent = nullptr);

    /// Builds the whole tree below `startMenuFolder`; names beginning with
    /// '.' are left out.
    void CreateTreeView(const QString &startMenuFolder);

    QString StartMenuSubFolder() const { return m_subFolder; }

    /// Relative path of a node; empty for the root.
    QString relativePath(const QTreeWidgetItem *node) const;
    /// Root text, then the relative path.
    QString fullPath(const QTreeWidgetItem *node) const;
    /// A text of at most 70 characters whole; a longer one as its first 35
    /// characters, " ... " and its last 33.
    static QString displayText(const QString &path);

    QTreeWidgetItem *root() const;
    /// The node at a relative path ("Programs/Tools"), or null.
    QTreeWidgetItem *nodeAt(const QString &relative) const;

    void TreeViewClick();
    void AcceptButtonClick();
    void CollapseButtonClick();
    void ExpandButtonClick();
    void CreatenewStartmenuFolder();

    QLabel *Memo1;
    QLineEdit *Edit;
    QTreeWidget *TreeView;
    QPushButton *AcceptButton;
    QPushButton *CancelButton;
    QLineEdit *NewFolderEdit;
    QPushButton *CreateFolderButton;
    QPushButton *CollapseButton;
    QPushButton *ExpandButton;

public Q_SLOTS:
    void reject() override;

private:
    // Construction, in the order the focus moves.
    void buildTexts();
    void buildTree();
    void buildFolderCommands();
    /// The three lines over Collapse and Expand.
    void buildViewHint();
    void connectCommands();

    void StartMenuFolderLook(const QString &folder, QTreeWidgetItem *parent);
    QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &name);
    void showPath(const QTreeWidgetItem *node);

    QString m_subFolder;
    QIcon m_folderIcon;
};

} // namespace quillarc
