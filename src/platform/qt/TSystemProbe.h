#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

namespace quillarc {

/// Percent free of the three resource pools, 0..100. On Linux: System is
/// the kernel file table, User the task table, GDI this process's
/// descriptors. A pool whose source cannot be read keeps its last figure.
struct TResources {
    std::uint8_t SystemResources = 100;
    std::uint8_t GDIResources = 100;
    std::uint8_t UserResources = 100;
};

/// Memory figures in bytes (64-bit: machines have more than 4 GiB). The
/// page file is swap; "virtual" is memory and swap together.
struct TMemory {
    std::uint8_t MemoryLoad = 0; ///< percent in use, 0..100
    std::int64_t SwapFileSize = 0;
    std::int32_t SwapUsage = 0; ///< percent, 0..100; 0 without swap
    std::uint64_t PhysicalTotal = 0;
    std::uint64_t PhysicalFree = 0;
    std::uint64_t PageFileTotal = 0;
    std::uint64_t PageFileFree = 0;
    std::uint64_t VirtualTotal = 0;
    std::uint64_t VirtualFree = 0;

    /// 100 - truncate(PhysicalFree / PhysicalTotal * 100), kept to 0..100;
    /// 0 while the total is unknown, so callers never divide by zero.
    int PhysicalUsedPercent() const;
};

/// Kernel figures; -1 where the system gives none.
struct TKernel {
    std::int32_t CPUUsage = -1; ///< percent busy since the previous refresh (since boot at first)
    std::int32_t Threads = -1;  ///< tasks in the system
    std::int32_t VMs = -1;      ///< no counterpart on Linux: always -1
};

/// Dial-up (ppp) adapter figures summed over ppp interfaces; -1 where missing.
struct TDialUp {
    std::int64_t ConnectSpeed = -1; ///< no source on Linux: always -1
    std::int64_t BytesRecvd = -1;   ///< bytes per second since the previous refresh
    std::int64_t BytesXmit = -1;
    std::int64_t TotalBytesRecvd = -1;
    std::int64_t TotalBytesXmit = -1;
};

/// Samples the machine's memory, resource pools, kernel and dial-up figures
/// on demand or on its own timer, on the thread that owns it.
class TSystemProbe : public QObject {
    Q_OBJECT
public:
    /// Where the figures come from; tests point procRoot at a folder of
    /// made-up files and set the clock and the descriptor limit.
    struct Sources {
        std::string procRoot = "/proc";
        std::function<std::int64_t()> descriptorLimit; ///< default: RLIMIT_NOFILE soft limit
        std::function<std::int64_t()> ticks;           ///< default: a monotonic millisecond clock
    };

    explicit TSystemProbe(QObject *owner = nullptr);
    TSystemProbe(Sources sources, QObject *owner);

    /// Samples all four groups now, in the order resources, memory, kernel,
    /// dial-up. Missing or malformed files never stop a refresh.
    void Refresh();

    /// Refreshes once if AutoRefresh is on (after the owner has set its values).
    void Loaded();

    /// Interval of the timed refresh; 0 or less stops it.
    int RefreshInterval() const { return m_refreshInterval; }
    void setRefreshInterval(int milliseconds);
    bool AutoRefresh() const { return m_autoRefresh; }
    void setAutoRefresh(bool on);
    const QString &Status() const { return m_status; }
    void setStatus(const QString &status) { m_status = status; }
    int RefreshTime() const { return m_refreshTime; }
    void setRefreshTime(int milliseconds) { m_refreshTime = milliseconds; }
    bool SmartRefresh() const { return m_smartRefresh; }
    void setSmartRefresh(bool on) { m_smartRefresh = on; }

    /// Raised at the end of every refresh.
    std::function<void(TSystemProbe *sender)> OnRefreshed;

    const TResources &Resources() const { return m_resources; }
    const TMemory &Memory() const { return m_memory; }
    const TKernel &Kernel() const { return m_kernel; }
    const TDialUp &DialUp() const { return m_dialUp; }

    const QTimer &RefreshTimer() const { return m_timer; }

private:
    void updateTimer();
    void refreshResources();
    void refreshMemory();
    void refreshKernel();
    void refreshDialUp(std::int64_t now);
    std::string procFile(const std::string &name) const;

    Sources m_sources;
    QTimer m_timer;
    int m_refreshInterval = 5000;
    bool m_autoRefresh = true;
    QString m_status;
    int m_refreshTime = -1;
    bool m_smartRefresh = false;

    TResources m_resources;
    TMemory m_memory;
    TKernel m_kernel;
    TDialUp m_dialUp;

    // Previous samples, for figures that are rates.
    std::int64_t m_cpuBusy = 0, m_cpuTotal = 0;
    std::int64_t m_lastRecvd = -1, m_lastXmit = -1, m_lastNetTick = 0;
};

} // namespace quillarc
