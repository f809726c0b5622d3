#include "gui/Widgets.h"

#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace quillarc {

void Widgets::setBackground(QWidget *widget, const QColor &colour)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
    widget->setBackgroundRole(QPalette::Window);
    widget->setAutoFillBackground(true);
}

void Widgets::setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::Text, colour);
    pal.setColor(QPalette::ButtonText, colour);
    widget->setPalette(pal);
}

QWidget *Widgets::panel(QWidget *parent, const QRect &geometry, const QColor &colour)
{
    auto *panel = new QWidget(parent);
    panel->setGeometry(geometry);
    setBackground(panel, colour);
    return panel;
}

void Widgets::centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace quillarc
