#include "gui/DrawnIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace quillarc {

namespace {

struct Colours {
    QColor fill;
    QColor outline;
    QColor mark;
};

const Colours kEnabledArrow {QColor(0, 150, 0), QColor(0, 60, 0), {}};
const Colours kEnabledQuestion {QColor(30, 90, 220), QColor(10, 40, 120), Qt::white};
const Colours kDisabled {QColor(200, 200, 200), QColor(150, 150, 150), QColor(240, 240, 240)};

// Draws one picture per size and state; the shape is drawn on a 24-unit grid.
QIcon drawn(const std::function<void(QPainter &, const Colours &)> &draw, const Colours &enabled)
{
    QIcon icon;
    for (int size : {24, 48}) {
        for (const auto &[mode, colours] :
             {std::pair {QIcon::Normal, enabled}, std::pair {QIcon::Disabled, kDisabled}}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(size / 24.0, size / 24.0);
            draw(painter, colours);
            painter.end();
            icon.addPixmap(pixmap, mode);
        }
    }
    return icon;
}

} // namespace

QIcon DrawnIcons::arrow(bool right)
{
    return drawn(
        [right](QPainter &painter, const Colours &c) {
            QPainterPath path;
            path.moveTo(2, 12);
            path.lineTo(11, 3);
            path.lineTo(11, 8);
            path.lineTo(22, 8);
            path.lineTo(22, 16);
            path.lineTo(11, 16);
            path.lineTo(11, 21);
            path.closeSubpath();
            if (right) {
                painter.translate(24, 0);
                painter.scale(-1, 1);
            }
            painter.setPen(QPen(c.outline, 1.5));
            painter.setBrush(c.fill);
            painter.drawPath(path);
        },
        kEnabledArrow);
}

QIcon DrawnIcons::question()
{
    return drawn(
        [](QPainter &painter, const Colours &c) {
            painter.setPen(QPen(c.outline, 1.5));
            painter.setBrush(c.fill);
            painter.drawEllipse(QRectF(1.5, 1.5, 21, 21));
            QFont font = painter.font();
            font.setPixelSize(17);
            font.setBold(true);
            painter.setFont(font);
            painter.setPen(c.mark);
            painter.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
        },
        kEnabledQuestion);
}

} // namespace quillarc
