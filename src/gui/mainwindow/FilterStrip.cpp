// The filter strip's controls, left to right, each after the one before, so
// the captions never run into the boxes whatever face the desktop gives them.
#include "gui/mainwindow/FilterStrip.h"

#include "gui/Widgets.h"
#include "gui/mainwindow/LowerCaseEdit.h"
#include "gui/mainwindow/MainWindowLooks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quillarc {

FilterStrip::FilterStrip(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel6"));
    setFixedHeight(41);
    Widgets::setBackground(this, kPanelGreen);

    int x = 8;
    const auto place = [&x](QWidget *widget, int width, int top, int height, int gap = 4) {
        widget->setGeometry(x, top, width, height);
        x += width + gap;
    };
    const auto caption = [&](const QString &text) {
        QLabel *label = yellowCaption(text, this, QPoint(0, 0));
        place(label, label->sizeHint().width(), 12, 18);
        return label;
    };

    ExcludeCheckBox = new QCheckBox(QStringLiteral("EXCLUDE"), this);
    ExcludeCheckBox->setChecked(true);
    Widgets::setTextColour(ExcludeCheckBox, kCaptionYellow);
    place(ExcludeCheckBox, ExcludeCheckBox->sizeHint().width(), 10, 22, 14);

    StaticText3 = caption(QStringLiteral("Extension"));
    extEdit = new LowerCaseEdit(this);
    place(extEdit, 41, 10, 22);
    addextbutton = arrowButton(this, QStringLiteral("->"), QStyle::SP_ArrowRight, false);
    place(addextbutton, 44, 9, 24);
    ComboBox = dropDownList(this);
    place(ComboBox, 54, 10, 22);
    removeextbutton = arrowButton(this, QStringLiteral("<-"), QStyle::SP_ArrowLeft, true);
    place(removeextbutton, 44, 9, 24, 14);

    StaticText4 = caption(QStringLiteral("Pattern"));
    patternEdit = new LowerCaseEdit(this);
    place(patternEdit, 105, 10, 22);
    addpatternbutton = arrowButton(this, QStringLiteral("->"), QStyle::SP_ArrowRight, false);
    place(addpatternbutton, 44, 9, 24);
    ComboBoxP = dropDownList(this);
    place(ComboBoxP, 54, 10, 22);
    removepatternbutton = arrowButton(this, QStringLiteral("<-"), QStyle::SP_ArrowLeft, true);
    place(removepatternbutton, 44, 9, 24);

    // Both edits have the light tooltip colour of the design, with black text.
    for (QLineEdit *edit : {static_cast<QLineEdit *>(extEdit), static_cast<QLineEdit *>(patternEdit)})
        Widgets::setLightBase(edit, kListBackground, Qt::black);

    connect(addextbutton, &QPushButton::clicked, this, &FilterStrip::addExtensionAsked);
    connect(extEdit, &LowerCaseEdit::enterPressed, this, &FilterStrip::addExtensionAsked);
    connect(removeextbutton, &QPushButton::clicked, this, &FilterStrip::removeExtensionAsked);
    connect(addpatternbutton, &QPushButton::clicked, this, &FilterStrip::addPatternAsked);
    connect(patternEdit, &LowerCaseEdit::enterPressed, this, &FilterStrip::addPatternAsked);
    connect(removepatternbutton, &QPushButton::clicked, this, &FilterStrip::removePatternAsked);
    connect(ExcludeCheckBox, &QCheckBox::toggled, this, &FilterStrip::excludeToggled);
}

void FilterStrip::showLists(const std::vector<std::string> &extensions, const std::vector<std::string> &patterns)
{
    const auto fill = [](QComboBox *box, const std::vector<std::string> &entries) {
        box->clear();
        for (const std::string &entry : entries)
            box->addItem(QString::fromStdString(entry));
        box->setCurrentIndex(-1);
    };
    fill(ComboBox, extensions);
    fill(ComboBoxP, patterns);
}

QList<QWidget *> FilterStrip::quietControls() const
{
    return {ComboBoxP, patternEdit, ComboBox, extEdit};
}

QList<QWidget *> FilterStrip::buttons() const
{
    return {removepatternbutton, addpatternbutton, removeextbutton, addextbutton};
}

} // namespace quillarc
