#include "platform/qt/TSystemProbe.h"

#include "base/FolderListing.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace quillarc {

namespace {

std::string readSmallFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text(65536, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

/// Percent free of a pool, kept to 0..100; -1 when the figures make no sense.
int percentFree(double inUse, double capacity)
{
    if (!(capacity > 0) || !(inUse >= 0))
        return -1;
    const double used = inUse * 100.0 / capacity;
    return 100 - static_cast<int>(std::clamp(used, 0.0, 100.0));
}

/// Reads "Key:   1234 kB" lines of /proc/meminfo; -1 when the key is missing.
std::int64_t meminfoBytes(const std::string &text, const std::string &key)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + ":", 0) != 0)
            continue;
        std::istringstream fields(line.substr(key.size() + 1));
        long long value = -1;
        std::string unit;
        if (!(fields >> value) || value < 0)
            return -1;
        fields >> unit;
        if (unit == "kB" && value > INT64_MAX / 1024)
            return -1;
        return unit == "kB" ? value * 1024 : value;
    }
    return -1;
}

std::int64_t softDescriptorLimit()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return -1;
    return static_cast<std::int64_t>(limit.rlim_cur);
}

} // namespace

int TMemory::PhysicalUsedPercent() const
{
    if (PhysicalTotal == 0)
        return 0;
    const double freePercent =
        static_cast<double>(std::min(PhysicalFree, PhysicalTotal)) * 100.0 / static_cast<double>(PhysicalTotal);
    return 100 - static_cast<int>(freePercent);
}

TSystemProbe::TSystemProbe(QObject *owner) : TSystemProbe(Sources {}, owner)
{
}

TSystemProbe::TSystemProbe(Sources sources, QObject *owner) : QObject(owner), m_sources(std::move(sources))
{
    if (!m_sources.descriptorLimit)
        m_sources.descriptorLimit = softDescriptorLimit;
}

void TSystemProbe::Refresh()
{
    refreshResources();
    refreshMemory();
}

std::string TSystemProbe::procFile(const std::string &name) const
{
    return m_sources.procRoot + "/" + name;
}

void TSystemProbe::refreshResources()
{
    // System: the kernel file table, "allocated unused maximum".
    {
        std::istringstream in(readSmallFile(procFile("sys/fs/file-nr")));
        double allocated = -1, unused = -1, maximum = -1;
        if (in >> allocated >> unused >> maximum) {
            if (const int free = percentFree(allocated - unused, maximum); free >= 0)
                m_resources.SystemResources = static_cast<std::uint8_t>(free);
        }
    }
    // User: tasks (the "running/total" field of loadavg) against threads-max.
    {
        std::istringstream load(readSmallFile(procFile("loadavg")));
        std::string a, b, c, tasks;
        std::istringstream limit(readSmallFile(procFile("sys/kernel/threads-max")));
        double maximum = -1;
        if ((load >> a >> b >> c >> tasks) && (limit >> maximum)) {
            const std::size_t slash = tasks.find('/');
            double total = -1;
            if (slash != std::string::npos) {
                std::istringstream number(tasks.substr(slash + 1));
                number >> total;
            }
            if (const int free = percentFree(total, maximum); free >= 0)
                m_resources.UserResources = static_cast<std::uint8_t>(free);
        }
    }
    // GDI: this process's open descriptors against its limit.
    if (FolderListing listing(procFile("self/fd")); listing.open()) {
        long long open = 0;
        while (listing.next() != nullptr)
            ++open;
        if (const int free = percentFree(static_cast<double>(open), static_cast<double>(m_sources.descriptorLimit()));
            free >= 0)
            m_resources.GDIResources = static_cast<std::uint8_t>(free);
    }
}

void TSystemProbe::refreshMemory()
{
    const std::string text = readSmallFile(procFile("meminfo"));
    const std::int64_t total = meminfoBytes(text, "MemTotal");
    const std::int64_t available = meminfoBytes(text, "MemAvailable");
    if (total <= 0 || available < 0)
        return; // keep the last figures rather than show nonsense
    TMemory m;
    m.PhysicalTotal = static_cast<std::uint64_t>(total);
    m.PhysicalFree = static_cast<std::uint64_t>(std::min(available, total));
    const double availablePercent = static_cast<double>(m.PhysicalFree) * 100.0 / static_cast<double>(total);
    m.MemoryLoad = static_cast<std::uint8_t>(std::clamp(100 - static_cast<int>(availablePercent), 0, 100));
    m_memory = m;
}

} // namespace quillarc
