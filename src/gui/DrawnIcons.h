#pragma once

#include <QIcon>

namespace quillarc {

/// Icons the program draws itself, so that they look the same under every
/// desktop theme: a dark theme's own icons can vanish on the fixed light
/// panels of the program's windows, and some show no disabled state.
/// Each icon has a plainly grey picture for its disabled state.
struct DrawnIcons {
    /// A green arrow pointing left (previous) or right (next).
    static QIcon arrow(bool right);
    /// A question mark on a blue disc.
    static QIcon question();
};

} // namespace quillarc
