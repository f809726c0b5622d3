#pragma once

#include <QObject>

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

/// Physical memory in bytes (64-bit: machines have more than 4 GiB).
struct TMemory {
    std::uint8_t MemoryLoad = 0; ///< percent in use, 0..100
    std::uint64_t PhysicalTotal = 0;
    std::uint64_t PhysicalFree = 0; ///< available to programs without swapping

    /// 100 - truncate(PhysicalFree / PhysicalTotal * 100), kept to 0..100;
    /// 0 while the total is unknown, so callers never divide by zero.
    int PhysicalUsedPercent() const;
};

/// Samples the machine's memory and resource pools on demand: for the
/// low-memory warning at start and the Resources window. A QObject so that
/// the window owns it like its other parts.
class TSystemProbe : public QObject {
public:
    /// Where the figures come from; tests point procRoot at a folder of
    /// made-up files and set the descriptor limit.
    struct Sources {
        std::string procRoot = "/proc";
        std::function<std::int64_t()> descriptorLimit; ///< default: RLIMIT_NOFILE soft limit
    };

    explicit TSystemProbe(QObject *owner = nullptr);
    TSystemProbe(Sources sources, QObject *owner);

    /// Samples the resource pools, then memory. Missing or malformed files
    /// never stop a refresh: the figures they feed keep their last values.
    void Refresh();

    const TResources &Resources() const { return m_resources; }
    const TMemory &Memory() const { return m_memory; }

private:
    void refreshResources();
    void refreshMemory();
    std::string procFile(const std::string &name) const;

    Sources m_sources;
    TResources m_resources;
    TMemory m_memory;
};

} // namespace quillarc
