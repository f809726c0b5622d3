#pragma once

#include "catalogue/Verify.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quillarc {

/// The disk in the drive that a verify reads back.
struct DiskToVerify {
    std::string programFolder; ///< ends in '/'
    std::string root;          ///< the disk's root folder, ends in '/'
    std::string label;
    std::string uuid;            ///< may be empty: the disk is then known by its label
    std::int64_t freeBytes = -1; ///< its free space now; -1: not known
};

struct DiskVerifyOutcome {
    enum class Start {
        Ran,           ///< the report tells what was read and found
        Busy,          ///< a pass works with the disk or the program folder
        NotCatalogued, ///< the catalogue knows no copy on this disk
        Failed,        ///< the catalogue or the disk could not be read
    };
    Start start = Start::Failed;
    std::string error; ///< what to tell when it did not run, or what went wrong after
    VerifyReport report;
    std::string findings; ///< a line per finding
    std::string summary;  ///< one line on how it ended
};

/// Reads back the copies on the disk and compares them with the program
/// folder's catalogue, as quillarc-pass --verify does: holding the disk's
/// and the program folder's pass lock throughout, so that no pass writes
/// while it reads, at idle I/O priority (the calling thread's). The
/// catalogue and the disk's own copy and manifest keep what it found, and
/// the pass log its summary, so that a verify stopped part-way is resumed
/// by the next. `sized` is told how many copies there are before the first
/// is read.
DiskVerifyOutcome verifyDiskInDrive(const DiskToVerify &disk, const VerifyOptions &options,
                                    const std::function<void(std::int64_t copies)> &sized = {});

} // namespace quillarc
