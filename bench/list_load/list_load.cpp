// Times loading and saving a disk list file of N items (default 100,000),
// and of N/10, to show that both grow in step with the list.
//
//   bench_list_load [ITEMS]

#include "base/AtomicFile.h"
#include "lists/BackupList.h"
#include "lists/DiskListFile.h"
#include "lists/Locale.h"
#include "lists/TextLines.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

void measure(const std::string &folder, std::size_t items)
{
    using namespace quillarc;
    // Paths in no particular order, as a list grown over years is written
    // sorted but loaded under another locale's order.
    std::mt19937 random(42);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < items; ++i) {
        lines.push_back("/home/ann/Folder" + std::to_string(random() % 1000) + "/Item" + std::to_string(random()));
        lines.emplace_back("12/27/2002 10:00:00 AM");
        lines.emplace_back("37617.4166666667");
        lines.emplace_back("Yes");
        lines.emplace_back("T");
    }
    writeFileAtomically(folder + "BENCH.ini", joinLinesCrLf(lines));

    // Every path counts as a folder: the figure is the list's, not stat's.
    const DiskListFile file(folder, [](const std::string &) { return PathKind::Folder; });
    BackupList list;
    const auto loadStart = Clock::now();
    file.loadItems("BENCH", list);
    const double load = seconds(loadStart);
    const auto saveStart = Clock::now();
    file.saveItems(DriveRoot("/media/ann/"), "BENCH", list);
    const double save = seconds(saveStart);
    std::printf("%8zu items: load %.3f s, save %.3f s\n", list.count(), load, save);
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t items = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quillarc-list-load";
    std::filesystem::create_directories(folder);
    measure(folder.string() + "/", items / 10);
    measure(folder.string() + "/", items);
    std::filesystem::remove_all(folder);
    return 0;
}
