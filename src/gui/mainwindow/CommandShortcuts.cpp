// The keyboard's way to the commands: every button takes the focus (Tab,
// then Space or Enter), and the commands used most have a key of their own,
// named in their tooltips; the entries of the list's menu work on the
// selected item without opening it. A new command gets its key by a line in
// one of the tables below, whichever window added the command.
#include "gui/TQLForm.h"

#include "gui/mainwindow/MainWindowUi.h"

#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/ContextMenus.h"

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
        {m_ui->SetCDButton, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {m_ui->IniButton, QKeySequence(Qt::CTRL | Qt::Key_L)},
        {m_ui->AddFileButton, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {m_ui->AddButton, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
        {m_ui->BackupButton, QKeySequence(Qt::CTRL | Qt::Key_B)},
        {m_ui->StopButton, QKeySequence(Qt::CTRL | Qt::Key_T)},
        {m_ui->Helpbutton, QKeySequence(Qt::Key_F1)},
        {m_ui->exitButton, QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
}

QList<TQLForm::EntryKey> TQLForm::listEntryKeys()
{
    return {
        {QStringLiteral("Set Item Options"), QKeySequence(Qt::Key_F2)},
        {QStringLiteral("Remove"), QKeySequence(QKeySequence::Delete)},
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

    // The Menu key (or Shift+F10) opens the list's menu at the selected item.
    auto *menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), m_ui->ListView);
    menuKey->setContext(Qt::WidgetShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] { m_menus->openListMenuAtSelection(); });
}

} // namespace quillarc
