#pragma once

#include "gui/controls/TGlossButton.h"

#include <QColor>
#include <QRect>
#include <QStyle>

class QComboBox;
class QLabel;
class QPushButton;

namespace quillarc {

// The main window's colours, shared by its panels.
inline const QColor kPanelGreen(0, 128, 0);
inline const QColor kCaptionYellow(255, 255, 0);
/// The list and its font colour are fixed by the user's settings, so the
/// list keeps the light tooltip colour of its design under a dark theme too.
inline const QColor kListBackground(255, 255, 225);

/// The controls of the window's panels as the design draws them.
QLabel *yellowCaption(const QString &text, QWidget *parent, const QPoint &at);
TGlossButton *glossButton(QWidget *parent, const QRect &geometry, const QString &caption, TGlossCustomColor colour,
                          const QColor &captionColour, const QString &hint = {});
QPushButton *arrowButton(QWidget *parent, const QString &caption, QStyle::StandardPixmap arrow, bool imageOnRight);
QComboBox *dropDownList(QWidget *parent);

} // namespace quillarc
