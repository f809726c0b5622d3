#include "cli/PassOptions.h"

#include <algorithm>

namespace quillarc {

namespace {

// Seconds in "90", "90s", "30m", "2h"; 0 for anything else.
long parseDuration(const std::string &text)
{
    std::size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used);
    } catch (const std::exception &) {
        return 0;
    }
    const std::string unit = text.substr(used);
    const long scale = unit.empty() || unit == "s" ? 1 : unit == "m" ? 60 : unit == "h" ? 3600 : 0;
    // A year is more than any verify needs; a larger figure is a typing slip.
    return value > 0 && value <= 366L * 24 * 3600 / std::max(scale, 1L) ? value * scale : 0;
}

} // namespace

std::optional<PassOptions> PassOptions::parse(const std::vector<std::string> &arguments, std::string &error)
{
    PassOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        auto value = [&](std::string &target) {
            const std::string prefix = argument.substr(0, argument.find('=')) + "=";
            if (argument.find('=') != std::string::npos) {
                target = argument.substr(prefix.size());
            } else if (i + 1 < arguments.size()) {
                target = arguments[++i];
            } else {
                error = "option " + argument + " needs a value";
                return false;
            }
            if (target.empty()) {
                error = "option " + prefix.substr(0, prefix.size() - 1) + " needs a value";
                return false;
            }
            return true;
        };
        const std::string name = argument.substr(0, argument.find('='));
        if (name == "--program-folder") {
            if (!value(options.programFolder))
                return std::nullopt;
        } else if (name == "--drive") {
            if (!value(options.drive))
                return std::nullopt;
        } else if (name == "--auto") {
            if (!value(options.autoBackup))
                return std::nullopt;
            if (options.autoBackup != "on" && options.autoBackup != "off") {
                error = "option --auto takes on or off, not " + options.autoBackup;
                return std::nullopt;
            }
        } else if (name == "--versions") {
            if (!value(options.versionsOf))
                return std::nullopt;
        } else if (argument == "--restore") {
            // Every argument up to the next option is a path to get back.
            while (i + 1 < arguments.size() && arguments[i + 1].rfind("--", 0) != 0)
                options.restore.push_back(arguments[++i]);
            if (options.restore.empty()) {
                error = "option --restore needs a path";
                return std::nullopt;
            }
        } else if (name == "--to") {
            if (!value(options.restoreTo))
                return std::nullopt;
        } else if (name == "--as-of") {
            if (!value(options.asOf))
                return std::nullopt;
        } else if (argument == "--overwrite") {
            options.overwrite = true;
        } else if (name == "--find") {
            if (!value(options.find))
                return std::nullopt;
        } else if (name == "--max-duration") {
            std::string text;
            if (!value(text))
                return std::nullopt;
            if ((options.maxSeconds = parseDuration(text)) <= 0) {
                error = "option --max-duration takes a duration such as 90, 30m or 2h, not " + text;
                return std::nullopt;
            }
        } else if (name == "--since") {
            if (!value(options.since))
                return std::nullopt;
        } else if (argument == "--path") {
            options.wholePath = true;
        } else if (argument == "--catalogue") {
            options.catalogue = true;
        } else if (argument == "--verify") {
            options.verify = true;
        } else if (argument == "--failed") {
            options.failed = true;
        } else if (name == "--label") {
            if (!value(options.label))
                return std::nullopt;
        } else if (argument == "--status") {
            options.status = true;
        } else if (argument == "--watch") {
            options.watch = true;
        } else if (argument == "--no-notify") {
            options.notify = false;
        } else if (argument == "--yes") {
            options.yes = true;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else {
            error = "unknown option " + argument;
            return std::nullopt;
        }
    }
    const bool restoring = !options.restore.empty();
    if (!restoring && (!options.restoreTo.empty() || !options.asOf.empty() || options.overwrite)) {
        error = "--to, --as-of and --overwrite go with --restore";
        return std::nullopt;
    }
    // A restore may be a dry run: it then shows each file and writes none.
    const int modes = (options.watch ? 1 : 0) + (options.autoBackup.empty() ? 0 : 1) +
                      (options.dryRun && !restoring ? 1 : 0) + (options.find.empty() ? 0 : 1) +
                      (options.catalogue ? 1 : 0) + (options.verify ? 1 : 0) + (options.versionsOf.empty() ? 0 : 1) +
                      (options.status ? 1 : 0) + (restoring ? 1 : 0);
    if (modes > 1) {
        error = "--watch, --auto, --status, --dry-run, --find, --catalogue, --verify, --versions and --restore "
                "cannot be combined";
        return std::nullopt;
    }
    if (!options.label.empty() && options.autoBackup.empty()) {
        error = "--label goes with --auto";
        return std::nullopt;
    }
    if ((options.wholePath && options.find.empty()) ||
        (!options.verify && (options.maxSeconds > 0 || !options.since.empty() || options.failed))) {
        error = "--path goes with --find; --max-duration, --since and --failed go with --verify";
        return std::nullopt;
    }
    return options;
}

