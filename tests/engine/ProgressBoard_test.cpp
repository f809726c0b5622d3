#include <gtest/gtest.h>

#include "engine/ProgressBoard.h"

#include <atomic>
#include <thread>
#include <vector>

namespace quillarc {
namespace {

struct Display : ProgressDisplay {
    std::vector<std::string> lines;
    std::vector<int> totals;
    std::vector<std::int64_t> frees;
    std::vector<std::string> labels;
    void setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit) override
    {
        lines.push_back((line == StatusLine::File ? "file:" : "folder:") + prefix + path);
    }
    void setTotalBar(int percent) override { totals.push_back(percent); }
    void setFolderBar(int) override {}
    void showFreeSpace(std::int64_t freeBytes) override { frees.push_back(freeBytes); }
    void showVolumeLabel(const std::string &label) override { labels.push_back(label); }
};

// The display sees the latest of each value, once; list changes all, in
// the order they were made; nothing twice.
TEST(ProgressBoard, DeliversTheLatestValuesAndEveryListChange)
{
    ProgressBoard board;
    Display display;
    std::vector<ListChange> changes;
    EXPECT_FALSE(board.deliverTo(display, changes));

    board.setStatus(StatusLine::File, "", "/a");
    board.setStatus(StatusLine::File, "", "/b");
    board.setStatus(StatusLine::Folder, "Scanning .. ", "/x");
    board.setTotalBar(33);
    board.setTotalBar(66);
    board.showFreeSpace(100);
    board.postListChange({ListChange::Kind::CutOff, 0, 45000.5});
    board.postListChange({ListChange::Kind::Unchecked, 2, 0});
    ASSERT_TRUE(board.deliverTo(display, changes));

    EXPECT_EQ(display.lines, std::vector<std::string>({"file:/b", "folder:Scanning .. /x"}));
    EXPECT_EQ(display.totals, std::vector<int>({66}));
    EXPECT_EQ(display.frees, std::vector<std::int64_t>({100}));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].index, 0u);
    EXPECT_EQ(changes[0].cutOff, 45000.5);
    EXPECT_EQ(changes[1].kind, ListChange::Kind::Unchecked);

    changes.clear();
    EXPECT_FALSE(board.deliverTo(display, changes));
    board.showVolumeLabel("DISK2");
    ASSERT_TRUE(board.deliverTo(display, changes));
    EXPECT_EQ(display.labels, std::vector<std::string>({"DISK2"}));
    EXPECT_EQ(display.lines.size(), 2u) << "nothing delivered twice";
    EXPECT_TRUE(changes.empty());
}

// A display that takes its time never holds up the poster: posts made while
// a delivery is in the display go through and arrive with the next one.
TEST(ProgressBoard, ASlowDisplayDoesNotHoldUpThePoster)
{
    ProgressBoard board;
    std::atomic<bool> inDisplay {false};
    std::atomic<bool> release {false};
    struct Slow : Display {
        std::atomic<bool> *in;
        std::atomic<bool> *go;
        void setTotalBar(int percent) override
        {
            in->store(true);
            while (!go->load())
                std::this_thread::yield();
            Display::setTotalBar(percent);
        }
    } slow;
    slow.in = &inDisplay;
    slow.go = &release;
    board.setTotalBar(10);
    std::vector<ListChange> changes;
    std::thread shower([&] { board.deliverTo(slow, changes); });
    while (!inDisplay.load())
        std::this_thread::yield();
    for (int i = 0; i <= 100; ++i)
        board.setTotalBar(i); // would block here if the board were locked
    release.store(true);
    shower.join();
    board.deliverTo(slow, changes);
    EXPECT_EQ(slow.totals, std::vector<int>({10, 100}));
}

} // namespace
} // namespace quillarc
