// How long the restore tree takes to open and to open a folder: the
// catalogue's one-level listing at the top, then down the first folder of
// each level, by source path and on one disk; median of five, each on a
// freshly opened catalogue as the dialog opens it.
#include "catalogue/Catalogue.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using quillarc::Catalogue;

namespace {

double medianMs(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void walk(const char *file, std::optional<std::int64_t> disk)
{
    std::string folder;
    for (int depth = 0; depth < 6; ++depth) {
        std::vector<double> times;
        std::size_t count = 0;
        std::string next;
        for (int run = 0; run < 5; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const Catalogue catalogue(file);
            const auto children = catalogue.childrenOf(folder, disk);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            count = children.size();
            next.clear();
            for (const auto &child : children)
                if (child.folder) {
                    next = child.name;
                    break;
                }
        }
        std::printf("%-10s /%-40s %6zu entries  %8.1f ms (open + list)\n", disk ? "one disk" : "every disk",
                    folder.c_str(), count, medianMs(times));
        if (next.empty())
            break;
        folder += (folder.empty() ? "" : "/") + next;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CATALOGUE\n", argv[0]);
        return 2;
    }
    walk(argv[1], std::nullopt);
    const Catalogue catalogue(argv[1]);
    const auto disks = catalogue.disks();
    if (!disks.empty())
        walk(argv[1], disks.front().id);
    return 0;
}
