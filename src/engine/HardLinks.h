#pragma once

#include <map>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace quillarc {

/// The copies made on the disk in hand of source files that have more than
/// one name, so that a further name of the same file becomes a hard link to
/// its copy (one copy, several names), as `cp -a` keeps them. A link can
/// only point at a copy on the same disk: the record is dropped whenever
/// another disk goes into the drive, and at each new item.
class HardLinks {
public:
    void clear() { m_copies.clear(); }

    /// Where the source file `st` was copied on this disk, or null.
    const std::string *copyOf(const struct stat &st) const;
    /// The source file `st` is now copied at `relative`; files with one name
    /// are not kept.
    void copied(const struct stat &st, const std::string &relative);

private:
    std::map<std::pair<dev_t, ino_t>, std::string> m_copies;
};

} // namespace quillarc
