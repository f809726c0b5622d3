// Times the pruning of a disk's versions as a pass that needs room for one
// file does it: oldest pass first, until `bytes` were given back.
//
//   bench_prune_versions DISK_ROOT BYTES
#include "engine/DiskVersions.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DISK_ROOT BYTES\n", argv[0]);
        return 2;
    }
    const int root = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        std::perror(argv[1]);
        return 2;
    }
    const long long wanted = std::atoll(argv[2]);
    long long pruned = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t given = quillarc::DiskVersions::prune(
        root, [&](std::int64_t bytes) { return bytes >= wanted; },
        [&](const std::string &, const std::string &) { ++pruned; });
    ::syncfs(root);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("pruned %lld versions, %lld bytes given back, in %.3f s (flushed)\n", pruned,
                static_cast<long long>(given), seconds);
    ::close(root);
    return 0;
}
