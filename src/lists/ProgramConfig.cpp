#include "lists/ProgramConfig.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

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

bool isDigitString(std::string_view text)
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

namespace {

// The next of the file's numbered lines; none past its end, which leaves
// the value the line holds as it was.
std::optional<std::string> nextLine(LineReader &reader)
{
    if (reader.atEnd())
        return std::nullopt;
    return reader.next();
}

// A line that is a digit string sets its value; any other leaves it as it
// was. A digit string too large throws.
template <class Apply>
void applyNumber(const std::optional<std::string> &line, Apply apply)
{
    if (line && isDigitString(*line))
        apply(toInteger(*line));
}

// Bold, italic, underline, strike-out, as lines 7..10 give them.
using FontStyle = std::array<bool, 4>;

// Lines 2..10; the style is handed back, to be set once the numbers after
// it were read.
FontStyle readFont(LineReader &reader, ListFont &font)
{
    applyNumber(nextLine(reader), [&](int value) { font.charSet = value & 0xFF; });
    applyNumber(nextLine(reader), [&](int value) { font.color = value; });
    applyNumber(nextLine(reader), [&](int value) { font.setHeight(value); });
    if (const std::optional<std::string> name = nextLine(reader); name && !name->empty())
        font.name = limitedName(*name);
    applyNumber(nextLine(reader), [&](int value) { font.setSize(value); });
    FontStyle style {};
    for (bool &set : style)
        set = nextLine(reader) == "T"; // a line missing is not "T"
    return style;
}

// Lines 11..18. The window's left and top edge are remembered as they
// stand after their lines, applied or not.
void readLayout(LineReader &reader, ProgramConfig &config)
{
    for (int &width : config.columnWidths)
        applyNumber(nextLine(reader), [&](int value) { width = value; });
    applyNumber(nextLine(reader), [&](int value) { config.windowWidth = value; });
    applyNumber(nextLine(reader), [&](int value) { config.windowHeight = value; });
    if (const std::optional<std::string> left = nextLine(reader)) {
        applyNumber(left, [&](int value) { config.windowLeft = value; });
        config.SavedLeft = config.windowLeft;
    }
    if (const std::optional<std::string> top = nextLine(reader)) {
        applyNumber(top, [&](int value) { config.windowTop = value; });
        config.SavedTop = config.windowTop;
    }
}

// Line 19, then one entry a line: an extension begins with a point, a
// pattern does not.
void readFilters(LineReader &reader, ProgramConfig &config)
{
    if (const std::optional<std::string> exclude = nextLine(reader))
        config.exclude = *exclude == "T";
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

} // namespace

void applyConfigText(std::string_view bytes, ProgramConfig &config)
{
    LineReader reader(bytes);
    if (reader.atEnd())
        return;
    const std::string drive = reader.next();
    config.drive = DriveRoot::of(drive);
    config.unusableDriveText = config.drive || drive == kNoDriveText ? std::string() : drive;
    const FontStyle style = readFont(reader, config.font);
    readLayout(reader, config);
    // The style is set once, to exactly what was read, by a load that read
    // every number.
    config.font.bold = style[0];
    config.font.italic = style[1];
    config.font.underline = style[2];
    config.font.strikeOut = style[3];
    readFilters(reader, config);
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
