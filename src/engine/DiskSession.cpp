#include "engine/DiskSession.h"

#include "engine/OneLine.h"

#include "platform/DriveTools.h"
#include "platform/FreeSpaceLine.h"
#include "platform/LabelFile.h"
#include "platform/PassLock.h"
#include "platform/VolumeHost.h"

#include <utility>

namespace quillarc {

namespace {

const char *const kNoEmptySpace = "NO EMPTY SPACE ON THIS DISK";
const char *const kNoVolumeInserted = "NO BACKUP VOLUME INSERTED";
const char *const kNoDriveChosen =
    "NO BACKUP DRIVE IS CHOSEN.\rEACH DISK KEEPS ITS OWN LIST: CHOOSE THE BACKUP DRIVE WITH THE DRIVE BUTTON FIRST.";

// The label is what names a disk's list, so a disk without one can hold no
// list; the person is told how to give it one. The label file goes into
// the disk's own top folder (where it is mounted), never into the drive's
// folder when that is the automount folder the disks are mounted in: a
// file there would name the computer's own disk.
std::string noLabelNotice(const std::string &drive, const std::string &diskRoot)
{
    const std::string where = diskRoot.empty() ? "THE TOP FOLDER OF THE DISK ITSELF (WHERE IT IS MOUNTED)"
                                               : oneLine(diskRoot) + " (THE TOP FOLDER OF THE DISK ITSELF)";
    return std::string(kNoVolumeLabelMessage) + "\rGIVE THE DISK IN " + oneLine(drive) +
           " A LABEL: SET ITS FILE SYSTEM'S LABEL (FOR EXAMPLE WITH e2label OR fatlabel), OR PUT A FILE NAMED " +
           kLabelFileName + " IN " + where +
           " WITH THE LABEL ON ITS FIRST LINE; THEN PRESS THE LOAD BACKUP LIST BUTTON.";
}

} // namespace

DiskSession::DiskSession(const VolumeHost &host, std::string programFolder, PathProbe probe)
    : m_host(host), m_listFile(std::move(programFolder), std::move(probe))
{
}

std::string DiskSession::freeLine() const
{
    if (!m_freeKnown || m_free < 0)
        return {};
    return freeSpaceLine(m_free);
}

void DiskSession::loadConfig(const std::string &path)
{
    LoadPConfigFile(path, m_config);
}

std::string DiskSession::configPath() const
{
    return m_listFile.folder() + std::string(kConfigFileName);
}

void DiskSession::saveConfig() const
{
    SAvePConfigFile(configPath(), m_config);
}

void DiskSession::setExclude(bool on)
{
    m_config.exclude = on;
    m_filters.exclude.store(on);
}

void DiskSession::setListFont(const ListFont &font)
{
    m_config.font = font;
}

void DiskSession::setColumnWidths(const std::array<int, 4> &widths)
{
    m_config.columnWidths = widths;
}

void DiskSession::setWindowPlace(int left, int top, int width, int height)
{
    m_config.windowLeft = left;
    m_config.windowTop = top;
    m_config.windowWidth = width;
    m_config.windowHeight = height;
}

FilterLists DiskSession::filterLists(std::function<void()> afterEach)
{
    return FilterLists(m_config.extensions, m_config.patterns, std::move(afterEach));
}

void DiskSession::setCommands(bool three, bool importExport)
{
    m_three = three;
    m_importExport = importExport;
}

void DiskSession::forgetList()
{
    m_list.clear();
    m_readLabel.reset();
}

std::int64_t DiskSession::queryFree()
{
    m_free = driveChosen() ? m_host.freeBytes(drive()->path()) : -1;
    m_freeKnown = true;
    return m_free;
}

void DiskSession::showFree(std::int64_t freeBytes)
{
    m_free = freeBytes;
    m_freeKnown = true;
}

std::string DiskSession::labelInDrive() const
{
    return driveChosen() ? GetVolumeLabel(m_host, drive()->path()) : std::string();
}

void DiskSession::readLabel()
{
    m_label = labelInDrive();
    // A list read under another label is not this disk's.
    if (!listRead())
        forgetList();
}

DiskListFile::LoadResult DiskSession::readList()
{
    try {
        const DiskListFile::LoadResult result = m_listFile.loadItems(m_label, m_list);
        if (result == DiskListFile::LoadResult::NoLabel)
            forgetList();
        else
            m_readLabel = m_label; // a label without a list file has an empty list, its own
        return result;
    } catch (...) {
        // A file that could not be read leaves no list in hand: what is
        // shown would otherwise be saved over the file later.
        forgetList();
        throw;
    }
}

DiskSession::Notices DiskSession::loadList()
{
    const std::string_view message = DiskListFile::messageFor(readList());
    return message.empty() ? Notices {} : Notices {std::string(message)};
}

DiskSession::Notices DiskSession::loadIfRoom(bool importExportEither)
{
    if (queryFree() != 0) {
        setCommands(true, true);
        return loadList();
    }
    // The list is not read; one read under another label goes too, so that
    // it is neither shown nor saved as this disk's.
    if (!listRead())
        forgetList();
    if (importExportEither)
        setCommands(m_three, true);
    return {kNoEmptySpace};
}

DiskSession::Notices DiskSession::chooseDrive(const std::string &root)
{
    if (m_passRunning)
        return {};
    if (!root.empty())
        m_config.drive = DriveRoot::of(root);
    return driveChosenCheck();
}

DiskSession::Notices DiskSession::driveChosenCheck()
{
    if (!driveChosen() || m_passRunning)
        return {};
    readLabel();
    if (!m_label.empty())
        return loadIfRoom(true);
    setCommands(false, false);
    forgetList();
    // The previous disk's figures would be read as this one's.
    m_freeKnown = false;
    return {noLabelNotice(drive()->path(), m_host.mediumRoot(drive()->path()))};
}

DiskSession::Notices DiskSession::firstCheck()
{
    // The label is the one read at start-up.
    if (m_label.empty())
        return {kNoVolumeInserted};
    return loadIfRoom(true);
}

bool DiskSession::mediaEvent(bool inserted, const std::string &root)
{
    if (!driveChosen() || root != drive()->path())
        return false;
    m_mediaPresent = inserted;
    return true;
}

DiskSession::Notices DiskSession::delayedCheck()
{
    if (m_passRunning) {
        // The disk change of a pass is the disk-full dialog's business; the
        // drive is looked at again once the pass has ended.
        m_checkAfterPass = true;
        return {};
    }
    m_checkAfterPass = false;
    if (m_mediaPresent) {
        readLabel();
        if (m_label.empty()) {
            setCommands(false, false);
            forgetList();
            return {};
        }
        return loadIfRoom(false);
    }
    if (labelInDrive() != m_label)
        reset();
    return {};
}

DiskSession::Notices DiskSession::reload()
{
    // With no disk current there is nothing to forget: the button then
    // loads the disk now in the drive.
    if (!m_label.empty() && labelInDrive() != m_label) {
        reset();
        return {};
    }
    return driveChosenCheck();
}

void DiskSession::reset()
{
    if (m_passRunning)
        return;
    m_label.clear();
    m_freeKnown = false;
    setCommands(false, false);
    forgetList();
}

std::string DiskSession::passRefusal() const
{
    if (m_passRunning)
        return "A BACKUP PASS IS RUNNING.";
    if (listRead() && passElsewhere())
        return PassLock::busyMessage();
    if (!driveChosen())
        return kNoDriveChosen;
    return editRefusal();
}

RunSetup DiskSession::runSetup(PassUi &ui, const Clock &clock, bool exclude)
{
    m_filters.exclude.store(exclude);
    m_filters.extensions = m_config.extensions;
    m_filters.patterns = m_config.patterns;
    return RunSetup {m_list, ui, m_host, m_listFile, clock, m_filters, drive().value(), m_label};
}

void DiskSession::passMovedTo(const std::string &label)
{
    // The disk-full exchange wrote the list under the new disk's label
    // before the pass went on with it.
    m_label = label;
    m_readLabel = label;
}

bool DiskSession::passEnded(const PassOutcome &outcome)
{
    m_passRunning = false;
    if (!outcome.volumeLabel.empty() && outcome.volumeLabel != m_label)
        passMovedTo(outcome.volumeLabel);
    // A pass whose list was not saved (its copies could not be flushed to
    // the disk, the file could not be written) moved cut-offs past copies
    // the disk may not hold: the list in hand goes back to what its file
    // says, so that no later save claims them.
    if (outcome.started() && !outcome.listSaved && listRead()) {
        try {
            readList();
        } catch (const std::exception &) {
            // No list in hand now, which is never saved.
        }
    }
    return std::exchange(m_checkAfterPass, false);
}

bool DiskSession::passElsewhere() const
{
    PassLock probe;
    return probe.take(m_listFile.folder(), {}) == PassLock::Result::Busy;
}

std::string DiskSession::editRefusal() const
{
    if (m_passRunning)
        return "THE LIST CANNOT BE CHANGED WHILE A BACKUP PASS IS RUNNING.";
    if (listRead()) {
        // A pass started elsewhere (a timer, a mount) saves its own copy of
        // this list when it ends: an edit made meanwhile would be lost
        // under it without a word.
        if (passElsewhere())
            return "THE LIST CANNOT BE CHANGED WHILE A BACKUP PASS IS RUNNING.\rANOTHER BACKUP PASS IS WORKING WITH "
                   "THIS PROGRAM FOLDER; TRY AGAIN WHEN IT HAS ENDED.";
        return {};
    }
    if (!driveChosen())
        return kNoDriveChosen;
    if (m_label.empty())
        return "NO BACKUP DISK WITH A VOLUME LABEL IS IN " + drive()->path() +
               ".\rEACH DISK KEEPS ITS OWN LIST: PUT THE DISK IN AND PRESS THE LOAD BACKUP LIST BUTTON.";
    return "THE LIST OF DISK \"" + m_label +
           "\" IS NOT LOADED (THE DISK HAS NO EMPTY SPACE).\rMAKE ROOM ON IT OR CHOOSE ANOTHER DISK, THEN PRESS THE "
           "LOAD BACKUP LIST BUTTON.";
}

} // namespace quillarc
