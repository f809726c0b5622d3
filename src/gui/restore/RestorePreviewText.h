#pragma once

#include "catalogue/CopyRecord.h"
#include "catalogue/RestorePlan.h"
#include "catalogue/RestoreWriter.h"

#include <QString>

#include <vector>

namespace quillarc {

/// What a restore will do, in lines a person reads before it starts: per
/// disk the files and bytes, each file's target, and what is in the way
/// there (the same content is left alone; a different file stays and the
/// restored one goes beside it, or replaces it after being kept aside).
QString restorePreviewText(const RestorePlan &plan, const RestoreSettings &settings);

/// A line of the versions list: the disk, current copy or version, when
/// the file was changed and its size.
QString restoreVersionText(const CopyEntry &entry);

/// The notice at the end of a restore, naming what was not restored.
QString restoreEndText(std::size_t restored, std::size_t total, const std::vector<std::string> &notRestored,
                       const std::vector<std::string> &besides);

} // namespace quillarc
