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

// Options that take a value, as "--name VALUE" or "--name=VALUE".
struct ValueOption {
    const char *name;
    std::string PassOptions::*field;
};

constexpr ValueOption kValueOptions[] = {
    {"--program-folder", &PassOptions::programFolder},
    {"--drive", &PassOptions::drive},
    {"--auto", &PassOptions::autoBackup},
    {"--versions", &PassOptions::versionsOf},
    {"--to", &PassOptions::restoreTo},
    {"--as-of", &PassOptions::asOf},
    {"--find", &PassOptions::find},
    {"--since", &PassOptions::since},
    {"--label", &PassOptions::label},
};

// Options that stand alone and set one switch.
struct FlagOption {
    const char *name;
    bool PassOptions::*field;
    bool setTo;
};

constexpr FlagOption kFlagOptions[] = {
    {"--overwrite", &PassOptions::overwrite, true},
    {"--path", &PassOptions::wholePath, true},
    {"--catalogue", &PassOptions::catalogue, true},
    {"--verify", &PassOptions::verify, true},
    {"--failed", &PassOptions::failed, true},
    {"--status", &PassOptions::status, true},
    {"--watch", &PassOptions::watch, true},
    {"--no-notify", &PassOptions::notify, false},
    {"--yes", &PassOptions::yes, true},
    {"--dry-run", &PassOptions::dryRun, true},
    {"--help", &PassOptions::help, true},
    {"-h", &PassOptions::help, true},
};

// Walks the arguments one option at a time; an option's value may be the
// next argument, which is then used up.
class ArgumentReader {
public:
    ArgumentReader(const std::vector<std::string> &arguments, std::string &error)
        : m_arguments(arguments), m_error(error)
    {
    }

    bool done() const { return m_at >= m_arguments.size(); }

    // Reads the next option into `options`; false with the error set.
    bool readOption(PassOptions &options)
    {
        const std::string &argument = m_arguments[m_at];
        const std::string name = argument.substr(0, argument.find('='));
        bool known = true;
        bool read = true;
        if (const ValueOption *option = find(kValueOptions, name))
            read = value(argument, options.*(option->field)) && valueFits(name, options);
        else if (const FlagOption *flag = find(kFlagOptions, argument))
            options.*(flag->field) = flag->setTo;
        else if (argument == "--restore")
            read = restorePaths(options);
        else if (name == "--max-duration")
            read = maxDuration(argument, options);
        else
            known = false;
        ++m_at;
        if (!known)
            m_error = "unknown option " + argument;
        return known && read;
    }

private:
    template <typename Option, std::size_t Count>
    static const Option *find(const Option (&table)[Count], const std::string &name)
    {
        for (const Option &option : table)
            if (name == option.name)
                return &option;
        return nullptr;
    }

    bool value(const std::string &argument, std::string &target)
    {
        const std::string prefix = argument.substr(0, argument.find('=')) + "=";
        if (argument.find('=') != std::string::npos) {
            target = argument.substr(prefix.size());
        } else if (m_at + 1 < m_arguments.size()) {
            target = m_arguments[++m_at];
        } else {
            m_error = "option " + argument + " needs a value";
            return false;
        }
        if (target.empty()) {
            m_error = "option " + prefix.substr(0, prefix.size() - 1) + " needs a value";
            return false;
        }
        return true;
    }

    bool valueFits(const std::string &name, const PassOptions &options)
    {
        if (name == "--auto" && options.autoBackup != "on" && options.autoBackup != "off") {
            m_error = "option --auto takes on or off, not " + options.autoBackup;
            return false;
        }
        return true;
    }

    // Every argument up to the next option is a path to get back.
    bool restorePaths(PassOptions &options)
    {
        while (m_at + 1 < m_arguments.size() && m_arguments[m_at + 1].rfind("--", 0) != 0)
            options.restore.push_back(m_arguments[++m_at]);
        if (options.restore.empty()) {
            m_error = "option --restore needs a path";
            return false;
        }
        return true;
    }

    bool maxDuration(const std::string &argument, PassOptions &options)
    {
        std::string text;
        if (!value(argument, text))
            return false;
        if ((options.maxSeconds = parseDuration(text)) <= 0) {
            m_error = "option --max-duration takes a duration such as 90, 30m or 2h, not " + text;
            return false;
        }
        return true;
    }

    const std::vector<std::string> &m_arguments;
    std::string &m_error;
    std::size_t m_at = 0;
};

// The options that only make sense together, and the commands that
// exclude each other; false with the error set.
bool fitTogether(const PassOptions &options, std::string &error)
{
    const bool restoring = !options.restore.empty();
    if (!restoring && (!options.restoreTo.empty() || !options.asOf.empty() || options.overwrite)) {
        error = "--to, --as-of and --overwrite go with --restore";
        return false;
    }
    // A restore may be a dry run: it then shows each file and writes none.
    const int modes = (options.watch ? 1 : 0) + (options.autoBackup.empty() ? 0 : 1) +
                      (options.dryRun && !restoring ? 1 : 0) + (options.find.empty() ? 0 : 1) +
                      (options.catalogue ? 1 : 0) + (options.verify ? 1 : 0) + (options.versionsOf.empty() ? 0 : 1) +
                      (options.status ? 1 : 0) + (restoring ? 1 : 0);
    if (modes > 1) {
        error = "--watch, --auto, --status, --dry-run, --find, --catalogue, --verify, --versions and --restore "
                "cannot be combined";
        return false;
    }
    if (!options.label.empty() && options.autoBackup.empty()) {
        error = "--label goes with --auto";
        return false;
    }
    if ((options.wholePath && options.find.empty()) ||
        (!options.verify && (options.maxSeconds > 0 || !options.since.empty() || options.failed))) {
        error = "--path goes with --find; --max-duration, --since and --failed go with --verify";
        return false;
    }
    return true;
}

} // namespace

std::optional<PassOptions> PassOptions::parse(const std::vector<std::string> &arguments, std::string &error)
{
    PassOptions options;
    ArgumentReader reader(arguments, error);
    while (!reader.done())
        if (!reader.readOption(options))
            return std::nullopt;
    if (!fitTogether(options, error))
        return std::nullopt;
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
