#include "platform/qt/TSystemProbe.h"

#include <algorithm>
#include <chrono>
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

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t softDescriptorLimit()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return -1;
    return static_cast<std::int64_t>(limit.rlim_cur);
}

std::int32_t clampInt32(long long value)
{
    return static_cast<std::int32_t>(std::clamp<long long>(value, -1, INT32_MAX));
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
    if (!m_sources.ticks)
        m_sources.ticks = steadyMilliseconds;
    connect(&m_timer, &QTimer::timeout, this, &TSystemProbe::Refresh);
    setRefreshInterval(5000);
    setAutoRefresh(true);
}

void TSystemProbe::setRefreshInterval(int milliseconds)
{
    m_refreshInterval = milliseconds;
    updateTimer();
}

void TSystemProbe::setAutoRefresh(bool on)
{
    m_autoRefresh = on;
    updateTimer();
}

void TSystemProbe::updateTimer()
{
    // A QTimer of 0 ms fires on every turn of the event loop; an interval of
    // 0 or less means no timed refresh at all.
    if (m_refreshInterval > 0)
        m_timer.setInterval(m_refreshInterval);
    if (m_autoRefresh && m_refreshInterval > 0) {
        if (!m_timer.isActive())
            m_timer.start();
    } else {
        m_timer.stop();
    }
}

void TSystemProbe::Loaded()
{
    if (m_autoRefresh)
        Refresh();
}

void TSystemProbe::Refresh()
{
    m_status = QStringLiteral("Refreshing...");
    const std::int64_t started = m_sources.ticks();
    refreshResources();
    refreshMemory();
    refreshKernel();
    refreshDialUp(started);
    if (m_refreshTime == -1) {
        m_refreshTime = static_cast<int>(std::clamp<std::int64_t>(m_sources.ticks() - started, 0, INT32_MAX));
        if (m_smartRefresh)
            setRefreshInterval(static_cast<int>(std::min<std::int64_t>(5LL * m_refreshTime, INT32_MAX)));
    }
    m_status = QStringLiteral("Ready");
    if (OnRefreshed)
        OnRefreshed(this);
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
    if (DIR *dir = ::opendir(procFile("self/fd").c_str())) {
        long long open = 0;
        while (const dirent *entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.')
                ++open;
        }
        ::closedir(dir);
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
    const std::int64_t swapTotal = std::max<std::int64_t>(meminfoBytes(text, "SwapTotal"), 0);
    const std::int64_t swapFree = std::clamp<std::int64_t>(meminfoBytes(text, "SwapFree"), 0, swapTotal);
    TMemory m;
    m.PhysicalTotal = static_cast<std::uint64_t>(total);
    m.PhysicalFree = static_cast<std::uint64_t>(std::min(available, total));
    m.PageFileTotal = static_cast<std::uint64_t>(swapTotal);
    m.PageFileFree = static_cast<std::uint64_t>(swapFree);
    m.VirtualTotal = m.PhysicalTotal + m.PageFileTotal;
    m.VirtualFree = m.PhysicalFree + m.PageFileFree;
    const double availablePercent = static_cast<double>(m.PhysicalFree) * 100.0 / static_cast<double>(total);
    m.MemoryLoad = static_cast<std::uint8_t>(std::clamp(100 - static_cast<int>(availablePercent), 0, 100));
    m.SwapFileSize = swapTotal - swapFree;
    m.SwapUsage =
        swapTotal > 0
            ? 100 - static_cast<std::int32_t>(static_cast<double>(swapFree) / static_cast<double>(swapTotal) * 100.0)
            : 0;
    m_memory = m;
}

void TSystemProbe::refreshKernel()
{
    TKernel k;
    std::istringstream stat(readSmallFile(procFile("stat")));
    std::string label;
    if ((stat >> label) && label == "cpu") {
        long long value = 0, total = 0, idle = 0;
        for (int field = 0; field < 8 && (stat >> value); ++field) {
            total += value;
            if (field == 3 || field == 4) // idle, iowait
                idle += value;
        }
        const long long busy = total - idle;
        const long long deltaTotal = total - m_cpuTotal;
        const long long deltaBusy = busy - m_cpuBusy;
        if (total > 0 && deltaTotal > 0 && deltaBusy >= 0)
            k.CPUUsage = clampInt32(std::min<long long>(deltaBusy * 100 / deltaTotal, 100));
        else if (total > 0)
            k.CPUUsage = m_kernel.CPUUsage == -1 ? 0 : m_kernel.CPUUsage;
        m_cpuTotal = total;
        m_cpuBusy = busy;
    }
    std::istringstream load(readSmallFile(procFile("loadavg")));
    std::string a, b, c, tasks;
    if (load >> a >> b >> c >> tasks) {
        const std::size_t slash = tasks.find('/');
        if (slash != std::string::npos) {
            std::istringstream number(tasks.substr(slash + 1));
            long long total = -1;
            if (number >> total)
                k.Threads = clampInt32(total);
        }
    }
    m_kernel = k;
}

void TSystemProbe::refreshDialUp(std::int64_t now)
{
    TDialUp d;
    std::istringstream in(readSmallFile(procFile("net/dev")));
    std::string line;
    bool any = false;
    long long recvd = 0, xmit = 0;
    while (std::getline(in, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(0, name.find_first_not_of(' '));
        if (name.rfind("ppp", 0) != 0)
            continue;
        std::istringstream fields(line.substr(colon + 1));
        long long value = 0, r = -1, x = -1;
        for (int field = 0; field < 9 && (fields >> value); ++field) {
            if (field == 0)
                r = value;
            if (field == 8)
                x = value;
        }
        if (r < 0 || x < 0)
            continue;
        any = true;
        recvd += r;
        xmit += x;
    }
    if (any) {
        d.TotalBytesRecvd = recvd;
        d.TotalBytesXmit = xmit;
        const std::int64_t elapsed = now - m_lastNetTick;
        if (m_lastRecvd >= 0 && elapsed > 0 && recvd >= m_lastRecvd && xmit >= m_lastXmit) {
            d.BytesRecvd = (recvd - m_lastRecvd) * 1000 / elapsed;
            d.BytesXmit = (xmit - m_lastXmit) * 1000 / elapsed;
        }
    }
    m_lastRecvd = any ? recvd : -1;
    m_lastXmit = any ? xmit : -1;
    m_lastNetTick = now;
    m_dialUp = d;
}

} // namespace quillarc
