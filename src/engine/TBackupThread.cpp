#include "engine/TBackupThread.h"

#include <utility>

namespace quillarc {

TBackupThread::TBackupThread(std::function<void()> body)
    : body_(std::move(body)), thread_(&TBackupThread::Execute, this)
{
}

TBackupThread::~TBackupThread()
{
    join();
}

void TBackupThread::join()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TBackupThread::Execute()
{
    body_();
}

} // namespace quillarc
