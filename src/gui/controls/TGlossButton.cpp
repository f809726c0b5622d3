#include "gui/controls/TGlossButton.h"

#include "gui/Fonts.h"
#include "gui/controls/GlossPicture.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace quillarc {

namespace {

int shadeChannel(int c, int code)
{
    static constexpr int kDarken[] = {15, 30, 45, 60, 6};
    static constexpr int kLighten[] = {15, 30, 45, 60};
    double v = c;
    if (code >= 0 && code <= 4)
        v = c - std::nearbyint(c / 100.0 * kDarken[code]);
    else if (code >= 6 && code <= 9)
        v = c + std::nearbyint((255 - c) / 100.0 * kLighten[code - 6]);
    return std::clamp(int(v), 0, 255);
}

// A disabled button keeps a washed-out trace of its own colour, so that it
// reads as off; its face stays light enough for a dark caption.
QColor disabledFace(const QColor &colour)
{
    const QColor hsl = colour.toHsl();
    return QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation() / 5, std::max(hsl.lightness(), 190)).toRgb();
}

bool isPureColour(const QColor &c)
{
    static constexpr QRgb kPure[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
    const QRgb rgb = c.rgb() & 0xFFFFFF;
    return std::find(std::begin(kPure), std::end(kPure), rgb) != std::end(kPure);
}

} // namespace

QColor ShadeColor(const QColor &colour, int code)
{
    const QColor c = colour.toRgb();
    return QColor(shadeChannel(c.red(), code), shadeChannel(c.green(), code), shadeChannel(c.blue(), code));
}

QColor customColorValue(TGlossCustomColor code)
{
    switch (code) {
    case ccPaleBlue:
        return QColor(114, 156, 252);
    case ccNeonBlue:
        return QColor(0, 100, 255);
    case ccNeonGreen:
        return QColor(166, 246, 26);
    case ccNeonPink:
        return QColor(247, 128, 207);
    case ccOrange:
        return QColor(246, 187, 26);
    case ccViolet:
        return QColor(194, 8, 247);
    case ccRose:
        return QColor(247, 53, 122);
    case ccPepermint:
        return QColor(163, 249, 210);
    case ccBurntOrange:
        return QColor(244, 138, 33);
    case ccBrown:
        return QColor(146, 89, 7);
    case ccNone:
        break;
    }
    return {};
}

TGlossButton::TGlossButton(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // A person without a mouse reaches it with Tab and presses it with Space
    // or Enter, like any push button.
    setFocusPolicy(Qt::StrongFocus);
    m_backgroundError = palette().color(QPalette::Button);
    setFont(Fonts::sans(13, true));
    resize(75, 25);
}

void TGlossButton::setButtonActive(bool on)
{
    m_buttonActive = on;
    update();
}

void TGlossButton::setButtonColor(const QColor &c)
{
    m_buttonColor = c;
    update();
}

void TGlossButton::setButtonShape(TGlossButtonType shape)
{
    m_shape = shape;
    update();
}

void TGlossButton::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void TGlossButton::setFontColor(const QColor &c)
{
    m_fontColor = c;
    update();
}

void TGlossButton::setCustomColor(TGlossCustomColor code)
{
    m_customColor = code;
    update();
}

void TGlossButton::setSmallCorners(bool on)
{
    m_smallCorners = on;
    update();
}

QColor TGlossButton::backgroundColour() const
{
    for (const QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(w->backgroundRole());
    }
    return m_backgroundError;
}

bool TGlossButton::hitTest(const QPoint &point) const
{
    const int w = width();
    const int h = height();
    QPainterPath shape;
    if (m_shape == bsOrb) {
        shape.addEllipse(QRectF(1, 1, w - 3, h - 4));
    } else if (m_shape == bsButton) {
        const qreal corner = std::max(0, h - 2) / 2.0;
        shape.addRoundedRect(QRectF(2, 2, w - 3, h - 4), corner, corner);
    } else {
        return false;
    }
    return shape.contains(QPointF(point) + QPointF(0.5, 0.5));
}

QColor TGlossButton::faceColour() const
{
    QColor base = m_buttonColor;
    if (isPureColour(base))
        base = ShadeColor(base, 0);
    if (m_customColor != ccNone)
        base = customColorValue(m_customColor);
    if (!isEnabled())
        return disabledFace(base);
    if (m_state == MouseState::Hover && !m_captionMouseOver)
        base = ShadeColor(base, 9);
    return ShadeColor(base, 5);
}

