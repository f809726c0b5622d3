#include "platform/qt/TSystemProbe.h"

#include "support/ChildRun.h"
#include "support/TempFolder.h"
#include "platform/support/QtApp.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillarc {

namespace {

/// A made-up /proc with a clock and descriptor limit the test sets.
class FakeProc : public ::testing::Test {
protected:
    FakeProc()
    {
        test::ensureCoreApplication();
        std::filesystem::create_directories(dir / "sys/fs");
        std::filesystem::create_directories(dir / "sys/kernel");
        std::filesystem::create_directories(dir / "self/fd");
        std::filesystem::create_directories(dir / "net");
    }
    void put(const std::string &name, const std::string &text) { test::writeFile(dir / name, text); }
    void openDescriptors(int count)
    {
        for (int i = 0; i < count; ++i)
            put("self/fd/" + std::to_string(i), "");
    }
    std::unique_ptr<TSystemProbe> probe()
    {
        TSystemProbe::Sources sources;
        sources.procRoot = dir.folder();
        sources.descriptorLimit = [this] { return limit; };
        sources.ticks = [this] { return now; };
        return std::make_unique<TSystemProbe>(sources, nullptr);
    }

    test::TempFolder dir;
    std::int64_t limit = 12;
    std::int64_t now = 1000;
};

} // namespace

TEST_F(FakeProc, ReadsMemoryAndResourcesAsPercentages)
{
    put("meminfo", "MemTotal:  65536 kB\nMemFree: 100 kB\nMemAvailable:  16384 kB\nSwapTotal: 1000 kB\n"
                   "SwapFree: 250 kB\n");
    put("sys/fs/file-nr", "1000\t0\t10000\n");
    put("loadavg", "0.10 0.20 0.30 2/500 12345\n");
    put("sys/kernel/threads-max", "1000\n");
    openDescriptors(3);
    auto p = probe();
    p->Refresh();
    const TMemory &m = p->Memory();
    EXPECT_EQ(m.PhysicalTotal, 64u << 20);
    EXPECT_EQ(m.PhysicalFree, 16u << 20);
    EXPECT_EQ(m.PhysicalUsedPercent(), 75);
    EXPECT_EQ(m.MemoryLoad, 75);
    EXPECT_EQ(m.PageFileTotal, 1000u * 1024);
    EXPECT_EQ(m.SwapFileSize, 750 * 1024);
    EXPECT_EQ(m.SwapUsage, 75);
    EXPECT_EQ(m.VirtualTotal, (64u << 20) + 1000u * 1024);
    EXPECT_EQ(p->Resources().SystemResources, 90);
    EXPECT_EQ(p->Resources().UserResources, 50);
    EXPECT_EQ(p->Resources().GDIResources, 75);
}

TEST_F(FakeProc, PercentagesStayWithinZeroToHundred)
{
    const struct {
        const char *fileNr, *loadavg, *meminfo;
        int descriptors;
        int system, user, gdi, load;
    } cases[] = {
        {"0 0 100", "0 0 0 1/0 1", "MemTotal: 100 kB\nMemAvailable: 100 kB\n", 0, 100, 100, 100, 0},
        {"20000 0 10000", "0 0 0 1/5000 1", "MemTotal: 100 kB\nMemAvailable: 0 kB\n", 30, 0, 0, 0, 100},
        {"5 9 100", "0 0 0 1/1000 1", "MemTotal: 100 kB\nMemAvailable: 900 kB\n", 12, 100, 0, 0, 0},
    };
    for (const auto &c : cases) {
        put("sys/fs/file-nr", c.fileNr);
        put("loadavg", c.loadavg);
        put("sys/kernel/threads-max", "1000");
        put("meminfo", c.meminfo);
        std::filesystem::remove_all(dir / "self/fd");
        std::filesystem::create_directories(dir / "self/fd");
        openDescriptors(c.descriptors);
        auto p = probe();
        p->Refresh();
        SCOPED_TRACE(c.fileNr);
        EXPECT_EQ(p->Resources().SystemResources, c.system);
        EXPECT_EQ(p->Resources().UserResources, c.user);
        EXPECT_EQ(p->Resources().GDIResources, c.gdi);
        EXPECT_EQ(p->Memory().MemoryLoad, c.load);
        EXPECT_LE(p->Memory().PhysicalUsedPercent(), 100);
    }
}

