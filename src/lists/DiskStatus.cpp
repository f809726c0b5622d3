#include "lists/DiskStatus.h"

#include "base/FolderListing.h"

#include "lists/AutoBackupSetting.h"
#include "lists/DiskStatusRecord.h"
#include "lists/PerLabelFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <optional>

namespace quillarc {

namespace {

struct LastPass {
    std::int64_t when = 0;
    std::string date, ending;
    std::int64_t copied = 0, missed = 0;
};

// The pass log writes control characters and backslashes of a label as
// \xHH; so is the label looked for.
std::string asLogged(const std::string &label)
{
    std::string out;
    for (const char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::int64_t secondsOf(const std::string &date)
{
    struct tm when {};
    const char *end = ::strptime(date.c_str(), "%Y-%m-%d %H:%M:%S %z", &when);
    if (end == nullptr || *end != '\0')
        return 0;
    const long offset = when.tm_gmtoff;
    return static_cast<std::int64_t>(::timegm(&when)) - offset;
}

std::int64_t countBefore(const std::string &field, const std::string &word)
{
    std::int64_t value = -1;
    if (field.size() > word.size() && field.ends_with(word)) {
        const std::string digits = field.substr(0, field.size() - word.size());
        std::from_chars(digits.data(), digits.data() + digits.size(), value);
    }
    return value;
}

// A header line: DATE  label "LABEL"  ENDING  N copied  M missed[  ...]
std::optional<LastPass> parseHeader(const std::string &line, const std::string &marker)
{
    const std::size_t at = line.find(marker);
    if (line.empty() || line[0] == ' ' || at == std::string::npos)
        return std::nullopt;
    LastPass pass;
    pass.date = line.substr(0, at);
    pass.when = secondsOf(pass.date);
    std::vector<std::string> fields;
    for (std::size_t from = at + marker.size(); from <= line.size();) {
        const std::size_t gap = line.find("  ", from);
        fields.push_back(line.substr(from, gap == std::string::npos ? std::string::npos : gap - from));
        if (gap == std::string::npos)
            break;
        from = gap + 2;
    }
    if (pass.when == 0 || fields.size() < 3)
        return std::nullopt;
    pass.ending = fields[0];
    pass.copied = countBefore(fields[1], " copied");
    pass.missed = countBefore(fields[2], " missed");
    if (pass.copied < 0 || pass.missed < 0)
        return std::nullopt;
    return pass;
}

std::optional<LastPass> lastLogged(const std::string &logPath, const std::string &label)
{
    const std::string marker = "  label \"" + asLogged(label) + "\"  ";
    std::optional<LastPass> last;
    for (const std::string &path : {logPath + ".1", logPath}) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        while (std::getline(in, line))
            if (auto pass = parseHeader(line, marker))
                last = std::move(pass);
    }
    return last;
}

std::string sizeText(std::int64_t bytes)
{
    static constexpr const char *kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    auto value = static_cast<double>(bytes);
    int unit = -1;
    while (value >= 1000.0 && unit < 4) {
        value /= 1000.0;
        ++unit;
    }
    char text[64];
    if (unit < 0)
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    else
        std::snprintf(text, sizeof text, "%lld bytes (%.1f %s)", static_cast<long long>(bytes), value, kUnits[unit]);
    return text;
}

} // namespace

std::string labelOfListFileName(const std::string &name)
{
    return labelOfPerLabelFileName(name, kListFileSuffix);
}

std::vector<std::string> knownLabels(const std::string &programFolder)
{
    std::vector<std::string> labels;
    FolderListing listing(programFolder);
    while (const struct dirent *entry = listing.next()) {
        std::string label = labelOfListFileName(entry->d_name);
        if (!label.empty())
            labels.push_back(std::move(label));
    }
    std::sort(labels.begin(), labels.end());
    return labels;
}

std::string diskStatusLines(const std::string &programFolder, const std::string &label, const std::string &logPath)
{
    const std::optional<DiskStatusRecord> record = DiskStatusRecords(programFolder).load(label);
    std::optional<LastPass> last = lastLogged(logPath, label);
    if (record && (!last || record->when > last->when))
        last = LastPass {record->when, record->date, record->ending, record->copied, record->missed};

    std::string text = "  last pass: ";
    text += last ? last->date + ", " + last->ending + ", " + std::to_string(last->copied) + " copied, " +
                       std::to_string(last->missed) + " missed"
                 : std::string("none yet");
    text += "\n  backed up when mounted: ";
    text += AutoBackupSetting(programFolder).isOn(label) ? "yes" : "no";
    text += "\n  free space when last seen: ";
    text += record && record->freeBytes >= 0 ? sizeText(record->freeBytes) + " (" + record->date + ")"
                                             : std::string("not known");
    return text + "\n";
}

} // namespace quillarc
