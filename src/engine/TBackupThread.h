#pragma once

#include <functional>
#include <thread>

namespace quillarc {

/// The worker of one backup pass. Created running; nobody stops it: STOP
/// and ABORT only set the pass's flags. The destructor waits for the body
/// to return, which after the pass has handed itself back is immediate.
class TBackupThread {
public:
    explicit TBackupThread(std::function<void()> body);
    ~TBackupThread();
    TBackupThread(const TBackupThread &) = delete;
    TBackupThread &operator=(const TBackupThread &) = delete;

    /// Waits until the body has returned.
    void join();

private:
    void Execute();

    std::function<void()> m_body;
    std::thread m_thread;
};

} // namespace quillarc
