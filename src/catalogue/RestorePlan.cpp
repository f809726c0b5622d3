#include "catalogue/RestorePlan.h"

#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <tuple>

namespace quillarc {

namespace {

bool covers(std::string_view chosen, std::string_view path)
{
    if (chosen.empty())
        return true;
    return path.substr(0, chosen.size()) == chosen && (path.size() == chosen.size() || path[chosen.size()] == '/');
}

// The copy that stood for the file last: the newest pass; of one pass, the
// disk's current copy before a version; then the disk seen last.
bool preferred(const CopyEntry &a, const CopyEntry &b)
{
    const auto key = [](const CopyEntry &e) {
        return std::make_tuple(std::string_view(e.copy.passStamp), e.versionStamp.empty(),
                               std::string_view(e.versionStamp), std::string_view(e.diskLastSeen), -e.diskId);
    };
    return key(a) > key(b);
}

std::string baseName(std::string_view mirror)
{
    const auto slash = mirror.rfind('/');
    return std::string(slash == std::string_view::npos ? mirror : mirror.substr(slash + 1));
}

std::string targetOf(const RestoreRequest &request, std::string_view chosen, std::string_view path)
{
    if (request.targetFolder.empty())
        return "/" + std::string(path);
    std::string target = request.targetFolder;
    while (target.size() > 1 && target.back() == '/')
        target.pop_back();
    if (target != "/")
        target += '/';
    if (chosen.empty())
        return target + std::string(path);
    return target + baseName(chosen) + std::string(path.substr(chosen.size()));
}

PlannedFile planFile(std::vector<CopyEntry> candidates)
{
    std::sort(candidates.begin(), candidates.end(), preferred);
    PlannedFile file;
    file.source = candidates.front();
    // Copies of the same content first: any of them can stand in.
    std::stable_partition(candidates.begin() + 1, candidates.end(),
                          [&](const CopyEntry &e) { return e.copy.hash == file.source.copy.hash; });
    file.alternatives.assign(candidates.begin() + 1, candidates.end());
    return file;
}

} // namespace

std::string PlannedFile::pathOnDisk(const CopyEntry &entry)
{
    if (entry.versionStamp.empty())
        return entry.copy.path;
    return std::string(disklayout::kVersions) + "/" + entry.versionStamp + "/" + entry.copy.path;
}

std::int64_t RestorePlan::totalBytes() const
{
    std::int64_t total = 0;
    for (const DiskPlan &disk : disks)
        total += disk.bytes;
    return total;
}

std::size_t RestorePlan::fileCount() const
{
    std::size_t count = 0;
    for (const DiskPlan &disk : disks)
        count += disk.files.size();
    return count;
}

RestorePlan planRestore(const RestoreRequest &request, const std::vector<CopyEntry> &copies)
{
    // Outer folders first, so a file chosen twice keeps the tree of the
    // outermost choice.
    std::vector<std::string> chosen;
    RestorePlan plan;
    for (const std::string &path : request.paths) {
        if (auto mirror = mirrorPathOf(path))
            chosen.push_back(*mirror);
        else
            plan.notFound.push_back(path);
    }
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const std::string &a, const std::string &b) { return a.size() < b.size(); });

    std::map<std::string, std::vector<CopyEntry>> byPath;
    for (const CopyEntry &entry : copies) {
        if (!request.asOfStamp.empty() && entry.copy.passStamp > request.asOfStamp)
            continue;
        if (disklayout::isOwnPath(entry.copy.path))
            continue;
        byPath[entry.copy.path].push_back(entry);
    }

    std::vector<bool> used(chosen.size(), false);
    std::map<std::int64_t, DiskPlan> byDisk;
    for (auto &[mirrorPath, candidates] : byPath) {
        const std::string &path = mirrorPath;
        const auto owner =
            std::find_if(chosen.begin(), chosen.end(), [&](const std::string &c) { return covers(c, path); });
        if (owner == chosen.end())
            continue;
        used[static_cast<std::size_t>(owner - chosen.begin())] = true;
        PlannedFile file = planFile(std::move(candidates));
        file.target = targetOf(request, *owner, path);
        DiskPlan &disk = byDisk[file.source.diskId];
        disk.diskId = file.source.diskId;
        disk.label = file.source.diskLabel;
        disk.uuid = file.source.diskUuid;
        disk.bytes += file.source.copy.size;
        disk.files.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (!used[i])
            plan.notFound.push_back("/" + chosen[i]);
    for (auto &[id, disk] : byDisk)
        plan.disks.push_back(std::move(disk));
    std::sort(plan.disks.begin(), plan.disks.end(), [](const DiskPlan &a, const DiskPlan &b) {
        return std::tie(a.label, a.diskId) < std::tie(b.label, b.diskId);
    });
    return plan;
}

RestorePlan planRestore(const RestoreRequest &request, const Catalogue &catalogue)
{
    std::vector<CopyEntry> copies;
    std::set<std::tuple<std::int64_t, std::string, std::string>> seen; // a file under two choices counts once
    for (const std::string &path : request.paths) {
        const auto mirror = mirrorPathOf(path);
        if (!mirror)
            continue;
        for (CopyEntry &entry : catalogue.copiesUnder(*mirror))
            if (seen.emplace(entry.diskId, entry.copy.path, entry.versionStamp).second)
                copies.push_back(std::move(entry));
    }
    return planRestore(request, copies);
}

std::optional<std::string> mirrorPathOf(std::string_view absolutePath)
{
    if (absolutePath.empty() || absolutePath.front() != '/')
        return std::nullopt;
    std::string mirror;
    std::size_t start = 1;
    while (start <= absolutePath.size()) {
        std::size_t end = absolutePath.find('/', start);
        if (end == std::string_view::npos)
            end = absolutePath.size();
        const std::string_view part = absolutePath.substr(start, end - start);
        if (part == "." || part == "..")
            return std::nullopt;
        if (!part.empty()) {
            if (!mirror.empty())
                mirror += '/';
            mirror += part;
        }
        start = end + 1;
    }
    return mirror;
}

std::optional<std::string> asOfStampFromText(std::string_view text)
{
    const std::string value(text);
    int year = 0, month = 0, day = 0, hour = 23, minute = 59, second = 59;
    char rest = 0;
    if (value.size() == 18 && value[10] == 'T' && value.back() == 'Z' &&
        std::sscanf(value.c_str(), "%4d-%2d-%2dT%2d%2d%2dZ%c", &year, &month, &day, &hour, &minute, &second, &rest) ==
            6)
        return value;
    const int fields = std::sscanf(value.c_str(), "%4d-%2d-%2d %2d:%2d%c", &year, &month, &day, &hour, &minute, &rest);
    if (fields == 5)
        second = 59;
    else if (fields != 3 || value.size() != 10)
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || hour < 0 || minute < 0)
        return std::nullopt;
    std::tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    if (when == static_cast<std::time_t>(-1) || local.tm_mday != day)
        return std::nullopt;
    return disklayout::passStamp(std::chrono::system_clock::from_time_t(when));
}

} // namespace quillarc
