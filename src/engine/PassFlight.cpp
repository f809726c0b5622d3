// Several files in flight: workers make each file's whole unnamed copy
// (the source opened safely, the in-use test, the bytes with their hash,
// the metadata) while the walk goes on, and the pass names them strictly
// in the walk's order. Everything that tells or decides (the older copy
// made a version, the catalogue's record, progress, misses, the cut-off,
// a full disk) happens here, in that order, as when files are copied one
// at a time. Whatever is not plain (a file with several names, a case
// twin, a copy in the way that may be current, no room for it, a source
// that is not as listed) is copied in turn, with nothing in flight.

#include "engine/BackupPass.h"

#include "catalogue/DiskLayout.h"
#include "engine/PathRules.h"
#include "engine/SourceFile.h"
#include "engine/WorkInFlight.h"
#include "platform/LabelFile.h"

#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <sys/resource.h>
#include <vector>

namespace quillarc {

namespace {

constexpr int kFilesAhead = 32;
/// A sleeping worker is woken once the files waiting come to this many
/// bytes, each counted with a block for its opening and naming: a wake-up
/// costs two system calls and a switch, more than copying a few small
/// files, so a folder of small files is copied by the walk's own thread,
/// call for call as one at a time, and larger files overlap.
constexpr std::int64_t kWakeForBytes = std::int64_t {256} * 1024;
constexpr std::int64_t kWeightOfAFile = std::int64_t {16} * 1024;

// The source is copied from the worker only if it is still the file the
// walk listed; anything else is left to the copy in turn, which says why.
bool asListed(const struct stat &now, const struct stat &listed)
{
    return S_ISREG(now.st_mode) && now.st_dev == listed.st_dev && now.st_ino == listed.st_ino &&
           now.st_size == listed.st_size && now.st_nlink < 2 && now.st_mtim.tv_sec == listed.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == listed.st_mtim.tv_nsec && now.st_ctim.tv_sec == listed.st_ctim.tv_sec &&
           now.st_ctim.tv_nsec == listed.st_ctim.tv_nsec;
}

} // namespace

class BackupPass::FileInFlight final : public WorkItem {
public:
    FileInFlight(const BackupDisk &disk, std::shared_ptr<const UniqueFd> sourceFolder, std::string name,
                 std::string source, const struct stat &listed)
        : m_disk(disk), sourceFolder(std::move(sourceFolder)), name(std::move(name)), source(std::move(source)),
          listed(listed)
    {
    }

    void run(std::vector<char> &buffer) override
    {
        const SourceFile file = SourceFile::listedEntry(sourceFolder->get(), name.c_str());
        if (file.isOpen() && !file.swapped() && asListed(file.status(), listed) && !file.lockedByOther())
            m_disk.writeInFlight(file.fd(), file.status(), flight, buffer);
    }

    /// Lets go of the copy and of the disk's folder; the file is copied
    /// in turn.
    void ground()
    {
        flight.copy.target.reset();
        flight.folder.reset();
        flight.whole = false;
    }

private:
    const BackupDisk &m_disk;

public:
    std::shared_ptr<const UniqueFd> sourceFolder;
    FolderMarksRef marks; ///< its folder's, told as it is named
    std::string name;
    std::string source;
    struct stat listed {};
    std::int64_t room = 0; ///< its share of m_flightRoom
    BackupDisk::CopyInFlight flight;
};

// A folder the walk left with files of it in flight: settled once they are
// named, in the walk's order.
class BackupPass::FolderInFlight final : public WorkItem {
public:
    FolderInFlight(FolderTrail::OpenFolder done, FolderMarksRef parent, const struct stat &st)
        : done(std::move(done)), parent(std::move(parent)), st(st)
    {
    }
    void run(std::vector<char> &) override {}