const char *PassOptions::usage()
{
    return "Usage: quillarc-pass [--program-folder DIR] [--drive ROOT] [--yes] [--dry-run] [--no-notify]\n"
           "       quillarc-pass [--program-folder DIR] [--drive ROOT | --label LABEL] --auto on|off\n"
           "       quillarc-pass [--program-folder DIR] --status\n"
           "       quillarc-pass [--program-folder DIR] --watch\n"
           "       quillarc-pass [--program-folder DIR] [--drive ROOT] --versions PATH\n"
           "       quillarc-pass [--program-folder DIR] [--drive ROOT] --restore PATH... [--to FOLDER]\n"
           "                     [--as-of DATE] [--overwrite] [--dry-run]\n"
           "       quillarc-pass [--program-folder DIR] --find PATTERN [--path]\n"
           "       quillarc-pass [--program-folder DIR] [--drive ROOT] --catalogue\n"
           "       quillarc-pass [--program-folder DIR] [--drive ROOT] --verify [--max-duration TIME]\n"
           "                     [--since YYYY-MM-DD] [--failed]\n"
           "Runs one backup pass over the backup list of the disk in the backup drive,\n"
           "with the same config file and disk list files as the Quillarc window.\n"
           "\n"
           "  --program-folder DIR  folder holding \"config\" and the <label>.ini files\n"
           "                        (default: the program's own)\n"
           "  --drive ROOT          backup drive root (default: line 1 of the config file)\n"
           "  --yes                 answer Yes when the folder needs more disks than are in\n"
           "  --dry-run             show, per checked item, the files and bytes a pass would\n"
           "                        copy and the disks it would need; copy and save nothing\n"
           "  --no-notify           no desktop notification at the end\n"
           "  --auto on|off         start a pass by itself whenever the disk in the drive\n"
           "                        (its label) is mounted while --watch runs, or not\n"
           "  --label LABEL         with --auto: the disk of this label, which need not be in\n"
           "                        the drive\n"
           "  --status              per known disk: its last pass, whether it is backed up\n"
           "                        when mounted, and its free space when last seen\n"
           "  --watch               stay running; run one pass onto each disk set with\n"
           "                        --auto on each time it is mounted (SIGTERM ends it)\n"
           "  --versions PATH       list the older copies (versions) the disk in the drive\n"
           "                        keeps of the file or folder PATH: date, size, place\n"
           "  --restore PATH...     get files and folders back from the backup disks, as the\n"
           "                        catalogue knows them; asks for each disk by its label\n"
           "  --to FOLDER           restore below FOLDER instead of the original places\n"
           "  --as-of DATE          restore the copies that stood at DATE (2026-12-01, the\n"
           "                        end of that day, or 2026-12-01 14:30); default: newest\n"
           "  --overwrite           replace a different file at the target (it is kept\n"
           "                        aside as NAME.replaced-DATE); without it the restored\n"
           "                        file goes beside it as NAME.restored-DATE\n"
           "  --find PATTERN        tell which disks hold the files whose name holds PATTERN\n"
           "                        (or matches it, with * and ?), from the catalogue, with\n"
           "                        no disk plugged in; case does not matter\n"
           "  --path                with --find: match the whole path (a folder)\n"
           "  --catalogue           bring the disk in the drive into the catalogue: from its\n"
           "                        own catalogue, or by reading its copies\n"
           "  --verify              read the disk's copies back and compare them with the\n"
           "                        catalogue; a bad copy is moved aside, nothing deleted\n"
           "  --max-duration TIME   stop a verify after TIME (90, 30m, 2h); the next one\n"
           "                        goes on where it stopped\n"
           "  --since YYYY-MM-DD    verify only copies not verified since that day\n"
           "  --failed              verify only copies that failed before\n"
           "  --help                show this text\n"
           "\n"
           "On a terminal the pass shows its progress, asks the room question and, when\n"
           "the disk is full, waits for a new disk (Enter = READY, c = CANCEL). Without a\n"
           "terminal the room question is answered Cancel unless --yes is given, and a\n"
           "full disk ends the pass as CANCEL. Ctrl-C, SIGTERM and SIGHUP act as ABORT.\n"
           "A pass without a terminal, and every pass of --watch, ends with a desktop\n"
           "notification (when a notification server runs on the session bus).\n"
           "\n"
           "Files and folders that could not be backed up are listed on standard error\n"
           "and in quillarc.log in the program folder.\n"
           "\n"
           "Exit status: 0 when the pass completed with nothing missed and the list\n"
           "saved, 1 for any other ending, 2 when no pass was started. --find: 0 when\n"
           "a file was found, 1 when none; --verify: 0 when every copy read was good,\n"
           "1 when one was not; 2 when the catalogue or the disk could not be used.\n"
           "--restore: 0 when every file is back (or was found in place already), 1 when\n"
           "some is not, 2 when none was started.\n";
}

} // namespace quillarc
