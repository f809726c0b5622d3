#pragma once

#include <QColor>

class QPainter;

namespace quillarc {

/// What the layers of a pill or an orb are laid out from.
struct PillShape {
    int w2;     ///< width less the rim's right edge
    int h3;     ///< height less the rim's lower edge
    int r;      ///< corner size
    int d;      ///< offset of the highlights while pressed
    bool orb;   ///< round instead of pill-shaped
    bool small; ///< small corners (pills only)
};

/// Draws a gloss button's picture, its rim, face, gloss band and glow, as
/// layers over a `w` by `h` image already filled with `bg`.
void drawGlossPicture(QPainter &painter, const PillShape &shape, int w, int h, const QColor &bg, const QColor &face);

} // namespace quillarc
