// Generates a program folder's catalogue of a backup set for the --find
// benchmark: six disks (two rotations of three spanning disks each), home
// trees of four people, and versions, to a given number of copies.
// Prints how long recording took, per copy.
//
// With a folder, also times writing the first disk's own catalogue and
// manifest into it, as a pass does at each flush.
//
// Usage: bench_catalogue_gen FILE [COPIES [FOLDER]]   (default 1,000,000)

#include "catalogue/Catalogue.h"
#include "catalogue/ContentHasher.h"

#include <chrono>
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using quillarc::Catalogue;
using quillarc::CopyRecord;

const std::vector<std::string> kWords = {
    "report",  "invoice", "holiday", "budget",  "letter", "notes",    "photo",   "scan",   "draft",  "summary",
    "meeting", "project", "family",  "garden",  "recipe", "contract", "tax",     "school", "music",  "backup",
    "plan",    "review",  "thesis",  "chapter", "slides", "minutes",  "receipt", "manual", "sketch", "poster"};
const std::vector<std::string> kExtensions = {".odt",  ".ods", ".pdf", ".jpg", ".png", ".txt", ".mp3",
                                              ".flac", ".cpp", ".h",   ".md",  ".zip", ".odp", ".csv"};
const std::vector<std::string> kTops = {"Documents", "Pictures", "Music", "Projects", ".config", "Desktop", "Mail"};

struct FileShape {
    std::string path;
    std::int64_t size;
};

std::vector<FileShape> makeFiles(std::size_t count, std::mt19937_64 &random)
{
    std::vector<FileShape> files;
    files.reserve(count);
    const char *people[] = {"ann", "bob", "cleo", "dev"};
    for (std::size_t i = 0; i < count; ++i) {
        // About 25 files a folder, three to six levels below home.
        const std::size_t folder = i / 25;
        std::string path = std::string("home/") + people[folder % 4] + "/" + kTops[(folder / 4) % kTops.size()];
        std::size_t rest = folder / 28;
        for (int level = 0; level < 1 + static_cast<int>(folder % 3); ++level) {
            path += "/" + kWords[rest % kWords.size()] + "-" + std::to_string(rest % 97);
            rest /= 7;
        }
        path += "/" + kWords[random() % kWords.size()] + "_" + std::to_string(i) +
                kExtensions[random() % kExtensions.size()];
        files.push_back({path, static_cast<std::int64_t>(random() % (1u << 20))});
    }
    return files;
}

CopyRecord recordOf(const FileShape &file, const std::string &stamp, std::int64_t modifiedNs)
{
    CopyRecord copy;
    copy.path = file.path;
    copy.size = file.size;
    copy.modifiedNs = modifiedNs;
    copy.sourceChangedNs = modifiedNs + 1000;
    copy.mode = 0100644;
    copy.uid = 1000;
    copy.gid = 1000;
    copy.hash = quillarc::ContentHasher::of(file.path.data(), file.path.size());
    copy.passStamp = stamp;
    return copy;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [COPIES]\n", argv[0]);
        return 2;
    }
    const std::size_t copies = argc > 2 ? std::stoul(argv[2]) : 1'000'000;
    // Two rotations each hold every file once; a tenth of the copies are versions.
    const std::size_t versions = copies / 10;
    const std::size_t distinct = (copies - versions) / 2;
    std::mt19937_64 random(42);
    const std::vector<FileShape> files = makeFiles(distinct, random);

    Catalogue catalogue(argv[1]);
    std::vector<std::int64_t> disks;
    for (int i = 1; i <= 6; ++i) {
        disks.push_back(catalogue.disk({"BACKUP" + std::to_string(i), "uuid-" + std::to_string(i)}));
        catalogue.diskSeen(disks.back(), "2026-12-0" + std::to_string(i) + "T200000Z", 1'000'000'000);
    }
    const auto start = std::chrono::steady_clock::now();
    std::size_t written = 0;
    std::size_t committed = 0;
    catalogue.begin();
    for (std::size_t i = 0; i < files.size(); ++i) {
        // Spanning: a file lies on one of the three disks of each rotation.
        const std::size_t part = i * 3 / files.size();
        const std::int64_t base = 1'790'000'000'000'000'000 + static_cast<std::int64_t>(i) * 1'000'000;
        catalogue.recordCopy(disks[part], recordOf(files[i], "2026-11-01T200000Z", base));
        catalogue.recordCopy(disks[3 + part], recordOf(files[i], "2026-11-02T200000Z", base));
        written += 2;
        if (i < versions) {
            // An older copy moved into the versions, then the newer one.
            const std::int64_t disk = disks[(i % 2) * 3 + part];
            catalogue.recordVersion(disk, files[i].path, "2026-11-20T200000Z");
            catalogue.recordCopy(disk, recordOf(files[i], "2026-11-20T200000Z", base + 86'400'000'000'000));
            ++written;
        }
        if (written - committed >= 50'000) {
            committed = written;
            catalogue.commit();
            catalogue.begin();
        }
    }
    catalogue.commit();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("recorded %zu copies of %zu files on 6 disks in %.1f s (%.1f us a copy)\n", written, files.size(),
                seconds, seconds * 1e6 / static_cast<double>(written));
    if (argc > 3) {
        const int folder = ::open(argv[3], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) {
            std::perror(argv[3]);
            return 1;
        }
        const auto begin = std::chrono::steady_clock::now();
        catalogue.writeDiskCopy(disks[0], folder);
        ::close(folder);
        const auto summary = catalogue.diskSummary(disks[0]);
        std::printf("the disk's own catalogue and manifest of %lld copies and %lld versions: %.2f s\n",
                    static_cast<long long>(summary->files), static_cast<long long>(summary->versions),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
    return 0;
}
