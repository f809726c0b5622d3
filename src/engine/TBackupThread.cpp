#include "engine/TBackupThread.h"

#include "engine/BackupPass.h"
#include "engine/PassUi.h"

namespace quillarc {

TBackupThread::TBackupThread(BackupPass &pass, PassUi &ui)
{
    pass.state.BackupRunning.set();
    thread = std::thread(&TBackupThread::Execute, this, std::ref(pass), std::ref(ui));
}

TBackupThread::~TBackupThread()
{
    join();
}

void TBackupThread::join()
{
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
}

void TBackupThread::Execute(BackupPass &pass, PassUi &ui)
{
    pass.state.BackupRunning.set();
    pass.Dobackup();
    ui.passEnded();
}

} // namespace quillarc
