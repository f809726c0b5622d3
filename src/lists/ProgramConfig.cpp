#include "lists/ProgramConfig.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "base/AtomicFile.h"
#include "lists/DateTimeText.h"
#include "lists/TextLines.h"

namespace quillarc {

namespace {

constexpr int kPixelsPerInch = 96;
constexpr std::size_t kMaxFontNameBytes = 31;

// Windows' MulDiv: a * b / c rounded half away from zero.
int mulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

int toInteger(const std::string &text)
{
    std::size_t first = text.find_first_not_of('0');
    if (first == std::string::npos)
        return 0;
    const std::string digits = text.substr(first);
    if (digits.size() > 10 || std::strtoll(digits.c_str(), nullptr, 10) > 2147483647LL)
        throw ConversionError("'" + text + "' is not a valid integer value");
    return static_cast<int>(std::strtol(digits.c_str(), nullptr, 10));
}

// Cuts at a byte limit without splitting a UTF-8 sequence.
std::string limitedName(const std::string &name)
{
    if (name.size() <= kMaxFontNameBytes)
        return name;
    std::size_t cut = kMaxFontNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

std::string flag(bool set)
{
    return set ? "T" : "F";
}

} // namespace

void ListFont::setHeight(int pixels)
{
    height = pixels;
    size = -mulDiv(pixels, 72, kPixelsPerInch);
}

void ListFont::setSize(int points)
{
    size = points;
    height = -mulDiv(points, kPixelsPerInch, 72);
}

bool isanumber(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::string configFileText(const ProgramConfig &config)
{
    const ProgramConfig defaults;
    const ListFont &font = config.font;
    std::vector<std::string> lines {
        driveText(config.drive),
        std::to_string(font.charSet),
        std::to_string(font.color),
        std::to_string(font.height),
        isStorableLine(font.name) ? font.name : defaults.font.name,
        std::to_string(font.size),
        flag(font.bold),
        flag(font.italic),
        flag(font.underline),
        flag(font.strikeOut),
    };
    for (int width : config.columnWidths)
        lines.push_back(std::to_string(width));
    for (int value : {config.windowWidth, config.windowHeight, config.windowLeft, config.windowTop})
        lines.push_back(std::to_string(value));
    lines.push_back(flag(config.exclude));
    for (const auto *list : {&config.extensions, &config.patterns}) {
        for (const std::string &entry : *list) {
            if (!entry.empty() && isStorableLine(entry))
                lines.push_back(entry);
        }
    }
    return joinLinesCrLf(lines);
}

void applyConfigText(std::string_view bytes, ProgramConfig &config)
{
    LineReader reader(bytes);
    if (reader.atEnd())
        return;
    const std::string drive = reader.next();
    config.drive = DriveRoot::of(drive);
    config.unusableDriveText = config.drive || drive == kNoDriveText ? std::string() : drive;

    bool style[4] = {false, false, false, false};
    for (int line = 2; line <= 19; ++line) {
        if (reader.atEnd())
            continue;
        const std::string text = reader.next();
        const bool number = isanumber(text);
        switch (line) {
        case 2:
            if (number)
                config.font.charSet = toInteger(text) & 0xFF;
            break;
        case 3:
            if (number)
                config.font.color = toInteger(text);
            break;
        case 4:
            if (number)
                config.font.setHeight(toInteger(text));
            break;
        case 5:
            if (!text.empty())
                config.font.name = limitedName(text);
            break;
        case 6:
            if (number)
                config.font.setSize(toInteger(text));
            break;
        case 7:
        case 8:
        case 9:
        case 10:
            style[line - 7] = text == "T";
            break;
        case 11:
        case 12:
        case 13:
        case 14:
            if (number)
                config.columnWidths[static_cast<std::size_t>(line - 11)] = toInteger(text);
            break;
        case 15:
            if (number)
                config.windowWidth = toInteger(text);
            break;
        case 16:
            if (number)
                config.windowHeight = toInteger(text);
            break;
        case 17:
            if (number)
                config.windowLeft = toInteger(text);
            config.SavedLeft = config.windowLeft;
            break;
        case 18:
            if (number)
                config.windowTop = toInteger(text);
            config.SavedTop = config.windowTop;
            break;
        case 19:
            config.exclude = text == "T";
            break;
        }
    }
    // The style is set once, to exactly what was read.
    config.font.bold = style[0];
    config.font.italic = style[1];
    config.font.underline = style[2];
    config.font.strikeOut = style[3];

    while (!reader.atEnd()) {
        std::string entry = reader.next();
        if (entry.empty())
            continue;
        if (entry.front() == '.')
            config.extensions.push_back(std::move(entry));
        else
            config.patterns.push_back(std::move(entry));
    }
}

bool LoadPConfigFile(const std::string &path, ProgramConfig &config)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT)
        return false;
    applyConfigText(readWholeFile(path), config);
    return true;
}

void SAvePConfigFile(const std::string &path, const ProgramConfig &config)
{
    writeFileAtomically(path, configFileText(config));
}

} // namespace quillarc
