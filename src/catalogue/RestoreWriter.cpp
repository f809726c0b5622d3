#include "catalogue/RestoreWriter.h"

#include "catalogue/ContentHasher.h"
#include "catalogue/RestoreAttributes.h"
#include "catalogue/RestoreBytes.h"
#include "catalogue/RestoreReadAhead.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

namespace {

// A batch is flushed and put in place at whichever comes first.
constexpr std::size_t kBatchFiles = 1000;
constexpr std::int64_t kBatchBytes = std::int64_t(256) << 20;
constexpr int kBesideAttempts = 1000;

// Descriptors: each batch in flight holds its files' folders (three
// batches at a time: written, flushing, put in place) and the folder cache
// holds what it opened since it was last emptied. A batch takes one share
// of the process's limit and the cache two, so that a tree of many small
// folders never runs out of descriptors halfway.
std::size_t folderShareOfLimit()
{
    rlimit limit {};
    rlim_t soft = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    soft = std::min<rlim_t>(soft, 1 << 20);
    return std::max<std::size_t>(8, (static_cast<std::size_t>(soft) - std::min<std::size_t>(soft, 64)) / 6);
}

std::string causeOf(int error)
{
    return std::strerror(error);
}

enum class AtTarget {
    Free,
    Same,
    Different,
    OtherKind,
    Unreadable
};

AtTarget lookAt(int folder, const std::string &name, const Hash128 &hash)
{
    struct stat status {};
    if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? AtTarget::Free : AtTarget::Unreadable;
    if (!S_ISREG(status.st_mode))
        return AtTarget::OtherKind;
    const UniqueFd file(::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!file)
        return AtTarget::Unreadable;
    const auto content = hashOfFile(file.get());
    if (!content)
        return AtTarget::Unreadable;
    return *content == hash ? AtTarget::Same : AtTarget::Different;
}

bool renameNoReplace(int folder, const std::string &from, const std::string &to)
{
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: the name was free a moment ago.
    struct stat status {};
    if (::fstatat(folder, to.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(folder, from.c_str(), folder, to.c_str()) == 0;
}

std::string joined(const std::string &folder, const std::string &name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

} // namespace

struct RestoreWriter::Staged {
    const PlannedFile *file = nullptr;
    std::shared_ptr<const UniqueFd> folderHeld; ///< its folder, while the batch waits for the disk
    int folder = -1;
    std::string folderPath;
    std::string temporary;
    std::string finalName;
    bool keepAside = false;
    RestoreResult result;
    /// Its content is still to be read back and checked (by the flush,
    /// beside the writing of the next batch); once written again after a
    /// check failed, it is checked as it is written.
    bool checkLater = true;
    bool checkFailed = false;
    std::int64_t written = 0; ///< bytes
};

// A file written in the batch before, read back from its temporary name:
// does it hold what the catalogue recorded?
bool readsBackWhole(int folder, const std::string &temporary, std::int64_t length, const Hash128 &hash)
{
    const UniqueFd file(::openat(folder, temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file)
        return false; // a copy whose mode lets no one read it: checked again as it is written
    const auto content = hashOfFile(file.get(), length);
    return content && *content == hash;
}

RestoreWriter::RestoreWriter(int diskRootFd, RestoreSettings settings)
    : m_diskRoot(diskRootFd), m_settings(std::move(settings)), m_folderShare(folderShareOfLimit()),
      m_folders(m_settings.base, diskRootFd)
{
}

RestoreWriter::~RestoreWriter()
{
    awaitFlush();
    for (const std::vector<Staged> *batch : {&m_staged, &m_flushing})
        for (const Staged &staged : *batch)
            ::unlinkat(staged.folder, staged.temporary.c_str(), 0);
}

std::string RestoreWriter::besideName(const std::string &name, const std::string &date, int attempt)
{
    return name + ".restored-" + date + (attempt > 1 ? "-" + std::to_string(attempt) : "");
}

std::string RestoreWriter::asideName(const std::string &name, const std::string &date, int attempt)
{
    return name + ".replaced-" + date + (attempt > 1 ? "-" + std::to_string(attempt) : "");
}

std::string RestoreWriter::alreadyRestored(const PlannedFile &file, const RestoreSettings &settings)
{
    const std::size_t slash = file.target.rfind('/');
    const std::string folderPath = slash == 0 ? "/" : file.target.substr(0, slash);
    const std::string name = file.target.substr(slash + 1);
    const UniqueFd folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder || name.empty())
        return {};
    const Hash128 &hash = file.source.copy.hash;
    std::string candidate = name;
    for (int attempt = 1; attempt <= kBesideAttempts; ++attempt) {
        const AtTarget at = lookAt(folder.get(), candidate, hash);
        if (at == AtTarget::Same)
            return joined(folderPath, candidate);
        if (at == AtTarget::Free || (attempt == 1 && at == AtTarget::Different && settings.overwrite))
            return {};
        candidate = besideName(name, settings.date, attempt);
    }
    return {};
}

void RestoreWriter::restore(const std::vector<PlannedFile> &files, const Done &done, const std::atomic<bool> *stop)
{
    std::unique_ptr<RestoreReadAhead> readAhead;
    if (files.size() > 1 && RestoreReadAhead::helps(m_diskRoot))
        readAhead = std::make_unique<RestoreReadAhead>(m_diskRoot, files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const PlannedFile &file = files[i];
        if (stop != nullptr && stop->load(std::memory_order_relaxed))
            break;
        if (readAhead)
            readAhead->reached(i);
        stage(file, done);
        if (m_staged.size() >= kBatchFiles || m_stagedBytes >= kBatchBytes || m_stagedFolders >= m_folderShare)
            nextBatch(done);
    }
    readAhead.reset();
    // The last batch on its way, then in place, then its names flushed;
    // a file written again after its check failed makes one batch more.
    do
        nextBatch(done);
    while (!m_staged.empty() || !m_flushing.empty());
    awaitFlush();
    report(m_renamed, done);
    m_folders.finish();
}

void RestoreWriter::stage(const PlannedFile &file, const Done &done)
{
    Staged staged;
    staged.file = &file;
    RestoreResult &result = staged.result;
    const std::size_t slash = file.target.rfind('/');
    const std::string name = file.target.substr(slash + 1);
    staged.folderPath = slash == 0 ? "/" : file.target.substr(0, slash);
    const std::string &mirror = file.source.copy.path;
    const std::size_t mirrorSlash = mirror.rfind('/');
    const std::string mirrorFolder = mirrorSlash == std::string::npos ? "" : mirror.substr(0, mirrorSlash);
    if (m_folders.openCount() >= 2 * m_folderShare)
        forgetFolders();
    staged.folder = m_folders.open(staged.folderPath, mirrorFolder, result.problem);
    // The folder cache is let go of at every batch; the batch's files keep
    // their folders until they are put in place.
    if (staged.folder >= 0) {
        if (staged.folder != m_heldFolderFd) {
            m_heldFolder = sharedDuplicate(staged.folder);
            m_heldFolderFd = m_heldFolder ? staged.folder : -1;
            ++m_stagedFolders;
            if (!m_heldFolder)
                result.problem = file.target + ": " + causeOf(errno);
        }
        staged.folderHeld = m_heldFolder;
        staged.folder = m_heldFolder ? m_heldFolder->get() : -1;
    }
    if (name.empty() || staged.folder < 0) {
        if (result.problem.empty())
            result.problem = file.target + ": not a file name";
        done(file, result);
        return;
    }
    if (!chooseName(staged, name)) {
        done(file, result);
        return;
    }
    result.writtenTo = joined(staged.folderPath, staged.finalName);

    ContentHasher nameHash;
    nameHash.update(result.writtenTo.data(), result.writtenTo.size());
    staged.temporary = ".quillarc-restoring-" + nameHash.digest().hex().substr(0, 16);
    writeStaged(staged, done);
}

bool RestoreWriter::chooseName(Staged &staged, const std::string &name) const
{
    const PlannedFile &file = *staged.file;
    RestoreResult &result = staged.result;
    const Hash128 &hash = file.source.copy.hash;
    const AtTarget atTarget = lookAt(staged.folder, name, hash);
    if (atTarget == AtTarget::Same) {
        result.status = RestoreResult::Status::AlreadyThere;
        result.writtenTo = file.target;
        return false;
    }
    staged.finalName = name;
    result.status = RestoreResult::Status::Restored;
    if (atTarget == AtTarget::Different && m_settings.overwrite) {
        staged.keepAside = true;
        result.status = RestoreResult::Status::Overwritten;
    } else if (atTarget != AtTarget::Free) {
        // Beside what is there (never in place of a folder, a link or a
        // file that cannot be read): the first free name, or one that
        // already holds this content from an earlier run.
        result.status = RestoreResult::Status::RestoredBeside;
        for (int attempt = 1;; ++attempt) {
            staged.finalName = besideName(name, m_settings.date, attempt);
            const AtTarget beside = lookAt(staged.folder, staged.finalName, hash);
            if (beside == AtTarget::Free)
                break;
            if (attempt == kBesideAttempts) {
                result.status = RestoreResult::Status::Failed;
                result.problem = file.target + ": no free name beside it";
                return false;
            }
            if (beside == AtTarget::Same) {
                result.status = RestoreResult::Status::AlreadyThere;
                result.writtenTo = joined(staged.folderPath, staged.finalName);
                return false;
            }
        }
    }
    return true;
}

void RestoreWriter::writeStaged(Staged &staged, const Done &done)
{
    const PlannedFile &file = *staged.file;
    RestoreResult &result = staged.result;
    // The planned copy, then any other of the same content on this disk
    // (a version) when it reads back wrong.
    std::vector<const CopyEntry *> sources {&file.source};
    for (const CopyEntry &other : file.alternatives)
        if (other.diskId == file.source.diskId && other.copy.hash == file.source.copy.hash)
            sources.push_back(&other);
    std::string passedOver;
    for (const CopyEntry *source : sources) {
        RestoreResult attempt = result;
        if (writeTemporary(staged, *source, attempt)) {
            result.problem = passedOver;
            m_stagedBytes += file.source.copy.size;
            m_staged.push_back(std::move(staged));
            return;
        }
        result.problem = attempt.problem;
        result.badCopy = attempt.badCopy;
        if (!attempt.badCopy)
            break;
        passedOver += (passedOver.empty() ? "" : "; ") + attempt.problem;
    }
    result.status = RestoreResult::Status::Failed;
    if (sources.size() > 1 && result.badCopy)
        result.problem = passedOver;
    done(file, result);
}

bool RestoreWriter::writeTemporary(Staged &staged, const CopyEntry &copy, RestoreResult &result)
{
    const PlannedFile &file = *staged.file;
    const int folder = staged.folder;
    const std::string &temporary = staged.temporary;
    const std::string onDisk = PlannedFile::pathOnDisk(copy);
    const UniqueFd source = openCopyOnDisk(m_diskRoot, onDisk);
    struct stat status {};
    if (!source || ::fstat(source.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        result.problem = onDisk + " on disk " + copy.diskLabel + ": " +
                         (source && !S_ISREG(status.st_mode) ? "not a plain file" : causeOf(errno));
        result.badCopy = source || errno == ENOENT;
        return false;
    }
    UniqueFd written(::openat(folder, temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat leftover {};
    if (!written && errno == EEXIST && ::fstatat(folder, temporary.c_str(), &leftover, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(leftover.st_mode) && ::unlinkat(folder, temporary.c_str(), 0) == 0) // left by a restore that stopped
        written.reset(::openat(folder, temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!written) {
        result.problem = file.target + ": " + causeOf(errno);
        return false;
    }
    const auto fail = [&](std::string problem, bool badCopy) {
        ::unlinkat(folder, temporary.c_str(), 0);
        result.problem = std::move(problem);
        result.badCopy = badCopy;
        return false;
    };
    const std::int64_t copied = copyAllBytes(source.get(), written.get(), status.st_size);
    if (copied < 0)
        return fail(file.target + ": " + causeOf(errno), false);
    staged.written = copied;
    // Read back here only when a check made later has failed: otherwise the
    // flush reads it back on another core while the next files are written.
    std::optional<Hash128> readBack;
    if (!staged.checkLater || copied != copy.copy.size) {
        readBack = hashOfFile(written.get(), copied);
        if (!readBack)
            return fail(file.target + ": " + causeOf(errno), false);
    }
    if (readBack && (*readBack != copy.copy.hash || copied != copy.copy.size)) {
        // Whose fault: the copy on the disk, or the writing?
        const auto onDiskHash = hashOfFile(source.get());
        if (!onDiskHash || *onDiskHash != copy.copy.hash)
            return fail(onDisk + " on disk " + copy.diskLabel + ": does not match its recorded content", true);
        return fail(file.target + ": read back unlike what was written", false);
    }
    const std::int64_t accessNs = std::int64_t(status.st_atim.tv_sec) * 1'000'000'000 + status.st_atim.tv_nsec;
    if (!applyCopyMetadata(written.get(), copy.copy, accessNs))
        return fail(file.target + ": " + causeOf(errno), false);
    copyListsAndAttributes(source.get(), written.get(), false);
    if (!written.close())
        return fail(file.target + ": " + causeOf(errno), false);
    return true;
}

// Batches move on as a pipeline: while one is written, the one before it
// goes to the disk in the background (its data, and the names of the one
// before that), so that reading the copies and writing back overlap as in a
// plain copy. A batch is put in place only once its data is flushed, and
// told done only once its names are: a crash leaves temporary files, never
// a short one in place, and never a file told restored that is not.
void RestoreWriter::nextBatch(const Done &done)
{
    awaitFlush();
    report(m_renamed, done);
    putInPlace(m_flushing, done);
    m_renamed = std::move(m_flushing);
    m_flushing = std::move(m_staged);
    m_staged.clear();
    m_stagedBytes = 0;
    m_stagedFolders = 0;
    forgetFolders();
    startFlush();
}

void RestoreWriter::forgetFolders()
{
    // A descriptor number the cache lets go of may come back for another
    // folder: the held one must not be taken for it.
    m_folders.clear();
    m_heldFolder.reset();
    m_heldFolderFd = -1;
}

void RestoreWriter::startFlush()
{
    // One flush per file system, for the data of the batch written and the
    // names of the batch just put in place.
    std::vector<std::shared_ptr<const UniqueFd>> systems;
    std::set<dev_t> seen;
    const UniqueFd *asked = nullptr; // files of one folder follow each other: their folder is asked once
    for (const std::vector<Staged> *batch : {&m_flushing, &m_renamed})
        for (const Staged &staged : *batch) {
            if (!staged.folderHeld || staged.folderHeld.get() == asked)
                continue;
            asked = staged.folderHeld.get();
            struct stat status {};
            if (::fstat(staged.folder, &status) == 0 && seen.insert(status.st_dev).second)
                systems.push_back(staged.folderHeld);
        }
    // The batch is read back first: a file that fails is written again,
    // not put in place (putInPlace).
    std::vector<Staged> *toCheck = &m_flushing;
    if (!systems.empty() || !m_flushing.empty())
        m_flush = std::thread([systems = std::move(systems), toCheck] {
            for (Staged &staged : *toCheck)
                if (staged.checkLater)
                    staged.checkFailed =
                        !readsBackWhole(staged.folder, staged.temporary, staged.written, staged.file->source.copy.hash);
            for (const auto &folder : systems)
                ::syncfs(folder->get());
        });
}

void RestoreWriter::awaitFlush()
{
    if (m_flush.joinable())
        m_flush.join();
}

void RestoreWriter::putInPlace(std::vector<Staged> &batch, const Done &done)
{
    std::vector<Staged> again;
    for (Staged &staged : batch) {
        RestoreResult &result = staged.result;
        if (staged.checkFailed) {
            ::unlinkat(staged.folder, staged.temporary.c_str(), 0);
            again.push_back(std::move(staged));
            continue;
        }
        if (staged.keepAside) {
            for (int attempt = 1;; ++attempt) {
                const std::string aside = asideName(staged.finalName, m_settings.date, attempt);
                if (renameNoReplace(staged.folder, staged.finalName, aside)) {
                    result.keptAside = joined(staged.folderPath, aside);
                    break;
                }
                if (errno != EEXIST) {
                    result.status = RestoreResult::Status::Failed;
                    result.problem = staged.file->target + ": could not be kept aside: " + causeOf(errno);
                    break;
                }
            }
        }
        if (result.restored() && !renameNoReplace(staged.folder, staged.temporary, staged.finalName)) {
            result.status = RestoreResult::Status::Failed;
            result.problem = result.writtenTo + ": " +
                             (errno == EEXIST ? "a file appeared there while it was restored" : causeOf(errno));
        }
        if (!result.restored())
            ::unlinkat(staged.folder, staged.temporary.c_str(), 0);
    }
    if (again.empty())
        return;
    std::erase_if(batch, [](const Staged &staged) { return staged.checkFailed; });
    // Written again, and checked as it is written: a copy that reads back
    // wrong once more is named, and another of the same content tried.
    for (Staged &staged : again) {
        staged.checkLater = false;
        staged.checkFailed = false;
        writeStaged(staged, done);
    }
}

void RestoreWriter::report(std::vector<Staged> &batch, const Done &done)
{
    std::vector<Staged> finished;
    finished.swap(batch);
    for (const Staged &staged : finished)
        done(*staged.file, staged.result);
}

} // namespace quillarc
