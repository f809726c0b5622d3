#include <gtest/gtest.h>

#include "engine/PassLog.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

PassOutcome outcomeWithMissed()
{
    PassOutcome outcome;
    outcome.end = PassEnd::Complete;
    outcome.volumeLabel = "BACKUP1";
    outcome.filesCopied = 12;
    outcome.filesMissed = 2;
    outcome.listSaved = true;
    outcome.missed = {{"/home/ann/mail.db", "in use by another program (locked)"},
                      {"/home/ann/odd\nname", "cannot be read: Permission denied"}};
    return outcome;
}

TEST(PassLog, NamesEveryMissedFileOnItsOwnLine)
{
    const auto when = std::chrono::system_clock::from_time_t(0);
    const std::string entry = PassLog::entry(outcomeWithMissed(), when);
    EXPECT_NE(entry.find("  label \"BACKUP1\"  complete  12 copied  2 missed\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\n  missed /home/ann/mail.db  (in use by another program (locked))\n"), std::string::npos);
    // A line break in a name cannot split the entry.
    EXPECT_NE(entry.find("\n  missed /home/ann/odd\\x0Aname  (cannot be read: Permission denied)\n"), std::string::npos)
        << entry;

    PassOutcome unsaved = outcomeWithMissed();
    unsaved.listSaved = false;
    unsaved.listSaveError = "Disk full.";
    EXPECT_NE(PassLog::entry(unsaved, when).find("list not saved: Disk full."), std::string::npos);

    // A full disk's ending says what it left, and a pulled disk's is named.
    PassOutcome full = outcomeWithMissed();
    full.end = PassEnd::DiskFullCancelled;
    full.itemsLeft = 2;
    full.filesLeft = 14;
    EXPECT_NE(PassLog::entry(full, when)
                  .find("disk full, cancelled  12 copied  2 missed  left for the next disk: 2 "
                        "items, 14 files of the item in hand\n"),
              std::string::npos)
        << PassLog::entry(full, when);
    PassOutcome pulled = outcomeWithMissed();
    pulled.end = PassEnd::DiskVanished;
    EXPECT_NE(PassLog::entry(pulled, when).find("  backup disk removed  "), std::string::npos);
}

TEST(PassLog, AppendsAndRotatesAtItsBound)
{
    test::TempFolder folder;
    const PassLog log(folder.path());
    std::string error;
    const auto now = std::chrono::system_clock::now();
    ASSERT_TRUE(log.append(outcomeWithMissed(), now, error)) << error;
    ASSERT_TRUE(log.append(outcomeWithMissed(), now, error)) << error;
    EXPECT_EQ(readAll(log.path()), PassLog::entry(outcomeWithMissed(), now) + PassLog::entry(outcomeWithMissed(), now));
    struct stat st {};
    ASSERT_EQ(::stat(log.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the log names the user's files";

    fs::resize_file(log.path(), PassLog::kRotateBytes);
    ASSERT_TRUE(log.append(outcomeWithMissed(), now, error)) << error;
    EXPECT_EQ(fs::file_size(log.path() + ".1"), static_cast<std::uintmax_t>(PassLog::kRotateBytes));
    EXPECT_EQ(readAll(log.path()), PassLog::entry(outcomeWithMissed(), now));
}

TEST(PassLog, ALogThatCannotBeWrittenSaysWhy)
{
    test::TempFolder folder;
    const PassLog log(folder.path());
    fs::create_directory(log.path()); // a folder where the log should be
    std::string error;
    EXPECT_FALSE(log.append(outcomeWithMissed(), std::chrono::system_clock::now(), error));
    EXPECT_NE(error.find(log.path()), std::string::npos) << error;
}

} // namespace
} // namespace quillarc
