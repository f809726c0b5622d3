#include "engine/TBackupThread.h"

#include <utility>

namespace quillarc {

TBackupThread::TBackupThread(std::function<void(std::stop_token)> body) : m_thread(std::move(body))
{
}

TBackupThread::~TBackupThread()
{
    m_thread.request_stop();
    // Ended from its own body (never by the program itself): nothing to
    // wait for, and a thread cannot wait for itself.
    if (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
}

void TBackupThread::join()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

} // namespace quillarc
