#include "engine/PassLog.h"

#include "engine/OneLine.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quillarc {

std::string passLogTime(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    struct tm local {};
    ::localtime_r(&seconds, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local);
    return text;
}

namespace {

std::string causeOf(int error)
{
    return std::generic_category().message(error);
}

} // namespace

PassLog::PassLog(const std::string &programFolder) : m_path(programFolder + kFileName)
{
}

std::string PassLog::entry(const PassOutcome &outcome, std::chrono::system_clock::time_point when)
{
    std::string text = passLogTime(when) + "  label \"" + oneLine(outcome.volumeLabel) + "\"  " +
                       passEndName(outcome.end) + "  " + std::to_string(outcome.filesCopied) + " copied  " +
                       std::to_string(outcome.filesMissed) + " missed";
    if (!outcome.listSaved)
        text += "  list not saved" + (outcome.listSaveError.empty() ? "" : ": " + oneLine(outcome.listSaveError));
    if (outcome.itemsLeft > 0)
        text += "  left for the next disk: " + std::to_string(outcome.itemsLeft) + " items, " +
                std::to_string(outcome.filesLeft) + " files of the item in hand";
    text += "\n";
    for (const MissedEntry &missed : outcome.missed)
        text += "  missed " + oneLine(missed.path) + "  (" + oneLine(missed.cause) + ")\n";
    for (const MissedEntry &note : outcome.notes)
        text += "  note " + oneLine(note.path) + "  (" + oneLine(note.cause) + ")\n";
    if (outcome.filesMissed > static_cast<std::int64_t>(outcome.missed.size()))
        text += "  ... and " + std::to_string(outcome.filesMissed - static_cast<std::int64_t>(outcome.missed.size())) +
                " more\n";
    return text;
}

bool PassLog::append(const PassOutcome &outcome, std::chrono::system_clock::time_point when, std::string &error) const
{
    try {
        struct stat st {};
        if (::lstat(m_path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= kRotateBytes)
            ::rename(m_path.c_str(), (m_path + ".1").c_str());
        // The log names the user's files: readable by the user alone.
        UniqueFd fd(::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
        if (!fd) {
            error = m_path + ": " + causeOf(errno);
            return false;
        }
        if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            error = m_path + ": not a regular file";
            return false;
        }
        const std::string text = entry(outcome, when);
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = m_path + ": " + causeOf(n < 0 ? errno : ENOSPC);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        if (!fd.close()) {
            error = m_path + ": " + causeOf(errno);
            return false;
        }
        return true;
    } catch (const std::exception &failure) {
        error = m_path + ": " + failure.what();
        return false;
    }
}

} // namespace quillarc
