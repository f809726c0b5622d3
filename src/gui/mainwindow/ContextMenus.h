#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QPoint;

namespace quillarc {

class TQLForm;
struct MainWindowUi;

/// The window's two context menus, built here and nowhere else: the list's,
/// whose entries work on the selected item, and the label field's, about the
/// disk in hand. A window that hooks into the main window adds its entries
/// here when it is attached; a key for an entry is a line in the shortcut
/// table (CommandShortcuts.cpp).
class ContextMenus : public QObject {
    Q_OBJECT
public:
    ContextMenus(TQLForm &form, MainWindowUi &ui);

    /// A new last entry of the list's menu; `run` runs under the window's
    /// error handler. The action is the window's, for a key and for tests.
    QAction *addListEntry(const QString &text, std::function<void()> run);
    /// Adds entries to the label field's menu each time it opens, below its
    /// usual ones and those added before, so they tell the state of now.
    using LabelEntries = std::function<void(QMenu &menu)>;
    void addLabelEntries(LabelEntries add);

    /// The label field's menu as it would open now (the caller owns it).
    QMenu *labelMenu() const;
    /// The list's menu at the selected item (Shift+F10, the Menu key).
    void openListMenuAtSelection() const;

private:
    void openListMenu(const QPoint &at) const;
    void openLabelMenu(const QPoint &at) const;

    TQLForm &m_form;
    MainWindowUi &m_ui;
    std::vector<LabelEntries> m_labelEntries;
};

} // namespace quillarc
