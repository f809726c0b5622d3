#include "catalogue/ContentHasher.h"
#include "catalogue/support/Command.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quillarc {
namespace {

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char &byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// The hash must be the one xxh128sum prints, so that a disk's manifest can
// be checked on any computer; sizes around XXH3's internal block and stripe
// lengths, fed in uneven pieces as a copier would.
TEST(ContentHasher, equalsXxh128sumWhateverThePieces)
{
    test::TempFolder folder;
    const std::size_t sizes[] = {0, 1, 16, 128, 129, 240, 241, 1024, 65536 + 7, (3u << 20) + 5};
    unsigned seed = 1;
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string bytes = randomBytes(size, seed++);
        folder.write("data", bytes);
        const test::CommandResult tool = test::runCommand("xxh128sum data", folder.folder());
        ASSERT_EQ(tool.status, 0) << "xxh128sum (package xxhash) is needed";
        const std::string expected = tool.out.substr(0, 32);

        for (const std::size_t piece : {std::size_t {1} << 20, std::size_t {7}, std::size_t {4096}}) {
            ContentHasher hasher;
            hasher.update("stale", 5);
            hasher.reset();
            for (std::size_t at = 0; at < bytes.size(); at += piece)
                hasher.update(bytes.data() + at, std::min(piece, bytes.size() - at));
            EXPECT_EQ(hasher.digest().hex(), expected) << "pieces of " << piece;
        }
        EXPECT_EQ(ContentHasher::of(bytes.data(), bytes.size()).hex(), expected);
    }
}

TEST(Hash128, hexReadsBackAndRejectsAnythingElse)
{
    const Hash128 hash {0x0123456789abcdefULL, 0xfedcba9876543210ULL};
    EXPECT_EQ(hash.hex(), "0123456789abcdeffedcba9876543210");
    EXPECT_EQ(Hash128::fromHex(hash.hex()), hash);
    EXPECT_EQ(Hash128::fromHex("0123456789ABCDEFFEDCBA9876543210"), hash);
    for (const char *bad : {"", "0123456789abcdeffedcba987654321", "0123456789abcdeffedcba98765432100",
                            "0123456789abcdeffedcba987654321g", " 123456789abcdeffedcba9876543210"})
        EXPECT_FALSE(Hash128::fromHex(bad)) << bad;
}

} // namespace
} // namespace quillarc
