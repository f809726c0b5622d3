#pragma once

#include <sys/stat.h>

#include "lists/DateTime.h"

namespace quillarc {

/// Whether a file qualifies for a pass against its item's cut-off: its
/// modification time is later. A cut-off of 0 means none: every file
/// qualifies, also one stamped before the date-time values begin.
inline bool qualifiesForCutOff(DateTime cutOff, const struct stat &st)
{
    return cutOff == 0 || dateTimeFromTimespec(st.st_mtim) > cutOff;
}

} // namespace quillarc
