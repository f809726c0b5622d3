#include "gui/mainwindow/ListFontQt.h"

#include "gui/Fonts.h"

#include <QFontDatabase>

namespace quillarc {

QFont qFontOf(const ListFont &font)
{
    const int pixels = font.height < 0 ? -font.height : 0;
    QFont result = QFontDatabase::hasFamily(QString::fromStdString(font.name))
                       ? QFont(QString::fromStdString(font.name))
                       : Fonts::sans(pixels > 0 ? pixels : 13);
    if (pixels > 0)
        result.setPixelSize(pixels);
    else if (font.size > 0)
        result.setPointSize(font.size);
    result.setBold(font.bold);
    result.setItalic(font.italic);
    result.setUnderline(font.underline);
    result.setStrikeOut(font.strikeOut);
    return result;
}

QColor qColourOf(const ListFont &font)
{
    if (font.color < 0)
        return {};
    const auto value = static_cast<std::uint32_t>(font.color);
    return QColor(static_cast<int>(value & 0xff), static_cast<int>((value >> 8) & 0xff),
                  static_cast<int>((value >> 16) & 0xff));
}

void storeFont(ListFont &font, const QFont &chosen, const QColor &colour)
{
    font.name = chosen.family().toStdString();
    if (chosen.pixelSize() > 0)
        font.setHeight(-chosen.pixelSize());
    else
        font.setSize(qRound(chosen.pointSizeF()));
    font.bold = chosen.bold();
    font.italic = chosen.italic();
    font.underline = chosen.underline();
    font.strikeOut = chosen.strikeOut();
    if (colour.isValid())
        font.color = static_cast<std::int32_t>(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}

} // namespace quillarc
