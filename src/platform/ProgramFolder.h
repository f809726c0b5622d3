#pragma once

#include <functional>
#include <string>

namespace quillarc {

/// Where the program keeps "config" and the disk list files, and where it
/// finds "readme.txt" and "quillarc.html". All folders end in '/'.
///
/// Portable use: when the executable's folder is writable, everything lives
/// there. An installed program (cmake --install, the Debian package) never
/// keeps its files beside itself, even when root could write there: they go
/// to $XDG_CONFIG_HOME/quillarc/ (default ~/.config/quillarc/, created when
/// missing), and the read-me and help page come from the installed data
/// folder.
class ProgramFolder {
public:
    /// Folder of /proc/self/exe.
    static std::string executableFolder();

    /// Program folder for this process (created when missing). Throws
    /// FileError when the configuration folder cannot be created.
    static std::string programFolder();
    /// Data folder for this process.
    static std::string dataFolder();

    /// Where an install of this build puts the executables and the
    /// documents; empty when the build did not say.
    struct InstallPlaces {
        std::string binFolder;
        std::string dataFolder;
    };
    static InstallPlaces installPlaces();

    /// The decisions above with their inputs given (tests).
    using Env = std::function<const char *(const char *name)>;
    using Check = std::function<bool(const std::string &folder)>;
    /// An executable is installed when it lies in the build's install folder
    /// for executables, or in a "bin" folder with "../share/quillarc/"
    /// beside it (an install to another prefix than the build was told).
    static bool isInstalled(const std::string &exeFolder, const InstallPlaces &places, const Check &exists);
    static std::string chooseProgramFolder(const std::string &exeFolder, bool installed, const Env &env,
                                           const Check &writable);
    /// Installed: "../share/quillarc/" beside the executable's folder when it
    /// exists, else the build's data folder. Not installed: the executable's
    /// folder when writable or when it holds readme.txt; else the same.
    /// /usr/share/quillarc/ when nothing else is known.
    static std::string chooseDataFolder(const std::string &exeFolder, bool installed, const InstallPlaces &places,
                                        const Check &writable, const Check &exists);
};

} // namespace quillarc
