#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/PassUi.h"

namespace quillarc {

/// PassUi for tests: records every call, answers questions from a script
/// and plays the disk-full dialog by its real rules, pressing the buttons
/// the script gives. Everything runs inline on the calling thread.
class ScriptedPassUi : public PassUi {
public:
    /// One press in the disk-full dialog, after `before` has run (e.g. to
    /// change the disk in the drive).
    struct Press {
        enum Button { Ready, Cancel } button = Ready;
        std::function<void()> before;
    };

    // Script
    std::deque<bool> confirmAnswers; ///< answers to confirm(); Cancel once used up
    std::deque<Press> dialogPresses; ///< presses in disk-full dialogs; then the dialog is closed
    /// Called after every status line change with the line's full text.
    std::function<void(StatusLine, const std::string &)> onStatus;

    // Record
    std::string fileLine;
    std::string folderLine;
    std::vector<std::string> fileLines; ///< every text the file line showed
    std::vector<int> totalBars;
    std::vector<int> folderBars;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> dialogLabels; ///< "Current Volume" of each dialog shown
    std::vector<std::string> shownLabels;
    std::vector<long long> freeSpaceShown;
    int progressHidden = 0;
    int windowThreadCalls = 0;
    int passesEnded = 0;

    void setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit) override;
    void setTotalBar(int percent) override { totalBars.push_back(percent); }
    void setFolderBar(int percent) override { folderBars.push_back(percent); }
    void hideProgress() override { ++progressHidden; }
    void showFreeSpace(std::int64_t freeBytes) override { freeSpaceShown.push_back(freeBytes); }
    void showVolumeLabel(const std::string &label) override { shownLabels.push_back(label); }
    void message(const std::string &text) override { messages.push_back(text); }
    bool confirm(const std::string &text) override;
    DiskFullResult diskFull(const DiskFullRules &rules) override;
    void runOnWindowThread(const std::function<void()> &work) override
    {
        ++windowThreadCalls;
        work();
    }
    void passEnded() override { ++passesEnded; }
};

} // namespace quillarc
