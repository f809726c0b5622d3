#include "catalogue/Verify.h"

#include "catalogue/DiskLayout.h"
#include "catalogue/DiskOrder.h"
#include "catalogue/FileHash.h"
#include "catalogue/MoveAside.h"

#include "base/FileError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillarc {

namespace {

using Kind = VerifyFinding::Kind;

std::string onDiskPath(const StoredCopy &stored)
{
    if (stored.versionStamp.empty())
        return stored.copy.path;
    return std::string(disklayout::kVersions) + "/" + stored.versionStamp + "/" + stored.copy.path;
}

std::int64_t nanoseconds(const struct timespec &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

bool matches(const FileRead &read, const CopyRecord &copy)
{
    return read.error == 0 && read.bytes == copy.size && read.hash == copy.hash;
}

class Verifier {
public:
    Verifier(Catalogue &catalogue, std::int64_t disk, int root, const VerifyOptions &options)
        : m_catalogue(catalogue), m_disk(disk), m_root(root), m_options(options)
    {
    }

    VerifyReport run();

private:
    std::vector<StoredCopy> chosen() const;
    void inDiskOrder(std::vector<StoredCopy>::iterator begin, std::vector<StoredCopy>::iterator end) const;
    void verify(const StoredCopy &stored);
    void bad(const StoredCopy &stored, Kind kind, std::string detail);
    void checkSource(const StoredCopy &stored);
    bool timeIsUp() const;

    Catalogue &m_catalogue;
    std::int64_t m_disk;
    int m_root;
    const VerifyOptions &m_options;
    VerifyReport m_report;
};

std::vector<StoredCopy> Verifier::chosen() const
{
    std::vector<StoredCopy> copies = m_catalogue.copiesOn(m_disk);
    std::erase_if(copies, [&](const StoredCopy &stored) {
        if (m_options.failedOnly && !stored.mismatch)
            return true;
        return !m_options.since.empty() && !stored.verifiedAt.empty() && stored.verifiedAt >= m_options.since;
    });
    return copies;
}

// Copies last verified together are read in the order they lie on the
// disk, so that the heads sweep once across it rather than seek per file.
void Verifier::inDiskOrder(std::vector<StoredCopy>::iterator begin, std::vector<StoredCopy>::iterator end) const
{
    std::vector<std::pair<std::uint64_t, StoredCopy>> keyed;
    for (auto it = begin; it != end; ++it) {
        int error = 0;
        const UniqueFd fd = openOnDisk(m_root, onDiskPath(*it), error);
        keyed.emplace_back(fd ? diskOrderKey(fd.get()) : 0, std::move(*it));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &[key, stored] : keyed)
        *begin++ = std::move(stored);
}

bool Verifier::timeIsUp() const
{
    if (m_options.stopRequested && m_options.stopRequested())
        return true;
    return m_options.deadline && std::chrono::steady_clock::now() >= *m_options.deadline;
}

VerifyReport Verifier::run()
{
    std::vector<StoredCopy> copies = chosen();
    for (auto group = copies.begin(); group != copies.end();) {
        auto end = std::find_if(group, copies.end(),
                                [&](const StoredCopy &stored) { return stored.verifiedAt != group->verifiedAt; });
        inDiskOrder(group, end);
        group = end;
    }
    m_catalogue.begin();
    auto lastCommit = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (timeIsUp()) {
            m_report.left = static_cast<std::int64_t>(copies.size() - i);
            break;
        }
        if (m_options.progress)
            m_options.progress(copies[i].copy.path);
        verify(copies[i]);
        // What was verified survives a stop at any point.
        if (std::chrono::steady_clock::now() - lastCommit > std::chrono::seconds(2)) {
            m_catalogue.commit();
            m_catalogue.begin();
            lastCommit = std::chrono::steady_clock::now();
        }
    }
    m_catalogue.commit();
    return m_report;
}

void Verifier::verify(const StoredCopy &stored)
{
    int error = 0;
    const UniqueFd fd = openOnDisk(m_root, onDiskPath(stored), error);
    if (!fd) {
        if (error == ENOENT || error == ENOTDIR)
            bad(stored, Kind::Missing, "not on the disk");
        else
            bad(stored, Kind::Unreadable, FileError::causeText(error));
        return;
    }
    FileRead read = hashOpenFile(fd.get(), true);
    ++m_report.checked;
    m_report.bytes += read.bytes;
    // A difference counts only when the disk itself gives the same bytes
    // again, not a page the kernel kept in memory.
    if (!matches(read, stored.copy) && read.error == 0)
        read = hashOpenFile(fd.get(), true);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
    if (read.error != 0) {
        bad(stored, Kind::Unreadable, FileError::causeText(read.error));
        return;
    }
    if (!matches(read, stored.copy)) {
        bad(stored, stored.versionStamp.empty() ? Kind::DiskCopyBad : Kind::VersionBad, {});
        return;
    }
    m_catalogue.markVerified(m_disk, stored.copy.path, stored.versionStamp, m_options.stamp, false);
    if (stored.versionStamp.empty())
        checkSource(stored);
}

// A good copy whose source still carries the recorded time and size
// should have the recorded bytes: a source that does not went bad where
// it lies, and the next pass would not copy it (its time did not move).
void Verifier::checkSource(const StoredCopy &stored)
{
    const std::string source = m_options.sourceRoot + stored.copy.path;
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || nanoseconds(st.st_mtim) != stored.copy.modifiedNs)
        return;
    FileRead read;
    if (st.st_size == stored.copy.size) {
        const UniqueFd fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd)
            return;
        read = hashOpenFile(fd.get());
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
        if (read.error != 0 || matches(read, stored.copy))
            return;
    }
    VerifyFinding finding {Kind::SourceBad, stored.copy.path, {}, {}, {}, {}, false};
    finding.detail = nanoseconds(st.st_ctim) == stored.copy.sourceChangedNs
                         ? "its bytes changed with no trace in its times: the disk it lies on may be failing"
                         : "it was changed and its modification time set back";
    m_catalogue.markVerified(m_disk, stored.copy.path, {}, m_options.stamp, true);
    m_report.findings.push_back(std::move(finding));
}

