#include "engine/BackupRun.h"

#include <algorithm>
#include <cstdlib>

#include "engine/BackupPass.h"
#include "engine/PassLog.h"
#include "engine/ProgressBoard.h"
#include "engine/StartCheck.h"
#include "engine/TBackupThread.h"
#include "lists/BackupList.h"
#include "base/Clock.h"
#include "lists/DiskListFile.h"
#include "platform/PassLock.h"
#include "platform/VolumeHost.h"

#include <atomic>
#include <vector>

namespace quillarc {

namespace {

// The pass's own list: the same items in the same order, so that a change
// it reports by index names the same item in the owner's list.
void copyList(const BackupList &from, BackupList &to)
{
    to.clear();
    for (std::size_t i = 0; i < from.count(); ++i) {
        const BackupItem &item = from.at(i);
        BackupItem &copy = to.append(item.path());
        to.setTexts(copy, item.texts());
        to.setChecked(copy, item.checked());
    }
}

// The benchmarks compare counts without a build of their own for each.
int copiesInFlight(int fallback)
{
    const char *text = std::getenv("QUILLARC_COPIES_IN_FLIGHT");
    return text != nullptr && *text != '\0' ? std::clamp(std::atoi(text), 1, 8) : fallback;
}

} // namespace

struct BackupRun::Impl {
    explicit Impl(RunSetup runSetup)
        : setup(std::move(runSetup)), board(setup.echo),
          pass(PassSetup {list, board, setup.ui, setup.host, setup.listFile, setup.clock, setup.filters,
                          setup.driveRoot, setup.volumeLabel, setup.afterFlush, &lock,
                          copiesInFlight(setup.copiesInFlight)})
    {
    }

    void body(std::stop_token stop)
    {
        pass.runItems(std::move(stop));
        outcome = pass.outcome();
        if (setup.writeLog) {
            const PassLog log(setup.listFile.folder());
            if (log.append(outcome, setup.clock.now(), outcome.logError))
                outcome.logPath = log.path();
        }
        // The list and the log are written: the next pass may begin.
        lock.release();
        workerDone.store(true, std::memory_order_release);
        setup.ui.passEnded();
    }

    RunSetup setup;
    PassLock lock;
    BackupList list;
    ProgressBoard board;
    BackupPass pass;
    PassOutcome outcome;
    int checked = 0;
    std::atomic<bool> workerDone {false};
    std::unique_ptr<TBackupThread> worker;
    std::vector<ListChange> changes;
};

BackupRun::BackupRun(RunSetup setup) : m_impl(std::make_unique<Impl>(std::move(setup)))
{
}

BackupRun::~BackupRun()
{
    // The worker's own end asks its pass to stop, as ABORT does, and waits.
    m_impl->worker.reset();
}

bool BackupRun::start()
{
    Impl &d = *m_impl;
    const std::int64_t free = d.setup.host.freeBytes(d.setup.driveRoot);
    d.setup.ui.showFreeSpace(free);
    StartRefusal refusal = checkStart(free, d.setup.list);
    // One pass at a time per program folder and per disk: a second one
    // changes nothing, and so does one that cannot make sure of that.
    if (refusal == StartRefusal::None) {
        const PassLock::Result locked =
            d.lock.take(d.setup.listFile.folder(), d.setup.host.mediumRoot(d.setup.driveRoot));
        if (locked == PassLock::Result::Busy)
            refusal = StartRefusal::PassRunning;
        else if (locked == PassLock::Result::Unlockable)
            refusal = StartRefusal::DiskUnlockable;
    }
    if (refusal != StartRefusal::None) {
        d.outcome = PassOutcome {};
        d.outcome.refusal = refusal;
        d.outcome.refusalMessage = startMessage(refusal);
        d.outcome.volumeLabel = d.setup.volumeLabel;
        return false;
    }
    d.pass.reset();
    copyList(d.setup.list, d.list);
    d.checked = static_cast<int>(d.list.checkedCount());
    d.setup.ui.setTotalBar(0);
    d.setup.ui.setFolderBar(0);
    d.worker = std::make_unique<TBackupThread>([&d](std::stop_token stop) { d.body(std::move(stop)); });
    return true;
}

void BackupRun::stop()
{
    m_impl->pass.requestStop();
}

void BackupRun::abort()
{
    m_impl->pass.requestAbort();
}

bool BackupRun::deliverProgress()
{
    Impl &d = *m_impl;
    d.changes.clear();
    if (!d.board.deliverTo(d.setup.ui, d.changes))
        return false;
    BackupList &list = d.setup.list;
    for (const ListChange &change : d.changes) {
        if (change.index >= list.count())
            continue;
        BackupItem &item = list.at(change.index);
        if (change.kind == ListChange::Kind::CutOff)
            list.setCutOffValue(item, change.cutOff);
        else
            list.setChecked(item, false);
    }
    return true;
}

bool BackupRun::workerRunning() const
{
    return m_impl->worker && !m_impl->workerDone.load(std::memory_order_acquire);
}

const PassOutcome &BackupRun::wait()
{
    if (m_impl->worker)
        m_impl->worker->join();
    deliverProgress();
    return m_impl->outcome;
}

void BackupRun::finished()
{
    if (m_impl->worker)
        m_impl->worker->join(); // at once: the worker's last act was passEnded()
}

const PassOutcome &BackupRun::outcome() const
{
    return m_impl->outcome;
}

PassState &BackupRun::state()
{
    return m_impl->pass.state;
}

const PassState &BackupRun::state() const
{
    return m_impl->pass.state;
}

int BackupRun::checkedItems() const
{
    return m_impl->checked;
}

} // namespace quillarc
