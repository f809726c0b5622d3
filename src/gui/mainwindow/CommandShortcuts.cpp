// The keyboard's way to the commands: every button takes the focus (Tab,
// then Space or Enter), and the commands used most have a key of their own,
// named in their tooltips. A new command gets its key by a line in the
// table below.
#include "gui/TQLForm.h"

#include "gui/controls/TGlossButton.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeySequence>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>

namespace quillarc {

namespace {

// The tooltip a person sees, with the key that does the same.
void nameKeyInTooltip(QWidget *control, const QKeySequence &keys)
{
    const QString key = keys.toString(QKeySequence::NativeText);
    const QString hint = control->toolTip();
    control->setToolTip(hint.isEmpty() ? key : hint + QStringLiteral(" (") + key + QLatin1Char(')'));
}

} // namespace

QList<TQLForm::CommandKey> TQLForm::commandKeys() const
{
    return {
        {SetCDButton, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {IniButton, QKeySequence(Qt::CTRL | Qt::Key_L)},
        {AddFileButton, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {AddButton, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
        {BackupButton, QKeySequence(Qt::CTRL | Qt::Key_B)},
        {StopButton, QKeySequence(Qt::CTRL | Qt::Key_T)},
        {Helpbutton, QKeySequence(Qt::Key_F1)},
        {exitButton, QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
}

void TQLForm::connectShortcuts()
{
    for (const CommandKey &command : commandKeys()) {
        auto *shortcut = new QShortcut(command.keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        QWidget *control = command.control;
        // A key does what a click does, and only when a click could.
        connect(shortcut, &QShortcut::activated, control, [control] {
            if (!control->isEnabled() || !control->isVisible())
                return;
            if (auto *gloss = qobject_cast<TGlossButton *>(control))
                gloss->click();
            else if (auto *button = qobject_cast<QAbstractButton *>(control))
                button->click();
        });
        nameKeyInTooltip(control, command.keys);
    }

    // The list's own entries work on the selected item without opening the
    // menu; the Menu key (or Shift+F10) opens the menu itself.
    const std::pair<QAction *, QKeySequence> entries[] = {
        {SetDateTime1, QKeySequence(Qt::Key_F2)},
        {Remove1, QKeySequence(QKeySequence::Delete)},
    };
    for (const auto &[action, keys] : entries) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        ListView->addAction(action);
    }
    // Getting files back needs no item of the list: its key works anywhere
    // in the window.
    GetFilesBack1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    GetFilesBack1->setShortcutContext(Qt::WindowShortcut);
    addAction(GetFilesBack1);
    auto *menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), ListView);
    menuKey->setContext(Qt::WidgetShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] { openListMenuAtSelection(); });
}

} // namespace quillarc
