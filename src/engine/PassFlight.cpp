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
#include <vector>

namespace quillarc {

namespace {

constexpr int kFilesAhead = 32;
/// A sleeping worker is woken once the files waiting come to this many
/// bytes, each counted with a block for its opening and naming: a wake-up
/// costs two system calls and a switch, more than copying a few small
/// files, so a folder of small files is copied by the walk's own thread,
/// call for call as one at a time, and larger files overlap.
constexpr std::int64_t kWakeForBytes = 256 * 1024;
constexpr std::int64_t kWeightOfAFile = 16 * 1024;

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
    std::string name;
    std::string source;
    struct stat listed {};
    std::int64_t room = 0; ///< its share of m_flightRoom
    BackupDisk::CopyInFlight flight;
};

BackupPass::~BackupPass() = default;

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
        const int held = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
        if (held < 0)
            return false;
        m_flightSource = std::make_shared<const UniqueFd>(held);
        m_flightSourceFd = dirFd;
    }
    auto file = std::make_shared<FileInFlight>(disk, m_flightSource, name, source, listed);
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

// Names the oldest file in flight. A file the worker could not copy whole,
// or whose name was taken meanwhile, is copied in turn, and so is every
// file after it: the copy in turn may hand the disk over, and the copies
// in flight are on the disk before.
void BackupPass::landOldest()
{
    auto file = std::static_pointer_cast<FileInFlight>(m_flight->oldest());
    m_flightRoom -= file->room;
    if (droppedFromFlight(*file))
        return;
    if (file->flight.whole) {
        BackupDisk::StoreReport report;
        if (const std::optional<BackupDisk::Result> result = m_inHand.disk().commitInFlight(file->flight, report)) {
            tellLanded(*file, *result, report);
            return;
        }
    }
    std::vector<std::shared_ptr<FileInFlight>> inTurn {file};
    while (!m_flight->empty()) {
        inTurn.push_back(std::static_pointer_cast<FileInFlight>(m_flight->oldest()));
        m_flightRoom -= inTurn.back()->room;
    }
    for (const auto &each : inTurn)
        each->ground();
    m_inHand.disk().endFlight();
    for (const auto &each : inTurn) {
        if (droppedFromFlight(*each))
            continue;
        --m_filesReached; // reached again
        copyFolderFile(each->sourceFolder->get(), each->name.c_str(), each->source, each->listed, false);
    }
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
