#pragma once

#include "catalogue/Catalogue.h"

#include <memory>
#include <ostream>
#include <string>

namespace quillarc {

/// The program folder's catalogue file.
std::string programCatalogueFile(const std::string &programFolder);

/// Opens the program folder's catalogue, creating it when missing. A
/// damaged one is renamed aside ("catalogue.sqlite.damaged-<stamp>", kept
/// for a person to look at) and a new one begun, saying so on `err`; to be
/// filled again from the disks. Throws CatalogueError for anything else.
std::unique_ptr<Catalogue> openOrRenewProgramCatalogue(const std::string &programFolder, const std::string &stamp,
                                                       std::ostream &err);

} // namespace quillarc
