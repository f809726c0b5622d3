// Times Catalogue::find inside one process (opening the file included), the
// median of five runs per pattern, so that the figure leaves out the
// program's start.
//
// Usage: bench_catalogue_find FILE [--path] PATTERN...

#include "catalogue/Catalogue.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILE [--path] PATTERN...\n", argv[0]);
        return 2;
    }
    bool wholePath = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--path") == 0) {
            wholePath = true;
            continue;
        }
        std::vector<double> times;
        std::size_t files = 0;
        std::size_t copies = 0;
        for (int run = 0; run < 5; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const quillarc::Catalogue catalogue(argv[1]);
            const auto entries = catalogue.find(argv[i], wholePath);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            std::set<std::string> paths;
            for (const auto &entry : entries)
                paths.insert(entry.copy.path);
            files = paths.size();
            copies = entries.size();
        }
        std::sort(times.begin(), times.end());
        std::printf("%-28s %s%7.1f ms  %zu files, %zu copies\n", argv[i], wholePath ? "(path) " : "", times[2], files,
                    copies);
    }
    return 0;
}
