#pragma once

#include <string>
#include <string_view>

namespace quillarc::PathRules {

/// True for an absolute path without empty, "." or ".." components and
/// without NUL; one trailing '/' is allowed. Only such paths are backed up,
/// so a copy always lands where its source path says.
bool isNormalAbsolute(std::string_view path);

/// Where a source lands below the medium root: the source path without its
/// leading '/' (and without a trailing one).
std::string relativeOnDisk(std::string_view source);

/// An error's text as the program's error box shows it: a full stop is
/// added unless the text already ends in a character that sorts at or
/// below the full stop.
std::string withFullStop(std::string_view text);

} // namespace quillarc::PathRules