QImage TGlossButton::composeImage(qreal dpr) const
{
    const int w = width();
    const int h = height();
    QImage image(QSize(std::max(w, 1), std::max(h, 1)) * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    const QColor bg = ShadeColor(backgroundColour(), 5);
    image.fill(bg);

    const QColor face = faceColour();
    const bool orb = m_shape == bsOrb;
    const PillShape shape {
        w - 2, h - 3, m_smallCorners ? 8 : h, m_state == MouseState::Pressed ? 2 : 0, orb, m_smallCorners && !orb};

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_shape == bsOrb || m_shape == bsButton)
        drawGlossPicture(painter, shape, w, h, bg, face);
    const bool over = m_state == MouseState::Hover || m_state == MouseState::Pressed;
    if ((!m_caption.isEmpty() && !m_captionMouseOver) || (m_captionMouseOver && over))
        drawCaption(painter, face);
    return image;
}

void TGlossButton::drawCaption(QPainter &painter, const QColor &face) const
{
    const QFont captionFont = fittedCaptionFont();
    painter.setFont(captionFont);
    const QFontMetrics metrics(captionFont);
    const QSize extent = metrics.size(Qt::TextSingleLine, m_caption);
    int ty = std::max(0, (height() - 1 - extent.height()) / 2);
    int tx = (width() - extent.width()) / 2;
    const bool pressed = m_state == MouseState::Pressed;
    if (pressed) {
        ++tx;
        ++ty;
    }
    auto text = [&](int x, int y, const QColor &c) {
        painter.setPen(c);
        painter.drawText(QRect(QPoint(x, y), extent), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_caption);
    };
    if (isEnabled()) {
        text(tx, pressed ? ty - 1 : ty + 1, ShadeColor(face, 7));
        text(tx, ty - 1, ShadeColor(m_fontColor, 5));
    } else {
        // Grey on the washed-out face: plainly off, still readable.
        text(tx, ty - 1, QColor(88, 88, 88));
    }
}

int TGlossButton::captionRoom() const
{
    // The rounded ends and the rim take a quarter of the height on each
    // side; a caption inside that band never touches the pill's curve.
    const int margin = std::max(5, height() / 4);
    return std::max(1, width() - 2 * margin);
}

QFont TGlossButton::fittedCaptionFont() const
{
    QFont fitted = font();
    const int room = captionRoom();
    while (QFontMetrics(fitted).horizontalAdvance(m_caption) > room) {
        const int pixels = fitted.pixelSize() > 0 ? fitted.pixelSize() : QFontInfo(fitted).pixelSize();
        if (pixels <= 8)
            break;
        fitted.setPixelSize(pixels - 1);
    }
    return fitted;
}

void TGlossButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), composeImage(devicePixelRatioF()));
    if (hasFocus()) {
        // The focus frame: a ring in the desktop's highlight colour just
        // inside the rim, so that it shows on every face colour.
        painter.setRenderHint(QPainter::Antialiasing);
        QPen ring(palette().color(QPalette::Highlight), 2);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        const qreal radius = m_shape == bsOrb ? frame.height() / 2 : std::min(frame.height() / 2, 8.0);
        if (m_shape == bsOrb)
            painter.drawEllipse(frame);
        else
            painter.drawRoundedRect(frame, radius, radius);
    }
}

void TGlossButton::click()
{
    if (isEnabled())
        Q_EMIT clicked();
}

void TGlossButton::keyPressEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat() || !isEnabled()) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Space:
        m_keyArmed = true;
        setState(MouseState::Pressed);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TGlossButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space || event->isAutoRepeat() || !m_keyArmed) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    m_keyArmed = false;
    setState(MouseState::Normal);
    if (isEnabled())
        Q_EMIT clicked();
}

void TGlossButton::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void TGlossButton::focusOutEvent(QFocusEvent *event)
{
    // Focus gone between Space's press and release: no click.
    m_keyArmed = false;
    if (m_state == MouseState::Pressed && !m_armed)
        setState(MouseState::Normal);
    update();
    QWidget::focusOutEvent(event);
}

void TGlossButton::setState(MouseState state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (isVisible())
        repaint();
}

void TGlossButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_armed = true;
    if (isEnabled() && hitTest(event->position().toPoint()))
        setState(MouseState::Pressed);
}

void TGlossButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!isEnabled())
        return;
    const bool inside = hitTest(event->position().toPoint());
    if (m_armed)
        setState(inside ? MouseState::Pressed : MouseState::Normal);
    else
        setState(inside ? MouseState::Hover : MouseState::Normal);
}

void TGlossButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled() || !m_armed)
        return;
    m_state = MouseState::Normal;
    m_armed = false;
    update();
    // Like any push button, letting go outside the control does not click.
    if (rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void TGlossButton::leaveEvent(QEvent *)
{
    m_armed = false;
    setState(MouseState::Normal);
}

void TGlossButton::changeEvent(QEvent *event)
{
    // A button disabled under the pointer must not come back lit or armed.
    if (event->type() == QEvent::EnabledChange) {
        m_armed = false;
        m_keyArmed = false;
        m_state = MouseState::Normal;
        update();
    }
    QWidget::changeEvent(event);
}

} // namespace quillarc
