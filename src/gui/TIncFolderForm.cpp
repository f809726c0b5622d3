#include "gui/TIncFolderForm.h"

#include "gui/Fonts.h"
#include "gui/Widgets.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace quillarc {

TIncFolderForm::TIncFolderForm(QWidget *parent) : QDialog(parent, Widgets::dialogFlags())
{
    setWindowTitle(QStringLiteral("Include Folders?"));
    setFixedSize(536, 182);
    setFont(Fonts::sans(16, true));

    RadioGroup1 = new QGroupBox(this);
    RadioGroup1->setGeometry(24, 8, 489, 105);
    includeChoice = new QRadioButton(QStringLiteral("Include the Folders inside this Folder"), RadioGroup1);
    includeChoice->setGeometry(16, 20, 460, 28);
    excludeChoice = new QRadioButton(QStringLiteral("Do not include the Folders inside this Folder"), RadioGroup1);
    excludeChoice->setGeometry(16, 60, 460, 28);
    m_group = new QButtonGroup(this);
    m_group->addButton(includeChoice, 0);
    m_group->addButton(excludeChoice, 1);
    includeChoice->setChecked(true);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(232, 128, 75, 41);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

int TIncFolderForm::ItemIndex() const
{
    return m_group->checkedId() == 1 ? 1 : 0;
}

SubFolders TIncFolderForm::subFolders() const
{
    return ItemIndex() == 0 ? SubFolders::Included : SubFolders::Excluded;
}

void TIncFolderForm::showEvent(QShowEvent *event)
{
    Widgets::centreOnScreen(this);
    QDialog::showEvent(event);
}

} // namespace quillarc