// A bad copy is moved aside, never removed, and forgotten, so that the
// next pass copies its file again; the source tells what went bad.
void Verifier::bad(const StoredCopy &stored, Kind kind, std::string detail)
{
    VerifyFinding finding {kind, stored.copy.path, stored.versionStamp, {}, std::move(detail), {}, true};
    if (kind == Kind::DiskCopyBad) {
        const std::string source = m_options.sourceRoot + stored.copy.path;
        struct stat st {};
        if (::stat(source.c_str(), &st) != 0) {
            finding.kind = Kind::SourceGone;
        } else {
            const UniqueFd fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
            const FileRead read = fd ? hashOpenFile(fd.get()) : FileRead {errno, {}, 0};
            if (!matches(read, stored.copy))
                finding.kind =
                    nanoseconds(st.st_mtim) == stored.copy.modifiedNs ? Kind::SourceBad : Kind::CopyBadSourceChanged;
            if (finding.kind == Kind::SourceBad)
                finding.detail = "its bytes changed while its modification time stayed";
        }
    }
    if (kind != Kind::Missing) {
        const std::string to =
            badFolder(m_options.stamp) + "/" +
            (stored.versionStamp.empty() ? stored.copy.path
                                         : "versions/" + stored.versionStamp + "/" + stored.copy.path);
        const int error = moveOnDisk(m_root, onDiskPath(stored), to);
        if (error == 0)
            finding.movedTo = to;
        else
            finding.detail += (finding.detail.empty() ? "" : "; ") + std::string("could not be moved aside: ") +
                              FileError::causeText(error);
    }
    if (finding.kind == Kind::SourceGone || finding.kind == Kind::SourceBad || kind == Kind::VersionBad) {
        for (CopyEntry &entry : m_catalogue.copiesUnder(stored.copy.path)) {
            const bool self = entry.diskId == m_disk && entry.versionStamp == stored.versionStamp;
            if (!self && entry.copy.path == stored.copy.path && entry.copy.hash == stored.copy.hash)
                finding.goodElsewhere.push_back(std::move(entry));
        }
    }
    if (stored.versionStamp.empty())
        m_catalogue.forgetCopy(m_disk, stored.copy.path);
    else
        m_catalogue.forgetVersion(m_disk, stored.copy.path, stored.versionStamp);
    m_report.findings.push_back(std::move(finding));
}

} // namespace

std::string badFolder(const std::string &stamp)
{
    return std::string(disklayout::kFolder) + "/bad/" + stamp;
}

VerifyReport verifyDisk(Catalogue &catalogue, std::int64_t disk, int diskRootFd, const VerifyOptions &options)
{
    return Verifier(catalogue, disk, diskRootFd, options).run();
}

} // namespace quillarc
