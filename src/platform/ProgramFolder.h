#pragma once

#include <functional>
#include <string>

namespace quillarc {

/// Where the program keeps "config" and the disk list files, and where it
/// finds "readme.txt" and "quillarc.html". All folders end in '/'.
///
/// Portable use: when the executable's folder is writable, everything lives
/// there. Otherwise the files go to $XDG_CONFIG_HOME/quillarc/ (default
/// ~/.config/quillarc/, created when missing), and the read-me and help page
/// come from the installed data folder.
class ProgramFolder {
public:
    /// Folder of /proc/self/exe.
    static std::string executableFolder();

    /// Program folder for this process (created when missing). Throws
    /// FileError when the configuration folder cannot be created.
    static std::string programFolder();
    /// Data folder for this process.
    static std::string dataFolder();

    /// The decisions above with their inputs given (tests).
    using Env = std::function<const char *(const char *name)>;
    using Check = std::function<bool(const std::string &folder)>;
    static std::string chooseProgramFolder(const std::string &exeFolder, const Env &env, const Check &writable);
    /// Executable folder when writable or when it holds readme.txt; else
    /// <exe>/../share/quillarc/ when that exists; else /usr/share/quillarc/.
    static std::string chooseDataFolder(const std::string &exeFolder, const Check &writable, const Check &exists);
};

} // namespace quillarc
