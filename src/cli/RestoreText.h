#pragma once

#include "catalogue/RestorePlan.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace quillarc {

/// "1 file", "3 files".
std::string filesText(std::size_t count);

/// The plan as the runner prints it before anything is written: each disk
/// with its files and bytes, where the files go, and what the catalogue
/// does not hold. With `eachFile`, every file with its copy and target, and
/// whether something is already at the target.
void printPlan(std::ostream &out, const RestorePlan &plan, const std::string &asOfStamp,
               const std::string &targetFolder, bool eachFile);

/// The other copies of a file worth trying when its planned copy is bad or
/// its disk is not at hand: "a copy of the same content on disk SET-B".
std::string otherCopiesText(const PlannedFile &file);

} // namespace quillarc
