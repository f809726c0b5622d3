#pragma once

namespace quillarc {

/// A fault of the disk as a whole (full, over quota, failing, read-only):
/// no copy written now can be trusted, and the pass ends. Anything else is
/// the disk refusing one file for what it is: its name (FAT's ':' or '?', a
/// trailing dot, a name too long) or its size (FAT's 4 GiB, EFBIG), and
/// only that file is missed.
bool isDiskFault(int error);

/// A name the disk will not take, as opposed to a disk that fails.
bool isNameRefused(int error);

/// Where a copy failed: on the way to its folder, or at the file itself.
enum class FailedAt {
    Folder, ///< a folder of copies that cannot be reached or made ends the pass, unless the disk refuses its name
    File,   ///< a file the disk refuses is missed alone, unless the disk as a whole failed
};

/// Whether a failure with `error` at `where` ends the pass (true) or misses
/// that one file (false).
bool endsThePass(FailedAt where, int error);

} // namespace quillarc
