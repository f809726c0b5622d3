#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#include "engine/PassState.h"
#include "engine/PassUi.h"

namespace quillarc {

class WakeUp;

/// True for a typed answer that means Yes: "y" or "yes" in any case, with
/// blanks around it allowed.
bool isYesAnswer(const std::string &answer);

/// PassUi on a terminal. Progress goes to standard error as one rewritten
/// line (only on a terminal, and at most ten times a second), drawn by
/// whichever thread delivers it; questions are asked on the worker, on the
/// terminal, and without one they get the answers the runner was told to
/// give. One lock keeps a question and the progress line apart.
class TerminalPassUi : public PassUi {
public:
    /// `interactive`: questions can be asked on standard input.
    /// `yesToRoom`: the room question is answered Yes without asking.
    TerminalPassUi(bool interactive, bool yesToRoom);
    ~TerminalPassUi() override;
    TerminalPassUi(const TerminalPassUi &) = delete;
    TerminalPassUi &operator=(const TerminalPassUi &) = delete;

    void setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit) override;
    void setTotalBar(int percent) override;
    void setFolderBar(int percent) override;
    void hideProgress() override;
    void showFreeSpace(std::int64_t) override {}
    void showVolumeLabel(const std::string &label) override;
    void message(const std::string &text) override;
    bool confirm(const std::string &text) override;
    DiskFullResult diskFull(const DiskFullRules &rules) override;
    /// Asked on the terminal only: --yes answers the room question, never
    /// this one, and without a terminal nobody is there to put a disk back.
    bool askForDiskBack(const std::string &text) override;
    void passEnded() override;
    /// The pass is over and its last progress delivered: the progress line
    /// is drawn once more and cleared for the final status rows.
    void endProgress();

    /// A wait for an answer ends, as if answered Cancel, once `flag` is set
    /// (Ctrl-C sets the pass's abort flag from the signal handler, which runs
    /// on whichever thread the kernel picks, seldom the one that waits).
    void endWaitsOn(const PassFlag &flag) { m_interrupt = &flag; }

    /// passEnded() wakes `wake` (the runner's main thread waits on it).
    void wakeOnEnd(const WakeUp *wake) { m_wake = wake; }
    /// True when a progress line is drawn (standard error is a terminal).
    bool showsProgress() const { return m_progressShown; }

    /// A '\r'-separated text as terminal lines.
    static std::string asLines(const std::string &text);

private:
    void say(const std::string &text);
    void drawProgress(bool force);
    void clearProgress();
    bool readLine(std::string &line);
    bool askYes(const std::string &question);

    std::mutex m_terminal;
    std::FILE *m_tty = nullptr;
    bool m_ended = false;
    const PassFlag *m_interrupt = nullptr;
    const WakeUp *m_wake = nullptr;
    std::string m_typed; ///< read from the terminal, not yet taken as a line
    bool m_interactive;
    bool m_yesToRoom;
    bool m_progressShown = false;
    bool m_drawnProgress = false;
    int m_totalBar = 0;
    int m_folderBar = 0;
    std::string m_fileLine;
    std::chrono::steady_clock::time_point m_lastDraw {};
};

} // namespace quillarc
