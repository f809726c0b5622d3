#pragma once

#include "lists/ProgramConfig.h"

#include <QColor>
#include <QFont>

namespace quillarc {

/// The list font as Qt shows it. A face the desktop lacks ("MS Sans Serif")
/// falls back to its sans-serif face at the same pixel height.
QFont qFontOf(const ListFont &font);
/// The text colour 0x00BBGGRR; a negative (system) colour gives the
/// palette's text colour (invalid QColor).
QColor qColourOf(const ListFont &font);

/// Takes face, size, style and colour from Qt into the stored settings; the
/// character set is kept.
void storeFont(ListFont &font, const QFont &chosen, const QColor &colour);

} // namespace quillarc
