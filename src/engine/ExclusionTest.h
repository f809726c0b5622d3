#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace quillarc {

/// The user's file filters as a pass sees them. The two lists cannot
/// change during a pass; the EXCLUDE box can, and takes effect from the
/// next file tested.
struct FileFilters {
    std::atomic<bool> exclude {true};    ///< the EXCLUDE box
    std::vector<std::string> extensions; ///< lower case, each beginning with "."
    std::vector<std::string> patterns;   ///< lower case, may hold "*" and "?"
};

/// True when the bare file `name` is excluded from backups: its extension
/// (from the last ".", dot included) equals an entry of the extension list,
/// or a pattern with wildcards matches the whole name, or a pattern without
/// them occurs in the lower-cased name. Always false while EXCLUDE is off.
bool bannedext(const FileFilters &filters, std::string_view name);

} // namespace quillarc
