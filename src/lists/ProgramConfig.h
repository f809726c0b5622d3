#pragma once

#include "lists/DriveText.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillarc {

/// Settings of the list font as plain values; the window applies them.
/// Height in pixels (negative: character height, positive: cell height) and
/// size in points are tied together at 96 pixels per inch, as setting one
/// sets the other.
struct ListFont {
    int charSet = 1;        ///< 0..255; 1 = the default character set
    std::int32_t color = 0; ///< RGB as 0x00BBGGRR; 0 = black text
    int height = -13;
    std::string name = "MS Sans Serif";
    int size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    void setHeight(int pixels);
    void setSize(int points);
};

/// Everything the file "config" remembers. The window fills the values it
/// owns (its size and position) before loading; a line that is not applied
/// leaves the value as it was.
struct ProgramConfig {
    BackupDrive drive; ///< line 1; none while no drive is chosen
    /// Line 1 when it named neither a drive root nor none (a hand-edited
    /// file): kept only to say what is wrong with it. It is saved as none.
    std::string unusableDriveText;
    ListFont font;
    std::array<int, 4> columnWidths {510, 150, 110, 50}; ///< Folder, Date/Time, Float, SubDir
    int windowWidth = 0;
    int windowHeight = 0;
    int windowLeft = 0;
    int windowTop = 0;
    bool exclude = true;
    std::vector<std::string> extensions;
    std::vector<std::string> patterns;

    /// The window's left/top edge after lines 17/18 were read, applied or
    /// not; 0 when the file ends earlier.
    int SavedLeft = 0;
    int SavedTop = 0;
};

/// Digits-only test: not empty and every character 0..9 (no sign, no blank).
bool isDigitString(std::string_view text);

/// File name of the config file in the program folder.
inline constexpr std::string_view kConfigFileName = "config";

/// The file's text: lines 1..19, then the extensions, then the patterns,
/// each ended by CR LF. A drive text or font name that cannot stand on one
/// line is written as its default.
std::string configFileText(const ProgramConfig &config);

/// Applies file bytes as LoadPConfigFile does. A digit string beyond a
/// signed 32-bit integer throws ConversionError "'%s' is not a valid integer
/// value"; the settings before that line stay applied.
void applyConfigText(std::string_view bytes, ProgramConfig &config);

/// LoadPConfigFile: false (nothing changes) when the file does not exist.
/// Throws FileError or ConversionError.
bool LoadPConfigFile(const std::string &path, ProgramConfig &config);

/// SAvePConfigFile: replaces the file atomically. Throws FileError.
void SAvePConfigFile(const std::string &path, const ProgramConfig &config);

} // namespace quillarc
