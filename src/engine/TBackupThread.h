#pragma once

#include <functional>
#include <stop_token>
#include <thread>

namespace quillarc {

/// The worker of one backup pass, created running. Its body is handed the
/// thread's stop token; destroying the worker asks it to stop and waits
/// for the body to return, which after the pass has handed itself back is
/// immediate.
class TBackupThread {
public:
    explicit TBackupThread(std::function<void(std::stop_token)> body);
    ~TBackupThread();
    TBackupThread(const TBackupThread &) = delete;
    TBackupThread &operator=(const TBackupThread &) = delete;

    /// Waits until the body has returned.
    void join();

private:
    std::jthread m_thread;
};

} // namespace quillarc
