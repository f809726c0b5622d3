#pragma once

#include <QColor>
#include <QRect>
#include <Qt>

class QWidget;

namespace quillarc {

/// Small helpers for the fixed layouts of the program's windows.
struct Widgets {
    /// Window flags of a dialog whose title bar has no buttons of its own.
    /// Qt names the buttons to the window manager only when the close box
    /// is among them; without it the desktop adds all of its own (minimise,
    /// maximise, close). So the dialog asks for the close box alone, and
    /// closing it counts as its cancel.
    static Qt::WindowFlags dialogFlags(Qt::WindowType type = Qt::Dialog)
    {
        return type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    }

    /// Paints the widget's background in a solid colour.
    static void setBackground(QWidget *widget, const QColor &colour);
    /// Text colour of a label, edit or check box.
    static void setTextColour(QWidget *widget, const QColor &colour);
    /// A plain coloured panel at a fixed place.
    static QWidget *panel(QWidget *parent, const QRect &geometry, const QColor &colour);
    /// Gives a control the desktop's own colours in every state, so that a
    /// dialog's fixed text colour does not reach it and a disabled button
    /// looks disabled.
    static void useDesktopColours(QWidget *widget);
    /// A fixed light background with dark text, for controls whose text
    /// colour the design fixes: they stay legible under a dark theme.
    static void setLightBase(QWidget *widget, const QColor &base, const QColor &text);
    /// A check box's or radio button's box in `box` with its mark in `mark`,
    /// whatever the desktop's palette: the mark is drawn in the text colour,
    /// which a dialog's fixed caption colour would otherwise make the same
    /// as the box. The caption keeps the window's text colour.
    static void setToggleColours(QWidget *toggle, const QColor &box, const QColor &mark);
    /// The light tooltip colour of the design.
    static QColor lightTooltip() { return QColor(255, 255, 225); }
    /// Moves a window to the middle of the screen it is on.
    static void centreOnScreen(QWidget *window);
};

} // namespace quillarc
