#pragma once

#include <string_view>

namespace quillarc {

/// True when the whole of `name` matches `pattern`, ignoring the case of
/// ASCII letters. "*" takes any run of characters and "?" exactly one, with
/// two quirks users' patterns rely on: a remaining pattern of exactly "*"
/// matches anything, even nothing, while once the name is used up any other
/// remaining pattern fails (so "abc**" does not match "abc", but "abc*"
/// does; and "*.*" needs a dot). Texts of any length are compared whole.
bool WildcardMatch(std::string_view name, std::string_view pattern);

} // namespace quillarc
