#include "gui/mainwindow/MainWindowLooks.h"

#include "gui/Fonts.h"
#include "gui/Widgets.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quillarc {

QLabel *yellowCaption(const QString &text, QWidget *parent, const QPoint &at)
{
    auto *label = new QLabel(text, parent);
    Widgets::setTextColour(label, kCaptionYellow);
    label->move(at);
    label->adjustSize();
    return label;
}

TGlossButton *glossButton(QWidget *parent, const QRect &geometry, const QString &caption, TGlossCustomColor colour,
                          const QColor &captionColour, const QString &hint)
{
    auto *button = new TGlossButton(parent);
    button->setGeometry(geometry);
    button->setCaption(caption);
    button->setCustomColor(colour);
    button->setFontColor(captionColour);
    button->setFont(Fonts::sans(13, true));
    button->setCursor(Qt::PointingHandCursor);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    return button;
}

QPushButton *arrowButton(QWidget *parent, const QString &caption, QStyle::StandardPixmap arrow, bool imageOnRight)
{
    auto *button = new QPushButton(parent->style()->standardIcon(arrow), caption, parent);
    button->setIconSize(QSize(12, 12));
    if (imageOnRight)
        button->setLayoutDirection(Qt::RightToLeft);
    return button;
}

QComboBox *dropDownList(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setEditable(false);
    // The entries are longer than the box; the open list shows them whole.
    box->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
    box->view()->setMinimumWidth(140);
    return box;
}

} // namespace quillarc
