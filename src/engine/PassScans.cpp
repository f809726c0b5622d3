// The two walks over a folder item: the sizing scan totals what the item
// needs, the copy scan hands every qualifying file to the copy step.

#include "engine/BackupPass.h"

#include "engine/ExclusionTest.h"
#include "engine/FileRoom.h"
#include "engine/LinkOwners.h"
#include "engine/PathRules.h"
#include "engine/ProgressBoard.h"

#include <ctime>
#include <system_error>

namespace quillarc {

namespace {

std::string cannotBeRead(int error)
{
    return "cannot be read: " + std::generic_category().message(error);
}

} // namespace

// The sizing scan: totals the qualifying files of a folder item.
class BackupPass::SizingScan final : public TreeVisitor {
public:
    explicit SizingScan(BackupPass &pass) : m_pass(pass) {}
    bool goOn() override { return !m_pass.abortNow(); }
    void folder(const std::string &path) override
    {
        m_pass.setStatus(StatusLine::Folder, "Scanning .. ", path, PathFit::LineWidthLess100);
    }
    void enterFolder(const std::string &path, const struct stat &st) override
    {
        m_pass.m_trail.saw(path, st);
        m_pass.followChangedFolder(path, st);
        if (m_pass.enterFolder(path, st, false).settle)
            m_pass.state.FolderFilesTotal.add(1);
    }
    void leaveFolder(const std::string &, const struct stat &st) override { m_pass.leaveFolder(st, false); }
    void file(int dirFd, const char *name, const std::string &path, const struct stat &st, bool) override
    {
        if (m_pass.excluded(name) || !m_pass.m_trail.qualifies(st, path, m_pass.m_inHand.ifKnown()))
            return;
        // The copy scan leaves out a current copy alike, and reaches a file
        // too large for the disk to name it.
        const SizingRule::Sized sized =
            m_pass.m_sizing.size(dirFd, name, path, st, m_pass.m_inHand.ifKnown(), &m_pass.m_replacedRoom);
        if (sized.share == SizingRule::Share::Current)
            return;
        m_pass.state.FolderBytesTotal.add(sized.bytes);
        m_pass.state.FolderFilesTotal.add(1);
        if (sized.share == SizingRule::Share::TooLarge)
            return;
        m_pass.setStatus(StatusLine::File, std::to_string(m_pass.state.FolderBytesTotal.get()));
    }
    void unreadable(const std::string &path, int error) override
    {
        m_pass.missed(path, cannotBeRead(error), CutOffHold::wholeItem());
    }
    // Named here, where every folder item is walked, whether or not the copy
    // scan runs; when new, or when what it points at changed.
    void refusedLink(const std::string &path, const struct stat &link, const struct stat &target) override
    {
        const std::size_t slash = path.rfind('/');
        if (m_pass.excluded(path.c_str() + (slash == std::string::npos ? 0 : slash + 1)) ||
            (!m_pass.m_cutOff.qualifies(link) && !m_pass.m_cutOff.qualifies(target)))
            return;
        m_pass.missed(path, foreignLinkCause(link, target), CutOffHold::none());
    }

private:
    BackupPass &m_pass;
};

// The copy scan: hands every qualifying file to the copy step, and ends
// early once every sized file and byte has been handed over.
class BackupPass::CopyScan final : public TreeVisitor {
public:
    explicit CopyScan(BackupPass &pass) : m_pass(pass) {}
    bool goOn() override { return !m_pass.failed() && !m_pass.abortNow() && !m_pass.copyScanDone(); }
    void folder(const std::string &path) override
    {
        m_pass.setStatus(StatusLine::Folder, "", path, PathFit::LineWidth);
    }
    // Files in flight stay in flight as the walk moves between folders:
    // each tells its own folder's marks as it is named, and a folder left
    // is settled after its last file (leaveFolder).
    void enterFolder(const std::string &path, const struct stat &st) override
    {
        m_pass.leftFlightSource();
        if (!m_pass.flightMayGoDeeper())
            m_pass.landFlight();
        m_pass.enterFolder(path, st, !m_pass.changedSinceSizing(st));
    }
    void leaveFolder(const std::string &, const struct stat &st) override
    {
        m_pass.leftFlightSource();
        m_pass.leaveFolder(st, true);
    }
    void file(int dirFd, const char *name, const std::string &path, const struct stat &st, bool caseTwin) override
    {
        if (m_pass.excluded(name) || !m_pass.m_trail.qualifies(st, path, m_pass.m_inHand.ifKnown()))
            return;
        // A file that changed or arrived since sizing began may not have been
        // sized: it is copied, but does not count toward the sized totals, so
        // it cannot make the scan end before every sized file was reached.
        const bool sized = !m_pass.changedSinceSizing(st);
        const std::int64_t bytes = bytesToWrite(dirFd, name, st);
        if (m_pass.m_sizing.tooLarge(st, bytes)) {
            m_pass.landFlight();
            if (sized)
                m_pass.CalcFolderProgress(0);
            m_pass.missed(path, m_pass.m_sizing.tooLargeCause(), CutOffHold::belowFile(st));
            return;
        }
        if (sized && m_pass.copyIsCurrent(path, st))
            return;
        if (sized)
            m_pass.CalcFolderProgress(bytes);
        m_pass.setStatus(StatusLine::File, "", path, PathFit::LineWidth);
        m_pass.copyInTurn(dirFd, name, path, st, caseTwin);
    }
    void unreadable(const std::string &path, int error) override
    {
        m_pass.landFlight();
        m_pass.missed(path, cannotBeRead(error), CutOffHold::wholeItem());
    }
    bool enterCaseTwin(const std::string &path) override
    {
        m_pass.landFlight();
        return !m_pass.folderClashesByCase(path);
    }

private:
    BackupPass &m_pass;
};

void BackupPass::ScanFoldersize(const std::string &path, bool withSubfolders)
{
    m_replacedRoom = 0;
    SizingScan scan(*this);
    m_walker.walk(path, withSubfolders, scan);
}

void BackupPass::ScanFolder(const std::string &path, bool withSubfolders)
{
    CopyScan scan(*this);
    if (!scan.goOn()) {
        scan.folder(path);
        return;
    }
    m_walker.walk(path, withSubfolders, scan);
    landFlight();
}

// `counted`: the copy scan counts a folder to settle as the sizing scan
// did, so that its early end waits for it.
FolderTrail::OpenFolder &BackupPass::enterFolder(const std::string &path, const struct stat &st, bool counted)
{
    FolderTrail::OpenFolder &open = m_trail.enter(path, st);
    if (open.settle && state.SizingPhase)
        ++m_foldersSized;
    if (open.settle && counted)
        state.FolderFilesDone.add(1);
    return open;
}

// A folder's copy gets its times once everything in it was written: an
// empty folder (a mail folder's `new/`) is there on restore, with its bits.
// With files of it still in flight, that waits until they are named.
void BackupPass::leaveFolder(const struct stat &st, bool settle)
{
    FolderTrail::OpenFolder done = m_trail.leave();
    const FolderTrail::OpenFolder *parent = m_trail.inHand();
    if (settle && m_flight && !m_flight->empty()) {
        sendFolderIntoFlight(std::move(done), parent != nullptr ? parent->marks : FolderMarksRef(), st);
        return;
    }
    settleFolder(done, parent != nullptr ? parent->marks.get() : nullptr, st, settle);
}

// `parent`: the marks of the folder around it, if any.
void BackupPass::settleFolder(const FolderTrail::OpenFolder &done, FolderTrail::FolderMarks *parent,
                              const struct stat &st, bool settle, int held, std::uint64_t heldOn)
{
    // A folder in which something was missed is settled by the pass that
    // copies it: its bits could keep that copy out.
    if (!settle || done.marks->missed || (!done.settle && !done.marks->touched))
        return;
    if (failed() || abortNow() || !m_inHand.known() || m_inHand.root().empty())
        return;
    const std::string path = m_trail.pathOf(done);
    const std::string relative = PathRules::relativeOnDisk(path);
    if (relative.empty())
        return; // the medium root is the disk's, not a copy
    const bool stillHeld = held >= 0 && heldOn == m_mediaTaken;
    const int error =
        stillHeld ? m_inHand.disk().settleFolder(held, relative, st) : m_inHand.disk().settleFolder(relative, st);
    if (error != 0) {
        // Told to the folder around it, as when it is left: none for the
        // item's own.
        FolderTrail::FolderMarks none;
        const MarksInHand inParent(*this, parent != nullptr ? parent : &none);
        missed(path, "its folder could not be made on the backup disk: " + std::generic_category().message(error),
               CutOffHold::wholeItem());
        return;
    }
    if (parent != nullptr)
        parent->touched = true;
}

// A folder whose own bits, group or lists changed since the cut-off has
// its copy brought in line, even when nothing in it is copied: a folder
// made private stays private on the disk.
void BackupPass::followChangedFolder(const std::string &path, const struct stat &st)
{
    if (m_inHand.root().empty() || !m_cutOff.qualifies(st))
        return;
    m_inHand.disk().followSourceFolder(PathRules::relativeOnDisk(path));
}

// The EXCLUDE box may be toggled while a pass runs and counts from the next
// file tested.
bool BackupPass::excluded(const char *name)
{
    m_cutOff.excludeTested(m_setup.filters.exclude.load(std::memory_order_relaxed));
    return bannedext(m_setup.filters, name);
}

bool BackupPass::changedSinceSizing(const struct stat &st) const
{
    auto notBefore = [this](const struct timespec &time) {
        return time.tv_sec > m_sizingBegan.tv_sec ||
               (time.tv_sec == m_sizingBegan.tv_sec && time.tv_nsec >= m_sizingBegan.tv_nsec);
    };
    return notBefore(st.st_mtim) || notBefore(st.st_ctim);
}

bool BackupPass::copyScanDone() const
{
    return state.FolderBytesDone.get() == state.FolderBytesTotal.get() &&
           state.FolderFilesDone.get() == state.FolderFilesTotal.get();
}

} // namespace quillarc
