// Writes the disk's own catalogue and manifest of one disk of a catalogue
// into a folder, as a pass does at its end, and prints how long it took,
// so that its time and (under /usr/bin/time -v) its peak memory can be
// taken apart from a pass.
//
// Usage: bench_disk_copy CATALOGUE DISK_LABEL FOLDER

#include "catalogue/Catalogue.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s CATALOGUE DISK_LABEL FOLDER\n", argv[0]);
        return 2;
    }
    try {
        quillarc::Catalogue catalogue(argv[1]);
        const auto disk = catalogue.findDisk({argv[2], {}});
        if (!disk) {
            std::fprintf(stderr, "no disk labelled %s in %s\n", argv[2], argv[1]);
            return 2;
        }
        const int folder = ::open(argv[3], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) {
            std::perror(argv[3]);
            return 2;
        }
        const auto start = std::chrono::steady_clock::now();
        catalogue.writeDiskCopy(*disk, folder);
        std::printf("%.2f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        ::close(folder);
    } catch (const quillarc::CatalogueError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
