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
        return std::make_unique<TSystemProbe>(sources, nullptr);
    }

    test::TempFolder dir;
    std::int64_t limit = 12;
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

TEST_F(FakeProc, MissingOrGarbledFilesKeepTheLastFigures)
{
    put("meminfo", "MemTotal: 1000 kB\nMemAvailable: 500 kB\n");
    put("sys/fs/file-nr", "10 0 100");
    auto p = probe();
    p->Refresh();
    EXPECT_EQ(p->Memory().MemoryLoad, 50);
    EXPECT_EQ(p->Resources().SystemResources, 90);

    put("meminfo", "garbage\nMemTotal: lots\n");
    put("sys/fs/file-nr", "x y z");
    p->Refresh();
    EXPECT_EQ(p->Memory().MemoryLoad, 50);
    EXPECT_EQ(p->Resources().SystemResources, 90);
    EXPECT_EQ(p->Resources().UserResources, 100); // never readable: the starting figure

    TMemory none;
    EXPECT_EQ(none.PhysicalUsedPercent(), 0); // no division by a zero total
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
}

} // namespace quillarc
