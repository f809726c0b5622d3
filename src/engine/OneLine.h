#pragma once

#include <string>
#include <string_view>

namespace quillarc {

/// `text` as one line of a log, a terminal or a mail: control characters
/// (line breaks, escape sequences, DEL, the C1 controls such as NEL and
/// CSI, the Unicode line separators and the bidirectional marks and
/// overrides), bytes that are not UTF-8, and the backslash are written as
/// \xHH per byte, so a file name cannot start a line of its own, move the
/// cursor or reorder what a reader shows. Other UTF-8 text stays as it is.
std::string oneLine(std::string_view text);

} // namespace quillarc
