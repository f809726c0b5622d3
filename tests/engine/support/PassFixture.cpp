#include "engine/support/PassFixture.h"

#include "base/Clock.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace quillarc {

namespace fs = std::filesystem;

PassFixture::PassFixture()
{
    std::string pattern = (fs::temp_directory_path() / "quillarc-engine-XXXXXX").string();
    temp = ::mkdtemp(pattern.data());
    source = temp + "/source";
    program = temp + "/program/";
    fs::create_directories(source);
    fs::create_directories(program);
    listFile = std::make_unique<DiskListFile>(program);
    medium = insertMedium(label);
}

PassFixture::~PassFixture()
{
    std::error_code error;
    // Read-only copies and folders must not keep the tree from going away.
    for (auto it = fs::recursive_directory_iterator(temp, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error))
        ::chmod(it->path().c_str(), it->is_directory() ? 0700 : 0600);
    fs::remove_all(temp, error);
}

void PassFixture::writeFile(const std::string &path, const std::string &bytes, int secondsAgo)
{
    fs::create_directories(fs::path(path).parent_path());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    const auto when = fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo);
    fs::last_write_time(path, when);
}

std::string PassFixture::readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool PassFixture::exists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string PassFixture::insertMedium(const std::string &mediumLabel, std::int64_t capacity, const std::string &name)
{
    const std::string root = temp + "/media/" + (name.empty() ? mediumLabel : name) + "/";
    fs::create_directories(root);
    host.insert(kDrive, {root, mediumLabel, capacity, std::nullopt});
    return root;
}

BackupItem &PassFixture::addItem(const std::string &path, const std::string &subDir, bool checked,
                                 const std::string &cutOff)
{
    BackupItem &item = list.append(path);
    list.setTexts(item, {cutOff == "0" ? "0/0/0 0:00" : cutOff, cutOff, subDir});
    list.setChecked(item, checked);
    return item;
}

BackupRun &PassFixture::makeRun()
{
    run = std::make_unique<BackupRun>(RunSetup {list,
                                                ui,
                                                host,
                                                *listFile,
                                                clock,
                                                filters,
                                                DriveRoot(kDrive),
                                                host.volumeLabel(kDrive),
                                                true,
                                                &ui.echo,
                                                {},
                                                copiesInFlight});
    return *run;
}

const PassOutcome &PassFixture::startAndWait()
{
    if (!run->start())
        return run->outcome();
    run->wait();
    run->finished();
    return run->outcome();
}

const PassOutcome &PassFixture::runPass()
{
    makeRun();
    return startAndWait();
}

std::string PassFixture::copyOf(const std::string &mediumRoot, const std::string &sourcePath)
{
    return mediumRoot + sourcePath.substr(1);
}

} // namespace quillarc
