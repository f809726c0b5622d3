#pragma once

namespace quillarc {

/// True when the open file has no extended attribute at all, and so no
/// access control list either: one call, where reading the lists and
/// copying the attributes would take several that all come back empty. A
/// file system that keeps no attributes has none; any other doubt answers
/// false, and the caller takes the long way.
bool hasNoAttributes(int fd);

} // namespace quillarc
