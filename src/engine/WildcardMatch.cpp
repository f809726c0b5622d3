#include "engine/WildcardMatch.h"

#include <vector>

namespace quillarc {

namespace {
char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
} // namespace

// The rules are naturally recursive on (rest of name, rest of pattern); a
// table over both positions, filled from the ends, gives the same answers
// without the exponential cost of patterns full of stars.
bool WildcardMatch(std::string_view name, std::string_view pattern)
{
    const std::size_t n = name.size();
    const std::size_t m = pattern.size();
    std::vector<char> next(m + 1, 0); // row i + 1
    std::vector<char> cur(m + 1, 0);  // row i
    for (std::size_t ii = n + 1; ii-- > 0;) {
        for (std::size_t jj = m + 1; jj-- > 0;) {
            bool result;
            if (jj + 1 == m && pattern[jj] == '*')
                result = true;
            else if (ii == n)
                result = (jj == m);
            else if (jj == m)
                result = false;
            else if (pattern[jj] == '*')
                result = cur[jj + 1] || next[jj];
            else if (pattern[jj] == '?')
                result = next[jj + 1];
            else
                result = upper(name[ii]) == upper(pattern[jj]) && next[jj + 1];
            cur[jj] = result ? 1 : 0;
        }
        cur.swap(next);
    }
    return next[0] != 0;
}

} // namespace quillarc
