#include "gui/mainwindow/ContextMenus.h"

#include "gui/TQLForm.h"
#include "gui/mainwindow/MainWindowUi.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>

namespace quillarc {

ContextMenus::ContextMenus(TQLForm &form, MainWindowUi &ui) : QObject(&form), m_form(form), m_ui(ui)
{
    m_ui.PopupMenu = new QMenu(m_ui.ListView);
    m_ui.ListView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui.ListView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { openListMenu(m_ui.ListView->viewport()->mapToGlobal(at)); });

    // The label field's menu is made when asked for, so that it tells the
    // state of the moment (the last pass, whoever ran it).
    m_ui.Edit2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui.Edit2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { openLabelMenu(m_ui.Edit2->mapToGlobal(at)); });
}

QAction *ContextMenus::addListEntry(const QString &text, std::function<void()> run)
{
    QAction *entry = m_ui.PopupMenu->addAction(text);
    for (const TQLForm::EntryKey &key : TQLForm::listEntryKeys()) {
        if (key.entry != text)
            continue;
        entry->setShortcut(key.keys);
        entry->setShortcutContext(Qt::WidgetShortcut);
        m_ui.ListView->addAction(entry);
    }
    connect(entry, &QAction::triggered, this, [this, run = std::move(run)] { m_form.guarded(run); });
    return entry;
}

void ContextMenus::addLabelEntries(LabelEntries add)
{
    m_labelEntries.push_back(std::move(add));
}

QMenu *ContextMenus::labelMenu() const
{
    QMenu *menu = m_ui.Edit2->createStandardContextMenu();
    for (const LabelEntries &add : m_labelEntries) {
        menu->addSeparator();
        add(*menu);
    }
    return menu;
}

void ContextMenus::openListMenuAtSelection() const
{
    const QModelIndex current = m_ui.ListView->currentIndex();
    const QPoint at = current.isValid() ? m_ui.ListView->visualRect(current).center() : QPoint(8, 8);
    openListMenu(m_ui.ListView->viewport()->mapToGlobal(at));
}

void ContextMenus::openListMenu(const QPoint &at) const
{
    m_ui.PopupMenu->popup(at);
}

void ContextMenus::openLabelMenu(const QPoint &at) const
{
    QMenu *shown = labelMenu();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->popup(at);
}

} // namespace quillarc
