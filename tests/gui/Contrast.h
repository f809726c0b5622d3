#pragma once

// Relative luminance and contrast ratio as accessibility guidelines define
// them: 1 for the same colour, 21 for black on white.
#include <QColor>

#include <algorithm>
#include <cmath>

namespace quillarc {

inline double luminance(const QColor &colour)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) + 0.0722 * channel(colour.blue());
}

inline double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace quillarc
