#pragma once

#include "catalogue/Catalogue.h"

#include <string>

namespace quillarc {

/// What the program folder's catalogue (`catalogueFile`) knows of one disk,
/// as lines to follow quillarc-pass --status's and the window's label
/// tooltip's: the files and bytes on it, when it was last verified, and the
/// mismatches that found. A catalogue that is missing, or that does not
/// know the disk, says so in a line; one that cannot be read says why. The
/// file is never made or changed here.
std::string diskCatalogueLines(const std::string &catalogueFile, const DiskIdentity &disk);

/// The same from a summary in hand.
std::string diskCatalogueLines(const DiskSummary &summary);

} // namespace quillarc
