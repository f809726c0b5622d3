#include "cli/AutoBackupOption.h"
#include "cli/CatalogueCommand.h"
#include "cli/DesktopNotifier.h"
#include "cli/FindCommand.h"
#include "cli/DiskStatusReport.h"
#include "cli/MountWatchCommand.h"
#include "cli/PassOptions.h"
#include "cli/PassRunner.h"
#include "cli/RestoreCommand.h"
#include "cli/VerifyCommand.h"
#include "cli/VersionsListing.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    const auto options = quillarc::PassOptions::parse(arguments, error);
    if (!options) {
        std::cerr << "quillarc-pass: " << error << "\n" << quillarc::PassOptions::usage();
        return quillarc::ExitRefused;
    }
    if (options->help) {
        std::cout << quillarc::PassOptions::usage();
        return 0;
    }
    if (!options->restore.empty())
        return quillarc::runRestore(*options);
    if (options->watch)
        return quillarc::watchMounts(*options);
    if (!options->autoBackup.empty())
        return quillarc::setAutoBackup(*options);
    if (!options->versionsOf.empty())
        return quillarc::listVersions(*options);
    if (!options->find.empty())
        return quillarc::findCopies(*options, std::cout, std::cerr);
    if (options->catalogue)
        return quillarc::catalogueDisk(*options, std::cout, std::cerr);
    if (options->verify)
        return quillarc::verifyCopies(*options, std::cout, std::cerr);
    if (options->status)
        return quillarc::showDiskStatus(*options);

    // Without a terminal (a timer, cron) nobody sees the pass end: the
    // desktop is told. A run that could not start says so in its exit status.
    quillarc::PassReport report;
    quillarc::PassHooks hooks;
    hooks.report = &report;
    const int status = quillarc::runPass(*options, hooks);
    if (!options->dryRun)
        quillarc::recordPass(*options, report.outcome);
    if (options->notify && !options->dryRun && ::isatty(STDIN_FILENO) != 1 && report.outcome.started())
        quillarc::DesktopNotifier(false).notify({report.label, {}, report.outcome});
    return status;
}
