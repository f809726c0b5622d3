#include "gui/Widgets.h"

#include <QApplication>
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

void Widgets::useDesktopColours(QWidget *widget)
{
    // A palette equal to the default counts as "not set" and would inherit
    // the dialog's colours; setting each colour explicitly keeps them.
    const QPalette desktop = QApplication::palette(widget);
    QPalette pal;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto r = static_cast<QPalette::ColorRole>(role);
            if (r == QPalette::NoRole)
                continue;
            pal.setColor(group, r, desktop.color(group, r));
        }
    widget->setPalette(pal);
}

void Widgets::setLightBase(QWidget *widget, const QColor &base, const QColor &text)
{
    QPalette pal = widget->palette();
    for (auto role : {QPalette::Base, QPalette::Window, QPalette::AlternateBase, QPalette::Button})
        pal.setColor(role, base);
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        pal.setColor(role, text);
    widget->setPalette(pal);
}

void Widgets::setToggleColours(QWidget *toggle, const QColor &box, const QColor &mark)
{
    QPalette pal = toggle->palette();
    pal.setColor(QPalette::Base, box);
    pal.setColor(QPalette::Text, mark);
    toggle->setPalette(pal);
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
