#include "engine/ExclusionTest.h"

#include "base/AsciiCase.h"

#include "engine/WildcardMatch.h"

namespace quillarc {

bool bannedext(const FileFilters &filters, std::string_view name)
{
    if (!filters.exclude.load(std::memory_order_relaxed))
        return false;
    const std::string lower = toLowerAscii(name);
    if (!filters.extensions.empty()) {
        const std::size_t dot = lower.rfind('.');
        const std::string_view ext =
            dot == std::string::npos ? std::string_view() : std::string_view(lower).substr(dot);
        for (const std::string &entry : filters.extensions)
            if (entry == ext)
                return true;
    }
    for (const std::string &pattern : filters.patterns) {
        if (pattern.empty()) // would otherwise exclude every file
            continue;
        if (pattern.find_first_of("*?") != std::string::npos) {
            if (WildcardMatch(lower, pattern))
                return true;
        } else if (lower.find(pattern) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace quillarc
