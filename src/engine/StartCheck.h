#pragma once

#include <cstdint>
#include <string>

#include "engine/PassOutcome.h"
#include "lists/CutOff.h"

namespace quillarc {

class BackupItem;
class BackupList;

/// The Backup command's checks, in its order: exactly 0 bytes free (any
/// other figure, -1 for a missing medium included, counts as room), an
/// empty list, no checked item. None when a pass may start.
StartRefusal checkStart(std::int64_t freeBytes, const BackupList &list);

/// The message of a refusal; empty for None and EmptyList.
std::string startMessage(StartRefusal refusal);

/// Why a checked item cannot be backed up at all (its path is not plain and
/// absolute, its cut-off does not read); empty when it can, with `cutOff`
/// set.
std::string itemProblem(const BackupItem &item, CutOff &cutOff);

} // namespace quillarc
