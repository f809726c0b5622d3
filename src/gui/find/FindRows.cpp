#include "gui/find/FindRows.h"

#include "catalogue/CatalogueText.h"

#include <algorithm>

namespace quillarc {

namespace {

std::string copyLine(const char *what, const CopyEntry &entry)
{
    std::string line = std::string(what) + " on " + entry.diskLabel + ": " + timeText(entry.copy.modifiedNs) + ", " +
                       sizeText(entry.copy.size);
    if (!entry.versionStamp.empty())
        line += ", kept in the versions of " + stampText(entry.versionStamp);
    return line + " (" + asOfText(entry) + ")";
}

void appendOnce(std::vector<std::string> &labels, const std::string &label)
{
    if (std::find(labels.begin(), labels.end(), label) == labels.end())
        labels.push_back(label);
}

std::string joined(const std::vector<std::string> &parts, const char *separator)
{
    std::string text;
    for (const std::string &part : parts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

// The copies of one file: entries [first, end).
FindRow rowOf(const std::vector<CopyEntry> &entries, std::size_t first, std::size_t end)
{
    FindRow row;
    const CopyEntry &newest = entries[first];
    row.newest = newest;
    row.path = newest.copy.path;
    const std::size_t slash = row.path.rfind('/');
    row.name = slash == std::string::npos ? row.path : row.path.substr(slash + 1);
    row.folder = "/" + (slash == std::string::npos ? std::string() : row.path.substr(0, slash));
    row.newestDisk = newest.diskLabel + ", " + asOfText(newest);
    row.details = "/" + row.path + "\n" + copyLine("newest copy", newest);
    std::vector<std::string> versionDisks;
    std::vector<std::string> older;
    if (!newest.versionStamp.empty()) {
        ++row.versions;
        appendOnce(versionDisks, newest.diskLabel);
    }
    for (std::size_t i = first + 1; i < end; ++i) {
        const CopyEntry &entry = entries[i];
        const bool version = !entry.versionStamp.empty();
        row.details += "\n" + copyLine(version ? "version" : "older copy", entry);
        if (version) {
            ++row.versions;
            appendOnce(versionDisks, entry.diskLabel);
        } else {
            older.push_back(entry.diskLabel + " " + asOfText(entry));
        }
    }
    row.versionsText = row.versions == 0 ? "none" : std::to_string(row.versions) + " on " + joined(versionDisks, ", ");
    row.olderText = joined(older, "; ");
    return row;
}

} // namespace

std::string asOfText(const CopyEntry &entry)
{
    return entry.diskLastSeen.empty() ? "disk never seen" : "as of " + stampText(entry.diskLastSeen);
}

std::vector<FindRow> findRows(const std::vector<CopyEntry> &entries, std::size_t most, std::size_t &files)
{
    std::vector<FindRow> rows;
    files = 0;
    std::size_t first = 0;
    while (first < entries.size()) {
        std::size_t end = first + 1;
        while (end < entries.size() && entries[end].copy.path == entries[first].copy.path)
            ++end;
        if (rows.size() < most)
            rows.push_back(rowOf(entries, first, end));
        ++files;
        first = end;
    }
    return rows;
}

} // namespace quillarc
