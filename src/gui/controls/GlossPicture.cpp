#include "gui/controls/GlossPicture.h"

#include "gui/controls/TGlossButton.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace quillarc {

namespace {

// One layer of the button: a box (right and bottom exclusive) drawn as a
// rounded rectangle or an ellipse, filled and outlined.
struct Layer {
    int left, top, right, bottom;
    int cornerW, cornerH;
    QColor fill, outline;
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

void drawGlossPicture(QPainter &painter, const PillShape &shape, int w, int h, const QColor &bg, const QColor &face)
{
    std::vector<Layer> layers;
    addRimAndFace(layers, shape, w, h, bg, face);
    addGlossBand(layers, shape, face);
    addGlow(layers, shape, face);
    drawLayers(painter, layers, shape.orb);
}

} // namespace quillarc
