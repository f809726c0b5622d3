#include "catalogue/DiskScan.h"

#include "catalogue/DiskLayout.h"
#include "catalogue/FileHash.h"

#include "base/FileError.h"
#include "base/UniqueFd.h"

#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace quillarc {

namespace {

namespace fs = std::filesystem;

// What the program itself keeps on a disk besides copies: its folder and
// label file at the root, a copy's temporary parts and older copies moved
// aside under a name that says so. ext4 keeps lost+found at the root.
bool isOwnFile(const std::string &relative, bool atRoot)
{
    if (atRoot && (relative == disklayout::kFolder || relative == ".quillarc-label" || relative == "lost+found"))
        return true;
    const std::string name = fs::path(relative).filename().string();
    return name.rfind(".quillarc-part-", 0) == 0 || name.find(".quillarc-old-") != std::string::npos;
}

std::int64_t nanoseconds(const struct timespec &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

class Scan {
public:
    Scan(Catalogue &catalogue, std::int64_t disk, std::string stamp,
         const std::function<void(const std::string &)> &progress)
        : m_catalogue(catalogue), m_disk(disk), m_stamp(std::move(stamp)), m_progress(progress)
    {
    }

    // Every regular file below `folder`, recorded under `prefix` + its path
    // there; links are neither followed nor recorded.
    void walk(const std::string &folder, const std::string &version)
    {
        std::error_code error;
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
        if (error) {
            m_result.unreadable.push_back(folder + ": " + error.message());
            return;
        }
        for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (error) {
                m_result.unreadable.push_back(folder + ": " + error.message());
                break;
            }
            const std::string relative = it->path().lexically_relative(folder).string();
            if (isOwnFile(relative, version.empty() && it.depth() == 0)) {
                it.disable_recursion_pending();
                continue;
            }
            if (it->is_symlink(error) || !it->is_regular_file(error))
                continue;
            read(it->path().string(), relative, version);
        }
    }

    void dropGone()
    {
        for (const StoredCopy &stored : m_before) {
            if (m_seen.count(key(stored.copy.path, stored.versionStamp)) != 0)
                continue;
            if (stored.versionStamp.empty())
                m_catalogue.forgetCopy(m_disk, stored.copy.path);
            else
                m_catalogue.forgetVersion(m_disk, stored.copy.path, stored.versionStamp);
            ++m_result.dropped;
        }
    }

    void rememberBefore() { m_before = m_catalogue.copiesOn(m_disk); }
    DiskScanResult &result() { return m_result; }

private:
    static std::string key(const std::string &path, const std::string &version) { return version + '\0' + path; }

    void read(const std::string &file, const std::string &relative, const std::string &version)
    {
        if (m_progress)
            m_progress(relative);
        UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0) {
            m_result.unreadable.push_back(relative + ": " + FileError::causeText(errno));
            return;
        }
        const FileRead bytes = hashOpenFile(fd.get());
        if (bytes.error != 0) {
            m_result.unreadable.push_back(relative + ": " + FileError::causeText(bytes.error));
            return;
        }
        CopyRecord record;
        record.path = relative;
        record.size = bytes.bytes;
        record.modifiedNs = nanoseconds(st.st_mtim);
        record.mode = st.st_mode;
        record.uid = st.st_uid;
        record.gid = st.st_gid;
        record.hash = bytes.hash;
        record.passStamp = m_stamp;
        m_seen.insert(key(relative, version));
        ++m_result.files;
        m_result.bytes += bytes.bytes;
        if (version.empty()) {
            const auto known = m_catalogue.copyAt(m_disk, relative);
            if (known && known->hash == record.hash && known->size == record.size &&
                known->modifiedNs == record.modifiedNs) {
                ++m_result.kept;
            } else {
                m_catalogue.recordCopy(m_disk, record);
            }
        } else {
            m_catalogue.recordVersionCopy(m_disk, record, version);
        }
        if (m_result.files % 1000 == 0) {
            m_catalogue.commit();
            m_catalogue.begin();
        }
    }

    Catalogue &m_catalogue;
    std::int64_t m_disk;
    std::string m_stamp;
    const std::function<void(const std::string &)> &m_progress;
    DiskScanResult m_result;
    std::vector<StoredCopy> m_before;
    std::set<std::string> m_seen;
};

bool isRealFolder(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

DiskScanResult scanDisk(Catalogue &catalogue, std::int64_t disk, const std::string &root, const std::string &stamp,
                        const std::function<void(const std::string &path)> &progress)
{
    Scan scan(catalogue, disk, stamp, progress);
    scan.rememberBefore();
    std::string base = root;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    catalogue.begin();
    try {
        scan.walk(base, {});
        const std::string versions = base + "/" + std::string(disklayout::kVersions);
        if (isRealFolder(base + "/" + std::string(disklayout::kFolder)) && isRealFolder(versions)) {
            std::error_code error;
            for (const auto &entry : fs::directory_iterator(versions, error)) {
                if (isRealFolder(entry.path().string()))
                    scan.walk(entry.path().string(), entry.path().filename().string());
            }
        }
        scan.dropGone();
        catalogue.commit();
    } catch (...) {
        catalogue.rollback();
        throw;
    }
    return scan.result();
}

} // namespace quillarc
