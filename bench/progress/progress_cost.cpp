// Does a slow window slow the pass down? Times the same pass over a tree of
// small files with a display that does nothing and with one that takes
// 50 microseconds per update, each delivered from the owner's thread 30
// times a second as the window does. Runs alternate; the medians are shown.
//
//   bench_progress_cost [FILES] [RUNS]     (defaults 20000 and 5)
#include "engine/BackupRun.h"
#include "engine/ExclusionTest.h"
#include "engine/PassUi.h"
#include "lists/BackupList.h"
#include "base/Clock.h"
#include "lists/DiskListFile.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quillarc;
namespace fs = std::filesystem;

namespace {

class TimedUi final : public PassUi {
public:
    explicit TimedUi(std::chrono::microseconds perUpdate) : cost_(perUpdate) {}
    void setStatus(StatusLine, const std::string &, const std::string &, PathFit) override { spend(); }
    void setTotalBar(int) override { spend(); }
    void setFolderBar(int) override { spend(); }
    void showFreeSpace(std::int64_t) override { spend(); }
    void showVolumeLabel(const std::string &) override { spend(); }
    void hideProgress() override {}
    void message(const std::string &) override {}
    bool confirm(const std::string &) override { return true; }
    DiskFullResult diskFull(const DiskFullRules &) override { return DiskFullResult::Cancel; }
    void passEnded() override {}
    long updates = 0;

private:
    void spend()
    {
        ++updates;
        const auto until = std::chrono::steady_clock::now() + cost_;
        while (std::chrono::steady_clock::now() < until) {
        }
    }
    std::chrono::microseconds cost_;
};

double timePass(const std::string &work, std::chrono::microseconds perUpdate, long &updates)
{
    const std::string medium = work + "/medium/";
    fs::remove_all(medium);
    fs::create_directories(medium);
    std::ofstream(medium + ".quillarc-label") << "BENCH\n";
    const std::string program = work + "/program/";
    fs::create_directories(program);

    BackupList list;
    BackupItem &item = list.append(work + "/source");
    list.setTexts(item, {"0/0/0 0:00", "0", "Yes"});
    list.setChecked(item, true);
    LinuxVolumeHost host;
    DiskListFile listFile(program);
    FileFilters filters;
    TimedUi ui(perUpdate);
    BackupRun run(RunSetup {list, ui, host, listFile, Clock::system(), filters, DriveRoot(medium), "BENCH", false});

    const auto began = std::chrono::steady_clock::now();
    if (!run.start()) {
        std::fprintf(stderr, "the pass did not start: %s\n", run.outcome().refusalMessage.c_str());
        std::exit(2);
    }
    while (run.workerRunning()) {
        run.deliverProgress();
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
    }
    const PassOutcome &outcome = run.wait();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    run.finished();
    if (!outcome.clean()) {
        std::fprintf(stderr, "the pass did not complete cleanly: %s\n", outcome.fileStatus.c_str());
        std::exit(2);
    }
    updates = ui.updates;
    return seconds;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const int files = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string work =
        (fs::temp_directory_path() / ("quillarc-progress-bench-" + std::to_string(::getpid()))).string();
    for (int i = 0; i < files; ++i) {
        const std::string folder = work + "/source/d" + std::to_string(i / 200);
        if (i % 200 == 0)
            fs::create_directories(folder);
        std::ofstream(folder + "/f" + std::to_string(i)) << std::string(64 + i % 512, 'x');
    }

    std::vector<double> quick, slow;
    long quickUpdates = 0, slowUpdates = 0;
    for (int r = 0; r < runs; ++r) {
        // Alternate which goes first, so that neither always meets a warmer cache.
        if (r % 2 == 0) {
            quick.push_back(timePass(work, std::chrono::microseconds(0), quickUpdates));
            slow.push_back(timePass(work, std::chrono::microseconds(50), slowUpdates));
        } else {
            slow.push_back(timePass(work, std::chrono::microseconds(50), slowUpdates));
            quick.push_back(timePass(work, std::chrono::microseconds(0), quickUpdates));
        }
    }
    fs::remove_all(work);
    const double a = median(quick), b = median(slow);
    std::printf("pass over %d small files, median of %d runs\n", files, runs);
    std::printf("  display taking no time:    %.3f s (%ld updates shown)\n", a, quickUpdates);
    std::printf("  display taking 50 us/update: %.3f s (%ld updates shown)\n", b, slowUpdates);
    std::printf("  ratio: %.3f\n", b / a);
    return 0;
}
