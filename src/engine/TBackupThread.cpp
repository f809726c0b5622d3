#include "engine/TBackupThread.h"

#include <utility>

namespace quillarc {

TBackupThread::TBackupThread(std::function<void()> body)
    : m_body(std::move(body)), m_thread(&TBackupThread::Execute, this)
{
}

TBackupThread::~TBackupThread()
{
    join();
}

void TBackupThread::join()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void TBackupThread::Execute()
{
    m_body();
}

} // namespace quillarc
