#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/PassUi.h"

namespace quillarc {

/// PassUi for tests: answers questions from a script and plays the
/// disk-full dialog by its real rules, pressing the buttons the script
/// gives. `echo`, given to the run as RunSetup::echo, records every status
/// line and bar as the pass posts it, on the worker; the display calls the
/// run delivers land in the `delivered*` fields.
class ScriptedPassUi : public PassUi {
public:
    /// One press in the disk-full dialog, after `before` has run (e.g. to
    /// change the disk in the drive).
    struct Press {
        enum Button {
            Ready,
            Cancel
        } button = Ready;
        std::function<void()> before;
    };

    // Script
    std::deque<bool> confirmAnswers; ///< answers to confirm(); Cancel once used up
    std::deque<Press> dialogPresses; ///< presses in disk-full dialogs; then the dialog is closed
    /// Called on the worker after every status line the pass posts, with
    /// the line's full text.
    std::function<void(StatusLine, const std::string &)> onStatus;
    /// Called on the worker with every question, before it is answered
    /// (e.g. to put a disk back).
    std::function<void(const std::string &)> onQuestion;

    // Record: as posted
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
    int passesEnded = 0;

    // Record: as delivered to the display
    std::string deliveredFileLine;
    std::string deliveredFolderLine;
    int deliveredTotalBar = -1;
    int deliveredFolderBar = -1;
    std::int64_t deliveredFreeSpace = -2;

    class Echo final : public ProgressDisplay {
    public:
        explicit Echo(ScriptedPassUi &ui) : ui_(ui) {}
        void setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit) override;
        void setTotalBar(int percent) override { ui_.totalBars.push_back(percent); }
        void setFolderBar(int percent) override { ui_.folderBars.push_back(percent); }
        void showFreeSpace(std::int64_t freeBytes) override { ui_.freeSpaceShown.push_back(freeBytes); }
        void showVolumeLabel(const std::string &label) override { ui_.shownLabels.push_back(label); }

    private:
        ScriptedPassUi &ui_;
    } echo {*this};

    void setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit) override;
    void setTotalBar(int percent) override { deliveredTotalBar = percent; }
    void setFolderBar(int percent) override { deliveredFolderBar = percent; }
    void showFreeSpace(std::int64_t freeBytes) override { deliveredFreeSpace = freeBytes; }
    void showVolumeLabel(const std::string &) override {}
    void hideProgress() override { ++progressHidden; }
    void message(const std::string &text) override { messages.push_back(text); }
    bool confirm(const std::string &text) override;
    DiskFullResult diskFull(const DiskFullRules &rules) override;
    void passEnded() override { ++passesEnded; }
};

} // namespace quillarc
