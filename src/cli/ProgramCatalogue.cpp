#include "cli/ProgramCatalogue.h"

#include "catalogue/DiskLayout.h"

#include <cstdio>

namespace quillarc {

std::string programCatalogueFile(const std::string &programFolder)
{
    return programFolder + std::string(disklayout::kProgramCatalogue);
}

std::unique_ptr<Catalogue> openOrRenewProgramCatalogue(const std::string &programFolder, const std::string &stamp,
                                                       std::ostream &err)
{
    const std::string file = programCatalogueFile(programFolder);
    try {
        auto catalogue = std::make_unique<Catalogue>(file);
        catalogue->check();
        return catalogue;
    } catch (const CatalogueError &error) {
        if (!error.damaged())
            throw;
        const std::string aside = file + ".damaged-" + stamp;
        // The write-ahead log belongs with its file; nothing is removed.
        for (const char *suffix : {"-wal", "-shm", ""}) {
            if (std::rename((file + suffix).c_str(), (aside + suffix).c_str()) != 0 && *suffix == '\0')
                throw CatalogueError(std::string(error.what()) + "; it could not be set aside as " + aside);
        }
        err << "quillarc-pass: " << error.what() << ". It was set aside as " << aside
            << " and a new catalogue begun; --catalogue on each disk fills it again.\n";
    }
    return std::make_unique<Catalogue>(file);
}

} // namespace quillarc
