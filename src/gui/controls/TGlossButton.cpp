#include "gui/controls/TGlossButton.h"

#include "gui/Fonts.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

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

// One layer of the button: a box (right and bottom exclusive) drawn as a
// rounded rectangle or an ellipse, filled and outlined.
struct Layer {
    int left, top, right, bottom;
    int cornerW, cornerH;
    QColor fill, outline;
};

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

namespace {

// What the layers of a pill or an orb are laid out from.
struct PillShape {
    int w2;     ///< width less the rim's right edge
    int h3;     ///< height less the rim's lower edge
    int r;      ///< corner size
    int d;      ///< offset of the highlights while pressed
    bool orb;   ///< round instead of pill-shaped
    bool small; ///< small corners (pills only)
};

Layer solid(int left, int top, int right, int bottom, int cornerW, int cornerH, const QColor &colour)
{
    return Layer {left, top, right, bottom, cornerW, cornerH, colour, colour};
}

// The rim, taken from the colour behind the button, and the face.
void addRimAndFace(std::vector<Layer> &layers, const PillShape &s, int w, int h, const QColor &bg, const QColor &face)
{
    const int r = s.r;
    layers.push_back(solid(0, 0, w, h, r, r, s.orb ? ShadeColor(bg, 0) : ShadeColor(bg, 4)));
    layers.push_back(solid(0, 0, w - 1, h - 1, r, r, ShadeColor(bg, 2)));
    layers.push_back(solid(0, 0, w - 2, h - 2, r, r, ShadeColor(bg, 3)));
    layers.push_back(solid(0, 0, s.w2, s.h3, r, r, ShadeColor(face, 3)));
    layers.push_back(solid(1, 1, s.w2, s.h3, r, r, ShadeColor(face, 1)));
    layers.push_back(solid(2, 2, s.w2, s.h3, r - 2, r - 2, ShadeColor(face, 0)));
    layers.push_back(solid(3, 3, s.w2 - 1, s.h3 - 1, r - 4, r - 4, face));
}

// The gloss band in the upper third.
void addGlossBand(std::vector<Layer> &layers, const PillShape &s, const QColor &face)
{
    const int d = s.d;
    const int r = s.r;
    const int top = s.h3 / 3;
    if (s.small) {
        layers.push_back(solid(d + 3, d + 3, s.w2 - 1, top + 2, r, r, ShadeColor(face, 6)));
        layers.push_back(solid(d + 4, d + 3, s.w2 - 2, top + 1, r, r, ShadeColor(face, 7)));
        layers.push_back({d + 4, d + 3, s.w2 - 2, top, r, r, ShadeColor(face, 9), ShadeColor(face, 8)});
        return;
    }
    const int in9 = s.orb ? 6 : 7;
    const int in10 = s.orb ? 7 : 8;
    layers.push_back(solid(d + 5, d + 3, s.w2 - 5, top + 2, r, r, ShadeColor(face, 6)));
    layers.push_back(solid(d + in9, d + 3, s.w2 - in9, top + 1, r, r, ShadeColor(face, 7)));
    layers.push_back({d + in10, d + 3, s.w2 - in10, top, r, r, ShadeColor(face, 9), ShadeColor(face, 8)});
}

// The glow in the lower half.
void addGlow(std::vector<Layer> &layers, const PillShape &s, const QColor &face)
{
    const int d = s.d;
    const int r = s.r;
    const int w2 = s.w2;
    const int h3 = s.h3;
    const int half = h3 / 2 + d;
    layers.push_back(solid(d + 3, half, w2 - 3, h3 - 2, r, r, ShadeColor(face, 6)));
    if (s.small) {
        layers.push_back(solid(d + 4, half + 1, w2 - 3, h3 - 2, 3, 3, ShadeColor(face, 7)));
        layers.push_back(solid(d + 5, half + 2, w2 - 3, h3 - 2, 3, 3, ShadeColor(face, 8)));
        layers.push_back(solid(d + 6, half + 3, w2 - 4, h3 - 4, 4, 4, ShadeColor(face, 9)));
    } else if (s.orb) {
        layers.push_back(solid(d + 4, half + 1, w2 - 4, h3 - 2, r, r, ShadeColor(face, 7)));
        layers.push_back(solid(d + 5, half + 2, w2 - 5, h3 - 2, r, r, ShadeColor(face, 8)));
        layers.push_back(solid(d + 7, half + 2, w2 - 7, h3 - 4, r, r, ShadeColor(face, 9)));
    } else {
        layers.push_back(solid(d + 5, half + 1, w2 - 5, h3 - 2, r, r, ShadeColor(face, 7)));
        layers.push_back(solid(d + 7, half + 2, w2 - 7, h3 - 2, r, r, ShadeColor(face, 8)));
        layers.push_back(solid(d + 9, half + 3, w2 - 9, h3 - 4, r, r, ShadeColor(face, 9)));
    }
}

void drawLayers(QPainter &painter, const std::vector<Layer> &layers, bool orb)
{
    for (const Layer &layer : layers) {
        const int lw = layer.right - layer.left;
        const int lh = layer.bottom - layer.top;
        if (lw <= 0 || lh <= 0)
            continue;
        // Outline through the centres of the box's border pixels, so the
        // layer covers exactly its box at any device pixel ratio.
        const QRectF box(layer.left + 0.5, layer.top + 0.5, lw - 1, lh - 1);
        painter.setPen(QPen(layer.outline, 1));
        painter.setBrush(layer.fill);
        if (orb) {
            painter.drawEllipse(box);
        } else {
            const qreal rx = std::clamp(layer.cornerW, 0, lw) / 2.0;
            const qreal ry = std::clamp(layer.cornerH, 0, lh) / 2.0;
            painter.drawRoundedRect(box, rx, ry);
        }
    }
}

} // namespace

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
    std::vector<Layer> layers;
    if (m_shape == bsOrb || m_shape == bsButton) {
        addRimAndFace(layers, shape, w, h, bg, face);
        addGlossBand(layers, shape, face);
        addGlow(layers, shape, face);
    }

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    drawLayers(painter, layers, orb);
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