TEST_F(FakeProc, MissingOrGarbledFilesKeepFiguresAndGiveMinusOne)
{
    put("meminfo", "MemTotal: 1000 kB\nMemAvailable: 500 kB\n");
    put("sys/fs/file-nr", "10 0 100");
    auto p = probe();
    p->Refresh();
    EXPECT_EQ(p->Memory().MemoryLoad, 50);
    EXPECT_EQ(p->Resources().SystemResources, 90);

    put("meminfo", "garbage\nMemTotal: lots\n");
    put("sys/fs/file-nr", "x y z");
    put("stat", "intr 1 2 3\n");
    put("net/dev", "nonsense");
    p->Refresh();
    EXPECT_EQ(p->Status(), "Ready");
    EXPECT_EQ(p->Memory().MemoryLoad, 50);
    EXPECT_EQ(p->Resources().SystemResources, 90);
    EXPECT_EQ(p->Resources().UserResources, 100); // never readable: the starting figure
    EXPECT_EQ(p->Kernel().CPUUsage, -1);
    EXPECT_EQ(p->Kernel().Threads, -1);
    EXPECT_EQ(p->Kernel().VMs, -1);
    EXPECT_EQ(p->DialUp().TotalBytesRecvd, -1);
    EXPECT_EQ(p->DialUp().BytesRecvd, -1);

    TMemory none;
    EXPECT_EQ(none.PhysicalUsedPercent(), 0); // no division by a zero total
}

TEST_F(FakeProc, KernelAndDialUpFiguresAreRatesBetweenRefreshes)
{
    put("stat", "cpu  10 0 10 80 0 0 0 0 0 0\ncpu0 1 1 1 1\n");
    put("loadavg", "0.1 0.2 0.3 3/321 99\n");
    const std::string header = "Inter-|   Receive |  Transmit\n face |bytes packets errs drop fifo frame compressed "
                               "multicast|bytes packets\n";
    put("net/dev",
        header + "    lo: 999 1 0 0 0 0 0 0 999 1 0 0 0 0 0 0\n  ppp0: 1000 5 0 0 0 0 0 0 2000 5 0 0 0 0 0 0\n");
    auto p = probe();
    p->Refresh();
    EXPECT_EQ(p->Kernel().CPUUsage, 20);
    EXPECT_EQ(p->Kernel().Threads, 321);
    EXPECT_EQ(p->DialUp().TotalBytesRecvd, 1000);
    EXPECT_EQ(p->DialUp().TotalBytesXmit, 2000);
    EXPECT_EQ(p->DialUp().BytesRecvd, -1); // no earlier sample yet
    EXPECT_EQ(p->DialUp().ConnectSpeed, -1);

    put("stat", "cpu  60 0 10 130 0 0 0 0 0 0\n");
    put("net/dev", header + "  ppp0: 3000 5 0 0 0 0 0 0 2500 5 0 0 0 0 0 0\n");
    now += 2000;
    p->Refresh();
    EXPECT_EQ(p->Kernel().CPUUsage, 50);
    EXPECT_EQ(p->DialUp().BytesRecvd, 1000);
    EXPECT_EQ(p->DialUp().BytesXmit, 250);

    put("net/dev", header + "    lo: 999 1 0 0 0 0 0 0 999 1 0 0 0 0 0 0\n");
    p->Refresh();
    EXPECT_EQ(p->DialUp().TotalBytesRecvd, -1); // no dial-up adapter
}

