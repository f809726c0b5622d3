#include "engine/VerifyText.h"

#include "base/UniqueFd.h"
#include "catalogue/CatalogueText.h"
#include "engine/PassLog.h"

#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace quillarc {

namespace {

using Kind = VerifyFinding::Kind;

// A path may hold any byte but '/' and NUL: each finding stays one line.
std::string printable(const std::string &text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::string elsewhere(const VerifyFinding &finding)
{
    if (finding.goodElsewhere.empty())
        return " No other good copy is known.";
    std::string text = " Good copies:";
    for (const CopyEntry &entry : finding.goodElsewhere) {
        text += " " + entry.diskLabel;
        if (!entry.versionStamp.empty())
            text += " (versions of " + stampText(entry.versionStamp) + ")";
        text += entry.diskLastSeen.empty() ? "" : " as of " + stampText(entry.diskLastSeen);
        text += ";";
    }
    text.back() = '.';
    return text;
}

std::string heading(Kind kind)
{
    switch (kind) {
    case Kind::DiskCopyBad:
    case Kind::CopyBadSourceChanged:
        return "BAD COPY";
    case Kind::SourceBad:
        return "SOURCE WENT BAD";
    case Kind::SourceGone:
        return "BAD COPY, SOURCE GONE";
    case Kind::VersionBad:
        return "BAD VERSION";
    case Kind::Missing:
        return "MISSING";
    case Kind::Unreadable:
        return "UNREADABLE";
    }
    return {};
}

std::string what(const VerifyFinding &finding, const std::string &label)
{
    switch (finding.kind) {
    case Kind::DiskCopyBad:
        return "the copy on " + label + " differs from what was backed up; the source still holds it.";
    case Kind::CopyBadSourceChanged:
        return "the copy on " + label + " differs from what was backed up; the source has changed since.";
    case Kind::SourceBad:
        if (finding.diskCopyBad)
            return "the source differs from its backup though its modification time did not change, and the copy "
                   "on " +
                   label + " differs from what was backed up as well.";
        return "the source differs from its backup though its modification time did not change (" + finding.detail +
               "). The backup on " + label + " is kept: restore the file from it.";
    case Kind::SourceGone:
        return "the copy on " + label + " differs from what was backed up, and the source is gone.";
    case Kind::VersionBad:
        return "the version kept on " + label + " from " + stampText(finding.versionStamp) +
               " differs from what was backed up.";
    case Kind::Missing:
        return "the catalogue's copy is not on " + label + ".";
    case Kind::Unreadable:
        return "the copy on " + label + " cannot be read (" + finding.detail + ").";
    }
    return {};
}

} // namespace

std::string findingText(const VerifyFinding &finding, const std::string &drive, const std::string &label)
{
    std::string text = heading(finding.kind) + "  /" + printable(finding.path) + ": " + what(finding, label);
    if (!finding.movedTo.empty())
        text += " Moved aside to " + printable(drive + finding.movedTo) + ".";
    else if (finding.kind != Kind::SourceBad && finding.kind != Kind::Missing && !finding.detail.empty())
        text += " It " + finding.detail + ".";
    switch (finding.kind) {
    case Kind::SourceGone:
    case Kind::VersionBad:
        text += elsewhere(finding);
        break;
    case Kind::SourceBad:
        if (finding.diskCopyBad)
            text += elsewhere(finding);
        break;
    default:
        text += " The next pass copies the file again.";
        break;
    }
    return text + "\n";
}

std::string verifySummary(const VerifyReport &report, const std::string &label)
{
    std::string text = "Verify of " + label + ": " + std::to_string(report.checked) +
                       (report.checked == 1 ? " copy" : " copies") + " read (" + sizeText(report.bytes) + "), ";
    text += report.findings.empty() ? std::string("all good") : std::to_string(report.findings.size()) + " found wrong";
    if (report.left > 0)
        text += "; stopped with " + std::to_string(report.left) + " left for the next verify";
    return text + ".";
}

bool appendVerifyLog(const std::string &programFolder, const std::string &summary, const std::string &findings)
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char when[32];
    const std::size_t length = std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    const std::string entry = std::string(when, length) + "  " + summary + "\n" + findings;
    const UniqueFd log(
        ::open((programFolder + PassLog::kFileName).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!log)
        return false;
    return ::write(log.get(), entry.data(), entry.size()) == static_cast<ssize_t>(entry.size());
}

} // namespace quillarc
