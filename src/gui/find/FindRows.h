#pragma once

#include "catalogue/CopyRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillarc {

/// One file that a search found, as the Find window shows it: where its
/// newest copy is, and where every other copy is, each with the date its
/// disk was last seen (what the catalogue knows of a disk in a drawer is
/// only as fresh as that).
struct FindRow {
    std::string path;   ///< mirror path, "home/ann/Docs/a.txt"
    std::string name;   ///< "a.txt"
    std::string folder; ///< "/home/ann/Docs"
    CopyEntry newest;
    std::int64_t versions = 0; ///< copies kept in the versions, on every disk
    std::string newestDisk;    ///< "BACKUP1, as of 2026-12-10 22:05"
    std::string versionsText;  ///< "none", "2 on BACKUP1", ...
    std::string olderText;     ///< current copies on other disks: "BACKUP2 as of ...; ..."; empty: none
    std::string details;       ///< every copy, one a line, as quillarc-pass --find prints them
};

/// The rows of the entries of Catalogue::find (sorted by path, newest copy
/// first): one per file, at most `most` of them; `files` is set to how many
/// files there were in all.
std::vector<FindRow> findRows(const std::vector<CopyEntry> &entries, std::size_t most, std::size_t &files);

/// "as of 2026-12-10 22:05", or "disk never seen".
std::string asOfText(const CopyEntry &entry);

} // namespace quillarc