TEST_F(FakeProc, RefreshMeasuresItsFirstRunOnly)
{
    auto p = probe();
    EXPECT_EQ(p->RefreshInterval(), 5000);
    EXPECT_TRUE(p->AutoRefresh());
    EXPECT_TRUE(p->RefreshTimer().isActive());
    EXPECT_EQ(p->RefreshTime(), -1);
    EXPECT_EQ(p->Status(), "");

    int refreshed = 0;
    QString statusDuringEvent;
    p->OnRefreshed = [&](TSystemProbe *sender) {
        ++refreshed;
        statusDuringEvent = sender->Status();
    };
    p->setSmartRefresh(true);
    // The probe reads the clock before and after sampling: 40 ms pass.
    TSystemProbe::Sources sources;
    sources.procRoot = dir.folder();
    int calls = 0;
    sources.ticks = [&] { return calls++ == 0 ? 1000 : 1040; };
    TSystemProbe timed(sources, nullptr);
    timed.setSmartRefresh(true);
    timed.Refresh();
    EXPECT_EQ(timed.RefreshTime(), 40);
    EXPECT_EQ(timed.RefreshInterval(), 200);
    timed.setRefreshInterval(700);
    timed.Refresh();
    EXPECT_EQ(timed.RefreshTime(), 40);
    EXPECT_EQ(timed.RefreshInterval(), 700);

    // As on the main window: timer off, time preset to 1, so it never measures.
    p->setAutoRefresh(false);
    EXPECT_FALSE(p->RefreshTimer().isActive());
    p->setRefreshTime(1);
    p->Loaded();
    EXPECT_EQ(refreshed, 0);
    p->Refresh();
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(statusDuringEvent, "Ready");
    EXPECT_EQ(p->RefreshTime(), 1);
    EXPECT_EQ(p->RefreshInterval(), 5000);
    p->setRefreshInterval(1234);
    EXPECT_EQ(p->RefreshTimer().interval(), 1234);
}

// A first refresh quicker than a millisecond makes the smart interval 0. An
// interval of 0 or less stops the timer rather than refreshing on every turn
// of the event loop.
TEST_F(FakeProc, IntervalOfZeroOrLessStopsTheTimer)
{
    auto p = probe(); // the clock stands still: the first refresh takes 0 ms
    p->setSmartRefresh(true);
    p->Refresh();
    EXPECT_EQ(p->RefreshTime(), 0);
    EXPECT_EQ(p->RefreshInterval(), 0);
    EXPECT_TRUE(p->AutoRefresh());
    EXPECT_FALSE(p->RefreshTimer().isActive());

    p->setRefreshInterval(-5);
    p->setAutoRefresh(true);
    EXPECT_FALSE(p->RefreshTimer().isActive());
    p->setRefreshInterval(300);
    EXPECT_TRUE(p->RefreshTimer().isActive());
    EXPECT_EQ(p->RefreshTimer().interval(), 300);
    p->setAutoRefresh(false);
    p->setRefreshInterval(400);
    EXPECT_FALSE(p->RefreshTimer().isActive());
}

TEST(SystemProbe, ThisMachineGivesSaneFigures)
{
    test::ensureCoreApplication();
    TSystemProbe probe;
    probe.Refresh();
    EXPECT_GT(probe.Memory().PhysicalTotal, 0u);
    EXPECT_LE(probe.Memory().PhysicalFree, probe.Memory().PhysicalTotal);
    for (int figure :
         {int(probe.Resources().SystemResources), int(probe.Resources().GDIResources),
          int(probe.Resources().UserResources), int(probe.Memory().MemoryLoad), probe.Memory().PhysicalUsedPercent()}) {
        EXPECT_GE(figure, 0);
        EXPECT_LE(figure, 100);
    }
    EXPECT_GT(probe.Kernel().Threads, 0);
}

} // namespace quillarc
