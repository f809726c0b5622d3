#pragma once

#include <QColor>
#include <QRect>

class QWidget;

namespace quillarc {

/// Small helpers for the fixed layouts of the program's windows.
struct Widgets {
    /// Paints the widget's background in a solid colour.
    static void setBackground(QWidget *widget, const QColor &colour);
    /// Text colour of a label, edit or check box.
    static void setTextColour(QWidget *widget, const QColor &colour);
    /// A plain coloured panel at a fixed place.
    static QWidget *panel(QWidget *parent, const QRect &geometry, const QColor &colour);
    /// Moves a window to the middle of the screen it is on.
    static void centreOnScreen(QWidget *window);
};

} // namespace quillarc
