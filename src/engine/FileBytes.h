#pragma once

#include <cstdint>
#include <sys/stat.h>
#include <vector>

namespace quillarc {

/// Copies the bytes of the open regular file `source` (described by
/// `sourceStat` as it was opened) into the empty file `target`, up to the
/// length it had then. The kernel moves the bytes where it can
/// (copy_file_range, then sendfile), else one large buffer does. A sparse
/// source stays sparse: only its data is copied and the holes are left as
/// holes. `copied` is the length the target reached. On failure `error` is
/// the errno and `readFailed` tells a fault of the source from one of the
/// target.
bool copyFileBytes(int source, int target, const struct stat &sourceStat, std::vector<char> &buffer,
                   std::int64_t &copied, int &error, bool &readFailed);

} // namespace quillarc