    FolderTrail::OpenFolder done;
    FolderMarksRef parent;
    struct stat st {};
    std::shared_ptr<const UniqueFd> held; ///< its copy, while the walk's disk folders move on
    std::uint64_t heldOn = 0;             ///< the medium it is on
};

BackupPass::~BackupPass() = default;

void BackupPass::sendFolderIntoFlight(FolderTrail::OpenFolder done, FolderMarksRef parent, const struct stat &st)
{
    auto folder = std::make_shared<FolderInFlight>(std::move(done), std::move(parent), st);
    // Its copy is held now, while the disk's folders are still at it: once
    // the walk's files moved them on, reaching it by name again would
    // open every folder above it. A folder not to be settled unless a file
    // lands in it is not made for that (a file in flight made it already).
    if (!failed() && m_inHand.known() && !m_inHand.root().empty()) {
        const std::string relative = PathRules::relativeOnDisk(m_trail.pathOf(folder->done));
        folder->held = m_inHand.disk().holdFolder(relative, folder->done.settle);
        folder->heldOn = m_mediaTaken;
    }
    m_flight->push(std::move(folder), 0);
    while (m_flight->size() >= static_cast<std::size_t>(kFilesAhead))
        landOldest();
}

void BackupPass::copyInTurn(int dirFd, const char *name, const std::string &source, const struct stat &listed,
                            bool caseTwin)
{
    if (!caseTwin && sendIntoFlight(dirFd, name, source, listed))
        return;
    landFlight();
    copyFolderFile(dirFd, name, source, listed, caseTwin);
}

bool BackupPass::sendIntoFlight(int dirFd, const char *name, const std::string &source, const struct stat &listed)
{
    const int copies = std::min(m_setup.copiesInFlight, 4);
    // Files queued ahead of the one to be named: enough that a worker
    // woken for a batch finds one, and that the walk seldom waits.
    const int window = copies < 2 ? 1 : kFilesAhead;
    // A sparse file is sized by its data, which only the open file tells.
    const bool sparse = static_cast<std::int64_t>(listed.st_blocks) * 512 < listed.st_size;
    if (window < 2 || !S_ISREG(listed.st_mode) || listed.st_nlink > 1 || sparse || !m_inHand.known() ||
        m_inHand.root().empty() || failed())
        return false;
    const std::string relative = PathRules::relativeOnDisk(source);
    if (relative == kLabelFileName || disklayout::isOwnPath(relative))
        return false;
    BackupDisk &disk = m_inHand.disk();
    // Room as the copy in turn reckons it, less what the files ahead of
    // it in flight will take once named.
    const std::int64_t wanted = m_flightRoom + listed.st_size;
    if (wanted > m_inHand.freeEstimate().forCopy(wanted))
        return false;
    const std::int64_t room = disk.spaceTaken(listed.st_size);
    // The walk closes its descriptor of a folder before it says it left
    // it, so the files in flight hold one of their own.
    if (!m_flightSource || m_flightSourceFd != dirFd) {
        m_flightSource = sharedDuplicate(dirFd);
        if (!m_flightSource)
            return false;
        m_flightSourceFd = dirFd;
    }
    auto file = std::make_shared<FileInFlight>(disk, m_flightSource, name, source, listed);
    if (FolderTrail::OpenFolder *open = m_trail.inHand())
        file->marks = open->marks;
    if (!disk.prepareInFlight(relative, listed, file->flight))
        return false;
    file->room = room;
    m_flightRoom += room;
    ++m_filesReached;
    if (!m_flight)
        m_flight = std::make_unique<WorkInFlight>(copies - 1, kWakeForBytes);
    m_flight->push(std::move(file), kWeightOfAFile + listed.st_size);
    while (m_flight->size() >= static_cast<std::size_t>(window))
        landOldest();
    return true;
}

// Names the oldest file in flight, or settles the oldest folder left. A
// file the worker could not copy whole, or whose name was taken
// meanwhile, is copied in turn, and so is every file after it: the copy in
// turn may hand the disk over, and the copies in flight are on the disk
// before.
void BackupPass::landOldest()
{
    const std::shared_ptr<WorkItem> oldest = m_flight->oldest();
    if (const auto folder = std::dynamic_pointer_cast<FolderInFlight>(oldest)) {
        landFolder(*folder);
        return;
    }
    auto file = std::static_pointer_cast<FileInFlight>(oldest);
    m_flightRoom -= file->room;
    if (droppedFromFlight(*file))
        return;
    if (file->flight.whole) {
        BackupDisk::StoreReport report;
        if (const std::optional<BackupDisk::Result> result = m_inHand.disk().commitInFlight(file->flight, report)) {
            const MarksInHand inFolder(*this, marksOf(*file));
            tellLanded(*file, *result, report);
            return;
        }
    }
    std::vector<std::shared_ptr<WorkItem>> inTurn {file};
    while (!m_flight->empty()) {
        inTurn.push_back(m_flight->oldest());
        if (const auto next = std::dynamic_pointer_cast<FileInFlight>(inTurn.back())) {
            m_flightRoom -= next->room;
            next->ground();
        }
    }
    file->ground();
    m_inHand.disk().endFlight();
    for (const auto &entry : inTurn) {
        if (const auto folder = std::dynamic_pointer_cast<FolderInFlight>(entry)) {
            landFolder(*folder);
            continue;
        }
        auto &each = static_cast<FileInFlight &>(*entry);
        if (droppedFromFlight(each))
            continue;
        --m_filesReached; // reached again
        const MarksInHand inFolder(*this, marksOf(each));
        copyFolderFile(each.sourceFolder->get(), each.name.c_str(), each.source, each.listed, false);
    }
}

void BackupPass::landFolder(FolderInFlight &folder)
{
    settleFolder(folder.done, folder.parent.get(), folder.st, true, folder.held ? folder.held->get() : -1,
                 folder.heldOn);
    folder.held.reset();
}

FolderTrail::FolderMarks *BackupPass::marksOf(FileInFlight &file)
{
    return file.marks ? file.marks.get() : &m_noFolder;
}

// Files in flight hold descriptors (each its unnamed copy, its folders on
// both sides) while the walk goes on opening a descriptor for each level on
// either side. Where the process may not open enough for both, the files
// are named before the walk goes deeper, so that no file the walk reached
// is missed for want of a descriptor.
bool BackupPass::flightMayGoDeeper()
{
    if (!m_flight || m_flight->empty())
        return true;
    if (m_descriptorLimit == 0) {
        struct rlimit limit {};
        m_descriptorLimit = ::getrlimit(RLIMIT_NOFILE, &limit) != 0 ? 1
                            : limit.rlim_cur == RLIM_INFINITY       ? std::numeric_limits<std::int64_t>::max()
                                                                    : static_cast<std::int64_t>(limit.rlim_cur);
    }
    constexpr std::int64_t kSpare = 64; // the catalogue, the pass's own files, the worker's
    const auto levels = static_cast<std::int64_t>(m_trail.depth()) + 1;
    return 2 * levels + 3 * std::int64_t {kFilesAhead} + kSpare <= m_descriptorLimit;
}

// The walk moves to another folder, and may open it under the number the
// last one had: the files in flight keep their own descriptor of theirs.
void BackupPass::leftFlightSource()
{
    m_flightSource.reset();
    m_flightSourceFd = -1;
}

void BackupPass::landFlight()
{
    while (m_flight && !m_flight->empty())
        landOldest();
    m_flightSource.reset();
    m_flightSourceFd = -1;
    m_inHand.disk().endFlight();
}

// A pass whose disk failed names nothing more: a file in flight then is as
// one not yet reached, its unnamed copy gone with it, and the next pass
// copies it. A pass that was stopped names them: they were reached before
// the stop, and each is whole.
bool BackupPass::droppedFromFlight(const FileInFlight &file)
{
    if (!failed())
        return false;
    --m_filesReached;
    m_cutOff.hold(CutOffHold::belowFile(file.listed));
    return true;
}

void BackupPass::tellLanded(FileInFlight &file, BackupDisk::Result result, const BackupDisk::StoreReport &report)
{
    if (!report.remark.empty())
        m_report.note(file.source, report.remark);
    if (result == BackupDisk::Result::Stored || result == BackupDisk::Result::StoredAsRead)
        m_inHand.hardLinks().copied(file.flight.status, file.flight.relative);
    tellStored(result, report, file.flight.status, file.source, file.flight.status.st_size);
}

} // namespace quillarc
