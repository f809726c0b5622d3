#include "gui/TFullForm.h"

#include "engine/DiskFullRules.h"
#include "gui/Fonts.h"
#include "gui/MessageBox.h"
#include "gui/Widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillarc {

TFullForm::TFullForm(const DiskFullRules &rules, QWidget *parent)
    : QDialog(parent, Widgets::dialogFlags()), m_rules(rules)
{
    setWindowTitle(QStringLiteral("Disk Full"));
    setFixedSize(536, 159);
    setFont(Fonts::sans(16, true));
    Widgets::setBackground(this, Qt::red);
    Widgets::setTextColour(this, Qt::black);

    Label1 = new QLabel(QString::fromStdString(DiskFullRules::headline()), this);
    Label1->setGeometry(8, 16, 520, 28);
    Label1->setAlignment(Qt::AlignCenter);

    StaticText1 = new QLabel(QStringLiteral("Current Volume  "), this);
    StaticText1->setGeometry(72, 60, 160, 28);
    StaticText1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    VolumeEdit = new QLineEdit(this);
    VolumeEdit->setGeometry(232, 60, 217, 28);
    VolumeEdit->setReadOnly(true);
    VolumeEdit->setFocusPolicy(Qt::NoFocus);

    Button1 = new QPushButton(QStringLiteral("READY"), this);
    Button1->setGeometry(96, 104, 137, 41);
    Button2 = new QPushButton(QStringLiteral("CANCEL"), this);
    Button2->setGeometry(304, 104, 137, 41);
    // Palette colours of the window must not tint the buttons.
    for (QPushButton *button : {Button1, Button2}) {
        button->setPalette(QPalette());
        button->setFont(Fonts::sans(16, true));
    }
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFullForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFullForm::Button2Click);
}

void TFullForm::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFullForm::FormShow()
{
    VolumeEdit->setText(QString::fromStdString(m_rules.currentLabel()));
}

void TFullForm::Button1Click()
{
    // The user swaps disks while the dialog is open; the field follows.
    FormShow();
    const std::string refusal = m_rules.readyRefusal();
    if (!refusal.empty()) {
        MessageBox::notice(this, QString::fromStdString(refusal));
        return;
    }
    m_outcome = DiskFullResult::Ready;
    done(Accepted);
}

void TFullForm::Button2Click()
{
    if (!MessageBox::confirm(this, QString::fromStdString(DiskFullRules::cancelQuestion())))
        return;
    m_outcome = DiskFullResult::Cancel;
    done(Rejected);
}

void TFullForm::reject()
{
    // Escape must not end a pass by accident: it asks like CANCEL does.
    Button2Click();
}

} // namespace quillarc
