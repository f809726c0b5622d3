#pragma once

#include "catalogue/CopyRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillarc {

class Catalogue;

/// What a person asked to get back.
struct RestoreRequest {
    /// Absolute source paths of files and folders, as they were backed up
    /// ("/home/ann/Docs").
    std::vector<std::string> paths;
    /// The newest pass stamp to restore from (a copy made by a later pass
    /// is passed over); empty: the newest copy of each file.
    std::string asOfStamp;
    /// Empty: every file goes back to its original place. Otherwise an
    /// absolute folder; each chosen item goes below it under its own name,
    /// with the tree below it kept.
    std::string targetFolder;
};

/// One file of the plan: the copy chosen, and the others that hold the
/// same content (another disk's, or a version) to fall back on when the
/// chosen one reads back wrong.
struct PlannedFile {
    CopyEntry source;
    std::string target; ///< absolute path the file is written to
    std::vector<CopyEntry> alternatives;

    /// Where the copy lies below its disk's root: its mirror path, or the
    /// same path in the versions of the pass that moved it there.
    std::string pathOnDisk() const { return pathOnDisk(source); }
    static std::string pathOnDisk(const CopyEntry &entry);
};

/// The files that come from one disk.
struct DiskPlan {
    std::int64_t diskId = 0;
    std::string label, uuid;
    std::int64_t bytes = 0;
    std::vector<PlannedFile> files; ///< sorted by mirror path
};

struct RestorePlan {
    std::vector<DiskPlan> disks; ///< sorted by label
    /// Chosen paths the catalogue holds no copy of (as of the date).
    std::vector<std::string> notFound;

    std::int64_t totalBytes() const;
    std::size_t fileCount() const;
};

/// The plan from every copy the catalogue knows below the chosen paths
/// (as Catalogue::copiesUnder gives them, in any order).
RestorePlan planRestore(const RestoreRequest &request, const std::vector<CopyEntry> &copies);

/// The same, asking the catalogue.
RestorePlan planRestore(const RestoreRequest &request, const Catalogue &catalogue);

/// The pass stamp that closes a date a person typed: "2026-12-01" (the end
/// of that local day), "2026-12-01 14:30" (the end of that local minute),
/// or a pass stamp as it stands. nullopt when it reads as none of these.
std::optional<std::string> asOfStampFromText(std::string_view text);

/// The mirror path of an absolute source path: no leading or trailing '/',
/// no empty, "." or ".." components; nullopt when it cannot be one.
std::optional<std::string> mirrorPathOf(std::string_view absolutePath);

} // namespace quillarc
