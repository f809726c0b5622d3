#include "cli/PassNotice.h"

#include <gtest/gtest.h>

namespace quillarc {
namespace {

PassNotice ended(PassEnd end, std::int64_t copied, std::int64_t missed, const std::string &missedPath = {},
                 const std::string &cause = {})
{
    PassNotice notice;
    notice.label = "BACKUP1";
    notice.outcome.end = end;
    notice.outcome.filesCopied = copied;
    notice.outcome.filesMissed = missed;
    notice.outcome.listSaved = end != PassEnd::Aborted;
    if (!missedPath.empty())
        notice.outcome.missed.push_back({missedPath, cause});
    notice.outcome.logPath = "/home/ann/.config/quillarc/quillarc.log";
    return notice;
}

PassNotice left(std::int64_t items, std::int64_t files)
{
    PassNotice notice = ended(PassEnd::DiskFullCancelled, 7, files + items - 1);
    notice.outcome.itemsLeft = items;
    notice.outcome.filesLeft = files;
    return notice;
}

PassNotice vanished()
{
    PassNotice notice = ended(PassEnd::DiskVanished, 4, 0);
    notice.outcome.listSaved = false;
    notice.outcome.listSaveError = "THE BACKUP DISK WENT AWAY";
    return notice;
}

TEST(PassNoticeTest, TellsTheLabelTheEndingAndTheCounts)
{
    const struct {
        PassNotice notice;
        const char *summary;
        const char *body;
        bool urgent;
    } cases[] = {
        {ended(PassEnd::Complete, 12, 0), "Backup onto BACKUP1: complete", "12 files copied, 0 files missed.", false},
        {ended(PassEnd::Complete, 1, 1), "Backup onto BACKUP1: complete", "1 file copied, 1 file missed.", true},
        // What a full disk left is named and counted.
        {left(1, 1), "Backup onto BACKUP1: disk full",
         "7 files copied, 1 file missed.\nThe disk is full: a fresh disk with a volume label of its own is needed "
         "for the rest (left for it: 1 item, 1 file of it).",
         true},
        {left(3, 14), "Backup onto BACKUP1: disk full",
         "7 files copied, 16 files missed.\nThe disk is full: a fresh disk with a volume label of its own is needed "
         "for the rest (left for it: 3 items, 14 files of the first, the others not reached).",
         true},
        // A disk pulled out is not a full one.
        {vanished(), "Backup onto BACKUP1: backup disk removed",
         "4 files copied, 0 files missed.\nThe backup disk went away before the pass ended: the next pass onto it "
         "copies again what may not have reached it.",
         true},
        {ended(PassEnd::WriteError, 3, 1, "/home/ann/x", "could not be written to the backup disk: No space"),
         "Backup onto BACKUP1: ended by a write error",
         "3 files copied, 1 file missed.\nStopped at /home/ann/x: could not be written to the backup disk: No space",
         true},
        {ended(PassEnd::Aborted, 0, 0), "Backup onto BACKUP1: aborted",
         "0 files copied, 0 files missed.\nThe backup list was not saved.", true},
    };
    for (const auto &c : cases) {
        const NoticeText text = noticeText(c.notice, false, false);
        EXPECT_EQ(text.summary, c.summary);
        EXPECT_EQ(text.body, std::string(c.body) + "\nPass log: /home/ann/.config/quillarc/quillarc.log") << c.summary;
        EXPECT_EQ(text.urgent, c.urgent) << c.summary;
    }
}

TEST(PassNoticeTest, TheLogIsALinkOnlyWhereTheServerShowsLinksAndTextIsEscapedForMarkup)
{
    PassNotice notice = ended(PassEnd::Complete, 2, 0);
    notice.label = "<b>&";
    notice.outcome.logPath = "/tmp/a b&<c>/quillarc.log";
    const NoticeText linked = noticeText(notice, true, true);
    EXPECT_EQ(linked.summary, "Backup onto <b>&: complete") << "the summary is never markup";
    EXPECT_EQ(linked.body, "2 files copied, 0 files missed.\nPass log: <a "
                           "href=\"file:///tmp/a%20b%26%3Cc%3E/quillarc.log\">/tmp/a b&amp;&lt;c&gt;/quillarc.log</a>");
    const NoticeText plain = noticeText(notice, false, false);
    EXPECT_EQ(plain.body, "2 files copied, 0 files missed.\nPass log: /tmp/a b&<c>/quillarc.log");
}

TEST(PassNoticeTest, ARefusalSaysWhyNoPassStarted)
{
    PassNotice notice;
    notice.label = "BACKUP1";
    notice.refusal = "NO FREE SPACE ON THIS DISK";
    const NoticeText text = noticeText(notice, false, false);
    EXPECT_EQ(text.summary, "Backup onto BACKUP1 not started");
    EXPECT_EQ(text.body, "NO FREE SPACE ON THIS DISK");
    EXPECT_TRUE(text.urgent);
}

} // namespace
} // namespace quillarc
