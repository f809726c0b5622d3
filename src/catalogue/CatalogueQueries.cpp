#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueImpl.h"

#include <algorithm>

namespace quillarc {

namespace {

// Per file, the newest copy first: the one whose source was changed last,
// then the one a later pass wrote, a disk's current copy before a version.
bool entryOrder(const CopyEntry &a, const CopyEntry &b)
{
    if (a.copy.path != b.copy.path)
        return a.copy.path < b.copy.path;
    if (a.copy.modifiedNs != b.copy.modifiedNs)
        return a.copy.modifiedNs > b.copy.modifiedNs;
    if (a.copy.passStamp != b.copy.passStamp)
        return a.copy.passStamp > b.copy.passStamp;
    if (a.versionStamp.empty() != b.versionStamp.empty())
        return a.versionStamp.empty();
    if (a.versionStamp != b.versionStamp)
        return a.versionStamp > b.versionStamp;
    return a.diskLabel < b.diskLabel;
}

const char *const kSummary =
    "SELECT d.id, d.label, d.uuid, d.last_seen, d.free_bytes, "
    "  coalesce(sum(c.version = 0), 0), coalesce(sum(CASE WHEN c.version = 0 THEN c.size END), 0), "
    "  coalesce(sum(c.version <> 0), 0), coalesce(max(vs.stamp), ''), coalesce(sum(c.mismatch), 0) "
    "FROM disks d LEFT JOIN copies c ON c.disk = d.id LEFT JOIN stamps vs ON vs.id = c.verified ";

DiskSummary readSummary(sqlite::Statement &row)
{
    DiskSummary summary;
    summary.id = row.integer(0);
    summary.label = row.text(1);
    summary.uuid = row.text(2);
    summary.lastSeen = row.text(3);
    summary.freeBytes = row.integer(4);
    summary.files = row.integer(5);
    summary.bytes = row.integer(6);
    summary.versions = row.integer(7);
    summary.lastVerified = row.text(8);
    summary.mismatches = row.integer(9);
    return summary;
}

} // namespace

ReadSnapshot::ReadSnapshot(sqlite::Database &db) : m_db(db), m_began(db.autocommit())
{
    if (m_began)
        m_db.exec("BEGIN");
}

ReadSnapshot::~ReadSnapshot()
{
    if (!m_began)
        return;
    try {
        m_db.exec("COMMIT");
    } catch (const CatalogueError &) {
        // Only reads were made: nothing is lost when the end is refused.
    }
}

std::vector<CopyEntry> Catalogue::Impl::entriesOf(const std::vector<std::int64_t> &names)
{
    static const std::string sql = std::string(kCopyColumns) + "WHERE c.name = ?";
    std::vector<CopyEntry> entries;
    sqlite::Statement &statement = db.cached(sql.c_str());
    for (const std::int64_t name : names) {
        sqlite::Use copies(statement);
        copies->bind(1, name);
        while (copies->step())
            entries.push_back(readEntry(*copies));
    }
    std::sort(entries.begin(), entries.end(), entryOrder);
    return entries;
}

std::vector<DiskSummary> Catalogue::disks() const
{
    std::vector<DiskSummary> all;
    auto statement = m_impl->db.prepare(std::string(kSummary) + "GROUP BY d.id ORDER BY d.label, d.id");
    while (statement->step())
        all.push_back(readSummary(*statement));
    return all;
}

std::optional<DiskSummary> Catalogue::diskSummary(std::int64_t disk) const
{
    auto statement = m_impl->db.prepare(std::string(kSummary) + "WHERE d.id = ? GROUP BY d.id");
    statement->bind(1, disk);
    if (!statement->step())
        return std::nullopt;
    return readSummary(*statement);
}

std::vector<CopyEntry> Catalogue::copiesUnder(std::string_view pathOrFolder) const
{
    const std::string_view path = trimmedPath(pathOrFolder);
    const ReadSnapshot snapshot(m_impl->db);
    std::vector<std::int64_t> names;
    if (const std::int64_t file = path.empty() ? 0 : m_impl->nameId(path, false); file != 0)
        names.push_back(file);
    // The folder itself and every folder below it: a range of the sorted
    // paths, so that the index answers it ('0' follows '/').
    std::string below = std::string(path) + "/";
    auto folders =
        m_impl->db.prepare(path.empty() ? std::string("SELECT n.id FROM names n")
                                        : std::string("SELECT n.id FROM folders f JOIN names n ON n.folder = f.id "
                                                      "WHERE f.path = ?1 OR (f.path >= ?2 AND f.path < ?3)"));
    if (!path.empty()) {
        std::string end = below;
        end.back() = '0';
        folders->bind(1, path).bind(2, below).bind(3, end);
    }
    while (folders->step())
        names.push_back(folders->integer(0));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return m_impl->entriesOf(names);
}

std::vector<StoredCopy> Catalogue::copiesOn(std::int64_t disk) const
{
    auto statement =
        m_impl->db.prepare(std::string(kCopyColumns) + "WHERE c.disk = ? ORDER BY vfs.stamp IS NOT NULL, vfs.stamp");
    statement->bind(1, disk);
    std::vector<StoredCopy> copies;
    while (statement->step())
        copies.push_back(Impl::readStored(*statement));
    std::stable_sort(copies.begin(), copies.end(), [](const StoredCopy &a, const StoredCopy &b) {
        if (a.verifiedAt != b.verifiedAt)
            return a.verifiedAt < b.verifiedAt;
        return a.copy.path < b.copy.path;
    });
    return copies;
}

} // namespace quillarc
