#pragma once

#include <thread>

namespace quillarc {

class BackupPass;
class PassUi;

/// The worker of one backup pass. Created running: it marks the pass as
/// running, runs it, and as its last act hands the pass back to the window
/// through PassUi::passEnded(). Nobody stops it; STOP and ABORT only set
/// the pass's flags. The destructor waits for the body to return, which
/// after passEnded() is immediate.
class TBackupThread {
public:
    TBackupThread(BackupPass &pass, PassUi &ui);
    ~TBackupThread();
    TBackupThread(const TBackupThread &) = delete;
    TBackupThread &operator=(const TBackupThread &) = delete;

    /// Waits until the body has returned.
    void join();

private:
    void Execute(BackupPass &pass, PassUi &ui);

    std::thread thread;
};

} // namespace quillarc
