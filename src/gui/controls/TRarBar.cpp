#include "gui/controls/TRarBar.h"

#include "gui/Fonts.h"

#include <QPainter>
#include <QPolygon>

#include <cmath>
#include <limits>

namespace quillarc {

namespace {

struct SchemeColours {
    QRgb top, side1, side2, empty1, empty2, emptyFrame1, emptyFrame2, bottomFrame, bottom, filledFrame, filled,
        filledSide1, filledSide2, emptyLine, filledLine, font;
};

// One column per scheme, in TRBColorScheme order.
constexpr SchemeColours kSchemes[] = {
    {0x8080FF, 0x6868E0, 0x8080FF, 0x6868C0, 0x8080DF, 0x6868A0, 0x8080BF, 0x8C4064, 0x8C407A, 0xA06080, 0xA060A0,
     0x963C82, 0xC04888, 0xB0B0FF, 0xE060D0, 0x800080},
    {0x80FF80, 0x68E068, 0x80FF80, 0x68C068, 0x80DF80, 0x68A068, 0x80BF80, 0x8C6440, 0x8C7A40, 0xA0A060, 0xA0A060,
     0x96823C, 0xC08848, 0xE0FFE0, 0xE0A868, 0x00FFFF},
    {0x8080FF, 0x6868E0, 0x8080FF, 0x6868C0, 0x8080DF, 0x6868A0, 0x8080BF, 0x408C64, 0x408C7A, 0x60A080, 0x60A0A0,
     0x3C9682, 0x48C088, 0xE0E0FF, 0x68E098, 0x089048},
    {0x48C088, 0x3C9682, 0x48C088, 0x3C9682, 0x48C088, 0x6868A0, 0x8080BF, 0x5858D0, 0x5858E0, 0x8080D0, 0x8080E0,
     0x6868E0, 0x8080FF, 0x88E9C8, 0xA8A8D0, 0x800080},
};

QPolygon poly(std::initializer_list<QPoint> points)
{
    return QPolygon(QList<QPoint>(points));
}

// Rounds halves to even, as the gauge's scale has always done.
double roundEven(double v)
{
    return std::nearbyint(v);
}

} // namespace

TRarBar::TRarBar(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_color = palette().color(QPalette::Button);
    QFont f = Fonts::sans(11, true);
    setFont(f);
    setColorScheme(rcPurpleBlue);
    resize(60, 180);
}

void TRarBar::setColorScheme(TRBColorScheme scheme)
{
    m_scheme = scheme;
    const int index = (scheme >= rcPurpleBlue && scheme <= rcLightBlue) ? scheme : rcPurpleBlue;
    const SchemeColours &s = kSchemes[index];
    m_top = QColor::fromRgb(s.top);
    m_side1 = QColor::fromRgb(s.side1);
    m_side2 = QColor::fromRgb(s.side2);
    m_empty1 = QColor::fromRgb(s.empty1);
    m_empty2 = QColor::fromRgb(s.empty2);
    m_emptyFrame1 = QColor::fromRgb(s.emptyFrame1);
    m_emptyFrame2 = QColor::fromRgb(s.emptyFrame2);
    m_bottomFrame = QColor::fromRgb(s.bottomFrame);
    m_bottom = QColor::fromRgb(s.bottom);
    m_filledFrame = QColor::fromRgb(s.filledFrame);
    m_filled = QColor::fromRgb(s.filled);
    m_filledSide1 = QColor::fromRgb(s.filledSide1);
    m_filledSide2 = QColor::fromRgb(s.filledSide2);
    m_emptyLine = QColor::fromRgb(s.emptyLine);
    m_filledLine = QColor::fromRgb(s.filledLine);
    m_fontColor = QColor::fromRgb(s.font);
}

void TRarBar::setMin(int value)
{
    m_min = value;
    redrawNow();
}

void TRarBar::setMax(int value)
{
    m_max = value;
    redrawNow();
}

void TRarBar::setProgress(int value)
{
    m_progress = value;
    redrawNow();
}

void TRarBar::setShowPercentage(bool show)
{
    m_showPercentage = show;
    redrawNow();
}

void TRarBar::redrawNow()
{
    if (isVisible())
        repaint();
}

RarBarLevel TRarBar::level(int controlHeight) const
{
    RarBarLevel result;
    const int h = controlHeight - m_y - 5;
    const int scale = h - 10;
    // A column too short to have a fill scale stays empty rather than
    // dividing by zero or filling upside down.
    if (h == 0 || m_max == m_min || scale <= 0)
        return result;
    // In double precision throughout, so that extreme ranges cannot overflow.
    const double f = (double(m_progress) - double(m_min)) / ((double(m_max) - double(m_min)) / scale);
    double fill = roundEven(f);
    double percent = roundEven(f / (scale / 100.0));
    fill = std::clamp(fill, 0.0, double(scale));
    const auto limit = static_cast<double>(std::numeric_limits<long long>::max()) / 2;
    result.fill = int(fill);
    result.percent = (long long)std::clamp(percent, -limit, limit);
    return result;
}

QColor legibleBehind(const QColor &text, const QColor &background)
{
    const auto luminance = [](const QColor &c) { return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF(); };
    if (std::abs(luminance(text) - luminance(background)) >= 0.4)
        return background;
    return luminance(text) < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
}

QImage TRarBar::composeImage(qreal dpr) const
{
    const int w = width();
    const int hgt = height();
    QImage image(QSize(std::max(w, 1), std::max(hgt, 1)) * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(m_color);

    const int bottom = hgt - 5; // base line: Y + bar height
    const int scale = hgt - m_y - 5 - 10;
    const RarBarLevel lvl = level(hgt);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Shapes are drawn on pixel centres, so a 1-pixel pen covers exactly the
    // pixels named by the coordinates at every device pixel ratio.
    painter.save();
    painter.translate(0.5, 0.5);
    drawColumnEdges(painter, bottom, lvl.fill, scale);
    drawColumnFaces(painter, bottom, lvl.fill);
    drawColumnEdges(painter, bottom, lvl.fill, scale);
    painter.restore();

    if (m_showPercentage)
        drawPercentage(painter, bottom - lvl.fill, lvl.percent);
    return image;
}

void TRarBar::drawColumnEdges(QPainter &painter, int b, int p, int scale) const
{
    const int x = m_x;
    const int y = m_y;
    auto line = [&](int x1, int y1, int x2, int y2, const QColor &c) {
        painter.setPen(QPen(c, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawLine(x1, y1, x2, y2);
    };
    line(x, y + 5, x, b - p - 5, m_emptyLine);
    line(x + 15, y + 10, x + 15, b - p, m_emptyLine);
    line(x + 30, y + 5, x + 30, b - p - 5, m_emptyLine);
    // An empty column has no filled edge: a zero-length line would leave a
    // stray dot of the filled colour at its foot.
    if (p > 0) {
        line(x, b - p - 5, x, b - 5, m_filledLine);
        line(x + 15, b - p, x + 15, b, m_filledLine);
        line(x + 30, b - p - 5, x + 30, b - 5, m_filledLine);
    }
    painter.setPen(QPen(scale > 0 && p == scale ? m_filledLine : m_emptyLine, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(poly({{x, y + 5}, {x + 15, y}, {x + 30, y + 5}, {x + 15, y + 10}}));
    painter.setPen(QPen(p == 0 ? m_emptyLine : m_filledLine, 1));
    painter.drawPolyline(poly({{x, b - 5}, {x + 15, b}, {x + 30, b - 5}}));
}

void TRarBar::drawColumnFaces(QPainter &painter, int b, int p) const
{
    const int x = m_x;
    const int y = m_y;
    const QColor baseOutline = p == 0 ? m_emptyLine : m_filledLine;
    auto face = [&](const QPolygon &shape, const QColor &fill, const QColor &outline) {
        painter.setPen(QPen(outline, 1));
        painter.setBrush(fill);
        painter.drawPolygon(shape);
    };
    face(poly({{x + 15, y + 10}, {x, y + 5}, {x + 15, y}, {x + 30, y + 5}}), m_top, baseOutline);
    face(poly({{x + 15, b}, {x, b - 5}, {x, y + 5}, {x + 15, y + 10}}), m_side1, baseOutline);
    face(poly({{x + 15, b}, {x + 30, b - 5}, {x + 30, y + 5}, {x + 15, y + 10}}), m_side2, baseOutline);
    if (p >= 1) {
        face(poly({{x + 15, b}, {x, b - 5}, {x, b - p - 5}, {x + 15, b - p - 10}}), m_filledSide1, m_filledFrame);
        face(poly({{x + 15, b}, {x + 30, b - 5}, {x + 30, b - p - 5}, {x + 15, b - p - 10}}), m_filledSide2,
             m_filledFrame);
        face(poly({{x + 15, b}, {x, b - 5}, {x + 15, b - 10}, {x + 30, b - 5}}), m_bottom, m_bottomFrame);
        face(poly({{x + 15, b - p}, {x, b - p - 5}, {x + 15, b - p - 10}, {x + 30, b - p - 5}}), m_filled,
             m_filledFrame);
    } else {
        face(poly({{x + 15, b}, {x, b - 5}, {x + 15, b - 10}, {x + 15, b - 5}}), m_empty1, m_emptyFrame1);
        face(poly({{x + 15, b}, {x + 30, b - 5}, {x + 15, b - 10}, {x + 15, b - 5}}), m_empty2, m_emptyFrame2);
    }
}

QFont TRarBar::percentageFont(const QString &text, int room) const
{
    // Desktop faces run wider than the one the gauge was drawn for, so a
    // text that would be cut off ("100%" in a 60-pixel gauge) is first set a
    // little smaller, which keeps its letters whole, and only then narrower,
    // down to half its width.
    QFont textFont = font();
    const int pixels = textFont.pixelSize() > 0 ? textFont.pixelSize() : QFontInfo(textFont).pixelSize();
    for (int size = pixels; size >= std::max(9, pixels * 3 / 4) && room > 0; --size) {
        textFont.setPixelSize(size);
        if (QFontMetrics(textFont).horizontalAdvance(text) <= room)
            break;
    }
    for (int stretch = 100; stretch > 50 && room > 0;) {
        const int advance = QFontMetrics(textFont).horizontalAdvance(text);
        if (advance <= room)
            break;
        stretch = std::max(50, std::min(stretch - 1, stretch * room / advance));
        textFont.setStretch(stretch);
    }
    return textFont;
}

void TRarBar::drawPercentage(QPainter &painter, int fillTop, long long percent) const
{
    const QString text = QString::number(percent) + QLatin1Char('%');
    // The text has the room between the column and the control's edge, less
    // a blank column at the edge.
    const int left = m_x + 33;
    const QFont textFont = percentageFont(text, width() - left - 1);
    painter.setFont(textFont);
    const QFontMetrics metrics(textFont);
    const QRect box(left, fillTop - metrics.height(), metrics.horizontalAdvance(text), metrics.height());
    // The text colour is fixed by the colour scheme; on a background too
    // close to it (a dark desktop theme) the figure gets a chip of its own
    // so it stays legible.
    painter.fillRect(box, legibleBehind(m_fontColor, m_color));
    painter.setPen(m_fontColor);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void TRarBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), composeImage(devicePixelRatioF()));
}

} // namespace quillarc
