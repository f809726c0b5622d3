// Which control runs which command. Every handler runs under the window's
// top-level error handler.
#include "gui/TQLForm.h"

#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/ContextMenus.h"
#include "gui/mainwindow/FilterStrip.h"
#include "gui/mainwindow/MainWindowUi.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace quillarc {

void TQLForm::connectCommands()
{
    connect(m_ui->SetCDButton, &QToolButton::clicked, this, handler(&TQLForm::SetCDButtonClick));
    connect(m_ui->IniButton, &QToolButton::clicked, this, handler(&TQLForm::IniButtonClick));
    connect(m_ui->ImportButton, &QPushButton::clicked, this, handler(&TQLForm::ImportButtonClick));
    connect(m_ui->Exportbutton, &QPushButton::clicked, this, handler(&TQLForm::ExportbuttonClick));

    const std::pair<TGlossButton *, void (TQLForm::*)()> gloss[] = {
        {m_ui->AddFileButton, &TQLForm::AddFileButtonClick},
        {m_ui->AddButton, &TQLForm::AddbuttonClick},
        {m_ui->BackupButton, &TQLForm::BackupButtonClick},
        {m_ui->StopButton, &TQLForm::StopButtonClick},
        {m_ui->Helpbutton, &TQLForm::HelpbuttonClick},
        {m_ui->exitButton, &TQLForm::exitButtonClick},
        {m_ui->Button1, &TQLForm::Button1Click},
        {m_ui->button2, &TQLForm::Button2Click},
        {m_ui->RestoreButton, &TQLForm::RestoreButtonClick},
        {m_ui->Button3, &TQLForm::Button3Click},
        {m_ui->EmailButton, &TQLForm::EmailButtonClick},
    };
    for (const auto &[button, method] : gloss)
        connect(button, &TGlossButton::clicked, this, handler(method));

    const FilterStrip *filters = m_ui->filters;
    connect(filters, &FilterStrip::addExtensionAsked, this, handler(&TQLForm::addext));
    connect(filters, &FilterStrip::removeExtensionAsked, this, handler(&TQLForm::removeextbuttonClick));
    connect(filters, &FilterStrip::addPatternAsked, this, handler(&TQLForm::addpattern));
    connect(filters, &FilterStrip::removePatternAsked, this, handler(&TQLForm::removepatternbuttonClick));
    // The pass reads the box at every file, so a change counts at once.
    connect(filters, &FilterStrip::excludeToggled, this, [this](bool on) { m_session.setExclude(on); });

    // The list's own entries; a window that hooks in adds its own after them.
    m_ui->SetDateTime1 = m_menus->addListEntry(QStringLiteral("Set Item Options"), [this] { SetItemDateTime(); });
    m_ui->SetAlltothisDate1 =
        m_menus->addListEntry(QStringLiteral("Set All to this Date"), [this] { SetAlltothisDate1Click(); });
    m_ui->Remove1 = m_menus->addListEntry(QStringLiteral("Remove"), [this] { Remove1Click(); });
}

} // namespace quillarc
