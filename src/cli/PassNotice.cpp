#include "cli/PassNotice.h"

#include "cli/TerminalPassUi.h"

#include <filesystem>

namespace quillarc {

namespace {

std::string escaped(const std::string &text, bool markup)
{
    if (!markup)
        return text;
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string ending(PassEnd end)
{
    switch (end) {
    case PassEnd::Complete:
        return "complete";
    case PassEnd::Stopped:
        return "stopped";
    case PassEnd::Aborted:
        return "aborted";
    case PassEnd::DiskVanished:
        return "backup disk removed";
    case PassEnd::WriteError:
        return "ended by a write error";
    case PassEnd::DiskFullCancelled:
        return "disk full";
    case PassEnd::NotStarted:
        break;
    }
    return "not started";
}

std::string count(std::int64_t n, const char *what)
{
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

} // namespace

std::string leftForNextDisk(const PassOutcome &outcome)
{
    if (outcome.itemsLeft == 0)
        return {};
    return count(outcome.itemsLeft, "item") + ", " + count(outcome.filesLeft, "file") + " of " +
           (outcome.itemsLeft == 1 ? "it" : "the first, the others not reached");
}

std::string fileUrl(const std::string &path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                           c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

NoticeText noticeText(const PassNotice &notice, bool markup, bool links)
{
    NoticeText text;
    const std::string disk = notice.label.empty() ? std::string("the backup disk") : notice.label;
    if (!notice.refusal.empty()) {
        text.summary = "Backup onto " + disk + " not started";
        text.body = escaped(TerminalPassUi::asLines(notice.refusal), markup);
        text.urgent = true;
        return text;
    }
    const PassOutcome &outcome = notice.outcome;
    text.summary = "Backup onto " + disk + ": " + ending(outcome.end);
    text.urgent = !outcome.clean();
    std::string body =
        count(outcome.filesCopied, "file") + " copied, " + count(outcome.filesMissed, "file") + " missed.";
    // The file the write error stopped at is the last one missed.
    if (outcome.end == PassEnd::WriteError && !outcome.missed.empty())
        body += "\nStopped at " + outcome.missed.back().path + ": " + outcome.missed.back().cause;
    if (outcome.end == PassEnd::DiskFullCancelled) {
        const std::string left = leftForNextDisk(outcome);
        body += "\nThe disk is full: a fresh disk with a volume label of its own is needed for the rest" +
                (left.empty() ? std::string(".") : " (left for it: " + left + ").");
    }
    if (outcome.end == PassEnd::DiskVanished)
        body += "\nThe backup disk went away before the pass ended: the next pass onto it copies again what may "
                "not have reached it.";
    else if (!outcome.listSaved)
        body += "\nThe backup list was not saved" +
                (outcome.listSaveError.empty() ? std::string(".") : ": " + outcome.listSaveError);
    text.body = escaped(body, markup);
    if (!outcome.logPath.empty()) {
        std::error_code ignored;
        const std::string log = std::filesystem::absolute(outcome.logPath, ignored).string();
        text.body += "\nPass log: ";
        text.body += links ? "<a href=\"" + escaped(fileUrl(log), true) + "\">" + escaped(log, true) + "</a>"
                           : escaped(log, markup);
    } else if (!outcome.logError.empty()) {
        text.body += escaped("\nThe pass log could not be written: " + outcome.logError, markup);
    }
    return text;
}

} // namespace quillarc
