#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillarc {

/// Command line of quillarc-pass.
struct PassOptions {
    std::string programFolder; ///< empty: the program's own
    std::string drive;         ///< empty: line 1 of the config file
    bool yes = false;          ///< answer Yes to the room question
    bool dryRun = false;       ///< size what would be copied; copy and save nothing
    bool help = false;
    bool watch = false;               ///< run a pass onto each opted-in disk that is mounted, until stopped
    std::string autoBackup;           ///< "on" or "off": set whether the disk's passes start when it is mounted
    std::string label;                ///< with autoBackup: the disk known by this label, not the one in the drive
    bool status = false;              ///< tell, per known disk, its last pass, its setting and its free space
    bool notify = true;               ///< tell the desktop how a pass without a terminal ended
    std::string versionsOf;           ///< list the versions the disk keeps of this source path
    std::vector<std::string> restore; ///< files and folders to get back from the disks; empty: none
    std::string restoreTo;            ///< folder to restore below; empty: the original places
    std::string asOf;                 ///< date to restore as of; empty: the newest copies
    bool overwrite = false;           ///< replace a different file at a restore target (kept aside first)
    // The catalogue's commands.
    std::string find;       ///< answer where the files matching it are, from the catalogue; no pass
    bool wholePath = false; ///< --find matches the whole path, not the name alone
    bool catalogue = false; ///< bring the disk in the drive into the program folder's catalogue
    bool verify = false;    ///< read the disk's copies back and compare them with the catalogue
    long maxSeconds = 0;    ///< --max-duration of a verify; 0: no limit
    std::string since;      ///< verify only copies not verified since this date (YYYY-MM-DD)
    bool failed = false;    ///< verify only the copies that failed before

    /// Parses the arguments after the program name; nullopt with `error`
    /// set for an unknown option or a missing value.
    static std::optional<PassOptions> parse(const std::vector<std::string> &arguments, std::string &error);

    static const char *usage();
};

} // namespace quillarc
