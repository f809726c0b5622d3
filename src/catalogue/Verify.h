#pragma once

#include "catalogue/Catalogue.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillarc {

/// What a verify found wrong with one copy.
struct VerifyFinding {
    enum class Kind {
        DiskCopyBad, ///< the copy differs from its hash, the source still matches: moved aside, copied again next pass
        SourceBad,   ///< the source differs from the hash though its time did not move: the backup is kept
        SourceGone,  ///< the copy differs and the source is gone: good copies elsewhere are named
        CopyBadSourceChanged, ///< the copy differs, the source changed since: moved aside, the next pass copies it
        VersionBad,           ///< an older version differs from its hash: moved aside
        Missing,              ///< the catalogue's copy is not on the disk: forgotten, copied again next pass
        Unreadable,           ///< the copy cannot be read: moved aside where it could be
    };
    Kind kind;
    std::string path;                     ///< mirror path
    std::string versionStamp;             ///< empty: the current copy
    std::string movedTo;                  ///< where the bad copy now lies below the disk root; empty: not moved
    std::string detail;                   ///< a cause, or why it could not be moved
    std::vector<CopyEntry> goodElsewhere; ///< copies with the recorded bytes on other disks or in versions
    bool diskCopyBad = false; ///< the copy on this disk differs from its hash (moved aside where it could be)
};

struct VerifyOptions {
    std::string stamp;            ///< this verify's stamp (also names the folder bad copies go to)
    std::string sourceRoot = "/"; ///< where the sources of mirror paths lie; ends in '/'
    std::optional<std::chrono::steady_clock::time_point> deadline; ///< stop before reading past it
    std::string since;                                     ///< a stamp: only copies not verified since; empty: all
    bool failedOnly = false;                               ///< only copies whose last verify found them wrong
    std::function<bool()> stopRequested;                   ///< polled between files
    std::function<void(const std::string &path)> progress; ///< told each copy read
};

struct VerifyReport {
    std::int64_t checked = 0; ///< copies read
    std::int64_t bytes = 0;
    std::int64_t left = 0; ///< copies a deadline or a stop left for the next verify
    std::vector<VerifyFinding> findings;
    bool allGood() const { return findings.empty(); }
};

/// Reads the disk's copies back (the least recently verified first, each
/// group of them in the order they lie on the disk) and compares each with
/// its hash in the catalogue. A copy that differs is read again past the
/// page cache before it counts. Nothing is deleted: a bad copy is moved to
/// .quillarc/bad/<stamp>/<path> and forgotten, so the next pass copies the
/// file again. Commits as it goes, so a verify stopped at any point is
/// resumed by the next.
VerifyReport verifyDisk(Catalogue &catalogue, std::int64_t disk, int diskRootFd, const VerifyOptions &options);

/// Where bad copies of a verify go, below the disk root.
std::string badFolder(const std::string &stamp);

} // namespace quillarc
