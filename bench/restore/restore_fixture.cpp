// Records every file below a folder of a disk (a folder medium) in a
// catalogue, as a pass would have: mirror path, size, time, mode, owner and
// content hash. Usage: bench_restore_fixture CATALOGUE DISK_ROOT LABEL
#include "catalogue/Catalogue.h"
#include "catalogue/ContentHasher.h"
#include "catalogue/DiskLayout.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s CATALOGUE DISK_ROOT LABEL\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    quillarc::Catalogue catalogue(argv[1]);
    const std::int64_t disk = catalogue.disk({argv[3], {}});
    const fs::path root = argv[2];
    const std::string stamp = quillarc::disklayout::passStamp(std::chrono::system_clock::now());
    std::vector<char> buffer(1 << 20);
    long count = 0;
    catalogue.begin();
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        const std::string path = fs::relative(entry.path(), root).string();
        if (!entry.is_regular_file() || quillarc::disklayout::isOwnPath(path) || path == ".quillarc-label")
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        if (fd < 0 || ::fstat(fd, &status) != 0)
            return 1;
        quillarc::ContentHasher hasher;
        for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;)
            hasher.update(buffer.data(), static_cast<std::size_t>(got));
        ::close(fd);
        quillarc::CopyRecord record;
        record.path = path;
        record.size = status.st_size;
        record.modifiedNs = std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
        record.mode = status.st_mode;
        record.uid = status.st_uid;
        record.gid = status.st_gid;
        record.hash = hasher.digest();
        record.passStamp = stamp;
        catalogue.recordCopy(disk, record);
        ++count;
    }
    catalogue.commit();
    std::printf("%ld copies catalogued\n", count);
    return 0;
}
