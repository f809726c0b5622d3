// Which control runs which command. Every handler runs under the window's
// top-level error handler.
#include "gui/TQLForm.h"

#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/LowerCaseEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace quillarc {

void TQLForm::connectCommands()
{
    connect(SetCDButton, &QToolButton::clicked, this, handler(&TQLForm::SetCDButtonClick));
    connect(IniButton, &QToolButton::clicked, this, handler(&TQLForm::IniButtonClick));
    connect(ImportButton, &QPushButton::clicked, this, handler(&TQLForm::ImportButtonClick));
    connect(Exportbutton, &QPushButton::clicked, this, handler(&TQLForm::ExportbuttonClick));

    const std::pair<TGlossButton *, void (TQLForm::*)()> gloss[] = {
        {AddFileButton, &TQLForm::AddFileButtonClick},
        {AddButton, &TQLForm::AddbuttonClick},
        {BackupButton, &TQLForm::BackupButtonClick},
        {StopButton, &TQLForm::StopButtonClick},
        {Helpbutton, &TQLForm::HelpbuttonClick},
        {exitButton, &TQLForm::exitButtonClick},
        {Button1, &TQLForm::Button1Click},
        {button2, &TQLForm::Button2Click},
        {RestoreButton, &TQLForm::RestoreButtonClick},
        {Button3, &TQLForm::Button3Click},
        {EmailButton, &TQLForm::EmailButtonClick},
    };
    for (const auto &[button, method] : gloss)
        connect(button, &TGlossButton::clicked, this, handler(method));

    connect(addextbutton, &QPushButton::clicked, this, handler(&TQLForm::addext));
    connect(extEdit, &LowerCaseEdit::enterPressed, this, handler(&TQLForm::addext));
    connect(removeextbutton, &QPushButton::clicked, this, handler(&TQLForm::removeextbuttonClick));
    connect(addpatternbutton, &QPushButton::clicked, this, handler(&TQLForm::addpattern));
    connect(patternEdit, &LowerCaseEdit::enterPressed, this, handler(&TQLForm::addpattern));
    connect(removepatternbutton, &QPushButton::clicked, this, handler(&TQLForm::removepatternbuttonClick));
    // The pass reads the box at every file, so a change counts at once.
    connect(ExcludeCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        m_config.exclude = on;
        m_session.filters().exclude.store(on);
    });

    connect(ListView, &QTableView::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu->popup(ListView->viewport()->mapToGlobal(at)); });
    connect(SetDateTime1, &QAction::triggered, this, handler(&TQLForm::SetItemDateTime));
    connect(SetAlltothisDate1, &QAction::triggered, this, handler(&TQLForm::SetAlltothisDate1Click));
    connect(Remove1, &QAction::triggered, this, handler(&TQLForm::Remove1Click));
    connect(GetFilesBack1, &QAction::triggered, this, handler(&TQLForm::GetFilesBackClick));
}

void TQLForm::openListMenuAtSelection()
{
    const QModelIndex current = ListView->currentIndex();
    const QPoint at = current.isValid() ? ListView->visualRect(current).center() : QPoint(8, 8);
    PopupMenu->popup(ListView->viewport()->mapToGlobal(at));
}

} // namespace quillarc
