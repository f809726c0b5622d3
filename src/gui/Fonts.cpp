#include "gui/Fonts.h"

#include <QFontDatabase>

namespace quillarc {

QFont Fonts::sans(int pixels, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace quillarc
