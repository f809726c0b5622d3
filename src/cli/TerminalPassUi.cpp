#include "cli/TerminalPassUi.h"

#include "cli/WakeUp.h"
#include "engine/OneLine.h"

#include "engine/DiskFullRules.h"
#include "base/AsciiCase.h"

#include <cerrno>
#include <iostream>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quillarc {

TerminalPassUi::TerminalPassUi(bool canAsk, bool yes)
    : m_interactive(canAsk), m_yesToRoom(yes), m_progressShown(::isatty(STDERR_FILENO) == 1)
{
    // Questions go to the terminal itself, so that they are seen even when
    // the output is sent to a file.
    if (m_interactive)
        m_tty = std::fopen("/dev/tty", "we");
}

TerminalPassUi::~TerminalPassUi()
{
    if (m_tty)
        std::fclose(m_tty);
}

void TerminalPassUi::say(const std::string &text)
{
    std::FILE *out = m_tty ? m_tty : stderr;
    std::fputs(text.c_str(), out);
    std::fflush(out);
}

std::string TerminalPassUi::asLines(const std::string &text)
{
    std::string lines = text;
    for (char &c : lines)
        if (c == '\r')
            c = '\n';
    return lines;
}

void TerminalPassUi::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit)
{
    const std::lock_guard lock(m_terminal);
    if (line != StatusLine::File)
        return;
    m_fileLine = oneLine(prefix + path);
    drawProgress(false);
}

void TerminalPassUi::setTotalBar(int percent)
{
    const std::lock_guard lock(m_terminal);
    m_totalBar = percent;
    drawProgress(false);
}

void TerminalPassUi::setFolderBar(int percent)
{
    const std::lock_guard lock(m_terminal);
    m_folderBar = percent;
    drawProgress(false);
}

void TerminalPassUi::drawProgress(bool force)
{
    if (!m_progressShown || m_ended)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastDraw < std::chrono::milliseconds(100))
        return;
    m_lastDraw = now;
    struct winsize size {};
    int width = 80;
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        width = size.ws_col;
    char bars[32];
    std::snprintf(bars, sizeof bars, "[%3d%% %3d%%] ", m_totalBar, m_folderBar);
    std::string text = bars;
    const std::size_t room = static_cast<std::size_t>(width - 1) - text.size();
    // Keep the end of a long path, where the file name is.
    text += m_fileLine.size() > room ? "..." + m_fileLine.substr(m_fileLine.size() - (room - 3)) : m_fileLine;
    std::cerr << "\r\033[K" << text << std::flush;
    m_drawnProgress = true;
}

void TerminalPassUi::clearProgress()
{
    if (m_drawnProgress)
        std::cerr << "\r\033[K" << std::flush;
    m_drawnProgress = false;
}

void TerminalPassUi::hideProgress()
{
    const std::lock_guard lock(m_terminal);
    clearProgress();
}

void TerminalPassUi::showVolumeLabel(const std::string &label)
{
    const std::lock_guard lock(m_terminal);
    clearProgress();
    std::cerr << "Current Volume  " << oneLine(label) << "\n";
}

void TerminalPassUi::message(const std::string &text)
{
    const std::lock_guard lock(m_terminal);
    clearProgress();
    std::cerr << asLines(text) << "\n";
}

bool TerminalPassUi::readLine(std::string &line)
{
    // Polled rather than blocking in read(): the interrupt is seen within a
    // tenth of a second, whichever thread took the signal.
    for (;;) {
        const std::size_t end = m_typed.find('\n');
        if (end != std::string::npos) {
            line = m_typed.substr(0, end);
            m_typed.erase(0, end + 1);
            return true;
        }
        if (m_interrupt && m_interrupt->isSet())
            return false;
        struct pollfd in {
            STDIN_FILENO, POLLIN, 0
        };
        const int ready = ::poll(&in, 1, 100);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) { // end of input (Ctrl-D) or a terminal that went away
            m_typed.clear();
            return false;
        }
        m_typed.append(buffer, static_cast<std::size_t>(n));
    }
}

bool isYesAnswer(const std::string &answer)
{
    const std::size_t first = answer.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    const std::string word = toLowerAscii(answer.substr(first, answer.find_last_not_of(" \t") - first + 1));
    return word == "y" || word == "yes";
}

bool TerminalPassUi::askYes(const std::string &question)
{
    say(asLines(question) + " (y/N) ");
    std::string answer;
    if (!readLine(answer)) {
        say("\n");
        return false;
    }
    return isYesAnswer(answer);
}

bool TerminalPassUi::confirm(const std::string &text)
{
    const std::lock_guard lock(m_terminal);
    clearProgress();
    if (m_yesToRoom) {
        std::cerr << asLines(text) << " yes (--yes)\n";
        return true;
    }
    if (!m_interactive) {
        std::cerr << asLines(text) << " Cancel (no terminal; --yes answers Yes)\n";
        return false;
    }
    return askYes(text);
}

bool TerminalPassUi::askForDiskBack(const std::string &text)
{
    const std::lock_guard lock(m_terminal);
    clearProgress();
    if (!m_interactive) {
        std::cerr << asLines(text) << " Cancel (no terminal to wait for the disk)\n";
        return false;
    }
    return askYes(text);
}

DiskFullResult TerminalPassUi::diskFull(const DiskFullRules &rules)
{
    const std::lock_guard lock(m_terminal);
    clearProgress();
    if (!m_interactive) {
        std::cerr << "Disk Full\n" << DiskFullRules::headline() << "\n";
        std::cerr << "Current Volume  " << oneLine(rules.currentLabel()) << "\n";
        std::cerr << "CANCEL (no terminal to wait for a new disk)\n";
        return DiskFullResult::Cancel;
    }
    say("Disk Full\n" + DiskFullRules::headline() + "\n");
    say("Current Volume  " + oneLine(rules.currentLabel()) + "\n");
    for (;;) {
        say("Put in a new formatted disk with a volume label, then press Enter (READY),\n"
            "or type c and Enter (CANCEL): ");
        std::string answer;
        if (!readLine(answer)) {
            say("\n");
            return DiskFullResult::Cancel;
        }
        if (answer == "c" || answer == "C") {
            if (askYes(DiskFullRules::cancelQuestion()))
                return DiskFullResult::Cancel;
            continue;
        }
        const std::string refusal = rules.readyRefusal();
        if (refusal.empty())
            return DiskFullResult::Ready;
        say(asLines(refusal) + "\n");
        say("Current Volume  " + oneLine(rules.currentLabel()) + "\n");
    }
}

void TerminalPassUi::passEnded()
{
    if (m_wake)
        m_wake->notify();
}

void TerminalPassUi::endProgress()
{
    const std::lock_guard lock(m_terminal);
    drawProgress(true);
    clearProgress();
    m_ended = true;
}

} // namespace quillarc
