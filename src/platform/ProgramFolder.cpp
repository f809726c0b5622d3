#include "platform/ProgramFolder.h"

#include "platform/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/FileError.h"
#include "base/FolderPath.h"

namespace quillarc {

namespace {

const char *environmentValue(const char *name)
{
    const char *value = std::getenv(name);
    if (value != nullptr && *value != '\0')
        return value;
    if (std::string_view(name) == "HOME") {
        // A session without HOME still has a home in the password database.
        static std::string home;
        if (home.empty()) {
            if (const struct passwd *entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
                home = entry->pw_dir;
        }
        return home.empty() ? nullptr : home.c_str();
    }
    return nullptr;
}

bool isWritableFolder(const std::string &folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool exists(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

std::string ProgramFolder::executableFolder()
{
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
        return std::string();
    const std::string path(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

namespace {

// "/usr/local/bin/" -> "/usr/local/share/quillarc/"; empty for "/".
std::string shareFolderBeside(const std::string &exeFolder)
{
    const std::string folder = withSlash(exeFolder);
    if (folder.size() < 2)
        return {};
    const std::size_t slash = folder.find_last_of('/', folder.size() - 2);
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1) + "share/quillarc/";
}

bool isBinFolder(const std::string &exeFolder)
{
    const std::string folder = withSlash(exeFolder);
    return folder.size() >= 5 && folder.compare(folder.size() - 5, 5, "/bin/") == 0;
}

} // namespace

ProgramFolder::InstallPlaces ProgramFolder::installPlaces()
{
#if defined(QUILLARC_INSTALL_BINDIR) && defined(QUILLARC_INSTALL_DATADIR)
    return {withSlash(QUILLARC_INSTALL_BINDIR), withSlash(QUILLARC_INSTALL_DATADIR)};
#else
    return {};
#endif
}

bool ProgramFolder::isInstalled(const std::string &exeFolder, const InstallPlaces &places, const Check &exists)
{
    if (exeFolder.empty())
        return false;
    if (!places.binFolder.empty() && withSlash(exeFolder) == withSlash(places.binFolder))
        return true;
    return isBinFolder(exeFolder) && exists(shareFolderBeside(exeFolder));
}

std::string ProgramFolder::chooseProgramFolder(const std::string &exeFolder, bool installed, const Env &env,
                                               const Check &writable)
{
    if (!installed && !exeFolder.empty() && writable(exeFolder))
        return withSlash(exeFolder);
    // XDG base directories must be absolute; a relative value is ignored.
    const char *config = env("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return withSlash(config) + "quillarc/";
    const char *home = env("HOME");
    const std::string base = home != nullptr && home[0] == '/' ? withSlash(home) : std::string("/tmp/");
    return base + ".config/quillarc/";
}

std::string ProgramFolder::chooseDataFolder(const std::string &exeFolder, bool installed, const InstallPlaces &places,
                                            const Check &writable, const Check &exists)
{
    if (!exeFolder.empty()) {
        std::string folder = withSlash(exeFolder);
        if (!installed && (writable(folder) || exists(folder + "readme.txt")))
            return folder;
        if (std::string share = shareFolderBeside(folder); !share.empty() && exists(share))
            return share;
    }
    return places.dataFolder.empty() ? std::string("/usr/share/quillarc/") : withSlash(places.dataFolder);
}

std::string ProgramFolder::programFolder()
{
    const std::string exe = executableFolder();
    const bool installed = isInstalled(exe, installPlaces(), exists);
    std::string folder = chooseProgramFolder(exe, installed, environmentValue, isWritableFolder);
    if (folder != withSlash(exe))
        makeFolders(folder);
    return folder;
}

std::string ProgramFolder::dataFolder()
{
    const std::string exe = executableFolder();
    return chooseDataFolder(exe, isInstalled(exe, installPlaces(), exists), installPlaces(), isWritableFolder, exists);
}

} // namespace quillarc
