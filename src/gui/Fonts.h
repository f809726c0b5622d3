#pragma once

#include <QFont>

namespace quillarc {

/// Fonts of the program's windows. Texts designed for "MS Sans Serif" use
/// the desktop's own sans-serif face at the same pixel height.
struct Fonts {
    /// The desktop's sans-serif face, `pixels` high.
    static QFont sans(int pixels, bool bold = false);
};

} // namespace quillarc
