#include "gui/FittingLabel.h"

#include <QPainter>

namespace quillarc {

FittingLabel::FittingLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

QFont FittingLabel::fittedFont() const
{
    QFont fitted = font();
    const int room = contentsRect().width() - 2 * kPadding;
    int pixels = QFontInfo(fitted).pixelSize();
    while (pixels > 7 && QFontMetrics(fitted).horizontalAdvance(text()) > room) {
        --pixels;
        fitted.setPixelSize(pixels);
    }
    return fitted;
}

void FittingLabel::paintEvent(QPaintEvent *)
{
    // The frame as any label draws it; the text in the size that fits.
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(fittedFont());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QRect room = contentsRect().adjusted(kPadding, 0, -kPadding, 0);
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

} // namespace quillarc
