#pragma once

#include <string>

namespace quillarc {

/// Tells the desktop how a verify ended (the session bus's notification
/// service); nothing happens where there is none.
void notifyVerify(const std::string &summary, bool allGood);

} // namespace quillarc
