#pragma once

#include <string>
#include <string_view>

namespace quillarc {

/// `text` as one line of a log, a terminal or a mail: control characters
/// (line breaks, escape sequences, DEL) and the backslash are written as
/// \xHH, so a file name cannot start a line of its own or move the cursor.
std::string oneLine(std::string_view text);

} // namespace quillarc
