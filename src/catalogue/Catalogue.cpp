#include "catalogue/Catalogue.h"

#include "catalogue/CatalogueImpl.h"
#include "catalogue/CatalogueSchema.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <array>

namespace quillarc {

namespace {

std::array<unsigned char, 16> hashBytes(const Hash128 &hash)
{
    std::array<unsigned char, 16> bytes {};
    for (int i = 0; i < 8; ++i) {
        bytes[7 - i] = static_cast<unsigned char>(hash.high >> (8 * i));
        bytes[15 - i] = static_cast<unsigned char>(hash.low >> (8 * i));
    }
    return bytes;
}

} // namespace

Hash128 hashFromBlob(const std::string &bytes)
{
    Hash128 hash;
    if (bytes.size() != 16)
        return hash;
    for (int i = 0; i < 8; ++i) {
        hash.high = (hash.high << 8) | static_cast<unsigned char>(bytes[i]);
        hash.low = (hash.low << 8) | static_cast<unsigned char>(bytes[8 + i]);
    }
    return hash;
}

const char *const kCopyColumns =
    "SELECT f.path, n.name, c.size, c.modified, c.changed, c.mode, c.uid, c.gid, c.hash, ps.stamp, "
    "vs.stamp, vfs.stamp, c.mismatch, d.id, d.label, d.uuid, d.last_seen "
    "FROM copies c JOIN names n ON n.id = c.name JOIN folders f ON f.id = n.folder "
    "JOIN stamps ps ON ps.id = c.pass JOIN disks d ON d.id = c.disk "
    "LEFT JOIN stamps vs ON vs.id = c.version AND c.version <> 0 LEFT JOIN stamps vfs ON vfs.id = c.verified ";

std::string_view trimmedPath(std::string_view path)
{
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

std::pair<std::string_view, std::string_view> splitPath(std::string_view path)
{
    path = trimmedPath(path);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string_view(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

std::int64_t Catalogue::Impl::folderId(std::string_view folder, bool add)
{
    if (lastFolderId != 0 && lastFolder == folder)
        return lastFolderId;
    std::int64_t id = 0;
    {
        sqlite::Use find(db.cached("SELECT id FROM folders WHERE path = ?"));
        find->bind(1, folder);
        if (find->step())
            id = find->integer(0);
    }
    if (id == 0 && add) {
        sqlite::Use insert(db.cached("INSERT INTO folders(path) VALUES (?)"));
        insert->bind(1, folder).run();
        id = db.lastInsertId();
    }
    if (id != 0) {
        lastFolder.assign(folder);
        lastFolderId = id;
    }
    return id;
}

std::int64_t Catalogue::Impl::nameId(std::string_view path, bool add)
{
    const auto [folder, name] = splitPath(path);
    const std::int64_t folderKey = folderId(folder, add);
    if (folderKey == 0)
        return 0;
    {
        sqlite::Use find(db.cached("SELECT id FROM names WHERE folder = ? AND name = ?"));
        find->bind(1, folderKey).bind(2, name);
        if (find->step())
            return find->integer(0);
    }
    if (!add)
        return 0;
    sqlite::Use insert(db.cached("INSERT INTO names(folder, name) VALUES (?, ?)"));
    insert->bind(1, folderKey).bind(2, name).run();
    return db.lastInsertId();
}

std::int64_t Catalogue::Impl::stampId(std::string_view stamp, bool add)
{
    const auto known = stampIds.find(std::string(stamp));
    if (known != stampIds.end())
        return known->second;
    std::int64_t id = 0;
    {
        sqlite::Use find(db.cached("SELECT id FROM stamps WHERE stamp = ?"));
        find->bind(1, stamp);
        if (find->step())
            id = find->integer(0);
    }
    if (id == 0 && add) {
        sqlite::Use insert(db.cached("INSERT INTO stamps(stamp) VALUES (?)"));
        insert->bind(1, stamp).run();
        id = db.lastInsertId();
    }
    if (id != 0)
        stampIds.emplace(stamp, id);
    return id;
}

void Catalogue::Impl::forgetIds()
{
    lastFolderId = 0;
    stampIds.clear();
}

StoredCopy Catalogue::Impl::readStored(sqlite::Statement &row)
{
    StoredCopy stored;
    CopyRecord &copy = stored.copy;
    const std::string folder = row.text(0);
    copy.path = folder.empty() ? row.text(1) : folder + "/" + row.text(1);
    copy.size = row.integer(2);
    copy.modifiedNs = row.integer(3);
    copy.sourceChangedNs = row.integer(4);
    copy.mode = static_cast<std::uint32_t>(row.integer(5));
    copy.uid = static_cast<std::uint32_t>(row.integer(6));
    copy.gid = static_cast<std::uint32_t>(row.integer(7));
    copy.hash = hashFromBlob(row.blob(8));
    copy.passStamp = row.text(9);
    stored.versionStamp = row.text(10);
    stored.verifiedAt = row.text(11);
    stored.mismatch = row.integer(12) != 0;
    return stored;
}

CopyEntry Catalogue::Impl::readEntry(sqlite::Statement &row)
{
    StoredCopy stored = readStored(row);
    CopyEntry entry;
    entry.copy = std::move(stored.copy);
    entry.versionStamp = std::move(stored.versionStamp);
    entry.diskId = row.integer(13);
    entry.diskLabel = row.text(14);
    entry.diskUuid = row.text(15);
    entry.diskLastSeen = row.text(16);
    return entry;
}

namespace {

bool isNewFile(const std::string &file)
{
    struct stat st {};
    return ::stat(file.c_str(), &st) != 0 ? errno == ENOENT : st.st_size == 0;
}

} // namespace

Catalogue::Catalogue(const std::string &file) : Catalogue(file, isNewFile(file))
{
}

Catalogue::Catalogue(const std::string &file, bool isNew) : m_impl(std::make_unique<Impl>(file))
{
    // Readers (find, the window) go on while a pass writes; a power cut
    // loses at most the last transaction, never the file. A new file takes
    // the log before its tables are made, and without a sync of its empty
    // header (a power cut there can cost nothing but the new, empty file):
    // made under the rollback journal and then switched, they cost eight
    // syncs.
    // A file that is there is checked first, so that no other program's
    // database is switched to the log.
    constexpr const char *kModes = "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = OFF";
    if (isNew)
        m_impl->db.exec(std::string("PRAGMA synchronous = OFF; ") + kModes);
    schema::checkOrCreate(m_impl->db, "main", true, file);
    if (!isNew)
        m_impl->db.exec(kModes);
}

Catalogue::~Catalogue() = default;

const std::string &Catalogue::file() const
{
    return m_impl->db.file();
}

void Catalogue::check() const
{
    auto check = m_impl->db.prepare("PRAGMA quick_check");
    std::string findings;
    while (check->step()) {
        const std::string line = check->text(0);
        if (line != "ok")
            findings += (findings.empty() ? "" : "; ") + line;
    }
    if (!findings.empty())
        throw CatalogueError("The catalogue " + file() + " is damaged (" + findings.substr(0, 300) + ")", true);
}

std::optional<std::int64_t> Catalogue::findDisk(const DiskIdentity &id) const
{
    auto &db = m_impl->db;
    if (!id.uuid.empty()) {
        sqlite::Use byUuid(db.cached("SELECT id FROM disks WHERE uuid = ?"));
        byUuid->bind(1, id.uuid);
        if (byUuid->step())
            return byUuid->integer(0);
    }
    // A disk known only by its label, or (without a UUID here) the one of
    // that label seen last.
    sqlite::Use byLabel(db.cached("SELECT id FROM disks WHERE label = ? AND (uuid = '' OR ?2 = '') "
                                  "ORDER BY uuid <> '', last_seen DESC LIMIT 1"));
    byLabel->bind(1, id.label).bind(2, id.uuid);
    if (byLabel->step())
        return byLabel->integer(0);
    return std::nullopt;
}

std::int64_t Catalogue::disk(const DiskIdentity &id)
{
    auto &db = m_impl->db;
    if (const auto known = findDisk(id)) {
        sqlite::Use update(db.cached("UPDATE disks SET label = ?, uuid = CASE WHEN ? = '' THEN uuid ELSE ?2 END "
                                     "WHERE id = ?"));
        update->bind(1, id.label).bind(2, id.uuid).bind(3, *known).run();
        return *known;
    }
    sqlite::Use insert(db.cached("INSERT INTO disks(label, uuid) VALUES (?, ?)"));
    insert->bind(1, id.label).bind(2, id.uuid).run();
    return db.lastInsertId();
}

void Catalogue::diskSeen(std::int64_t disk, const std::string &stamp, std::int64_t freeBytes)
{
    sqlite::Use update(m_impl->db.cached("UPDATE disks SET last_seen = ?, free_bytes = ? WHERE id = ?"));
    update->bind(1, stamp).bind(2, freeBytes).bind(3, disk).run();
}

std::optional<CopyRecord> Catalogue::copyAt(std::int64_t disk, std::string_view path) const
{
    const std::int64_t name = m_impl->nameId(path, false);
    if (name == 0)
        return std::nullopt;
    static const std::string sql = std::string(kCopyColumns) + "WHERE c.name = ? AND c.disk = ? AND c.version = 0";
    sqlite::Use find(m_impl->db.cached(sql.c_str()));
    find->bind(1, name).bind(2, disk);
    if (!find->step())
        return std::nullopt;
    return Impl::readStored(*find).copy;
}

void Catalogue::recordCopy(std::int64_t disk, const CopyRecord &record)
{
    recordVersionCopy(disk, record, {});
}

void Catalogue::recordVersionCopy(std::int64_t disk, const CopyRecord &record, std::string_view versionStamp)
{
    const std::int64_t name = m_impl->nameId(record.path, true);
    const std::int64_t pass = m_impl->stampId(record.passStamp, true);
    const std::int64_t version = versionStamp.empty() ? 0 : m_impl->stampId(versionStamp, true);
    const auto hash = hashBytes(record.hash);
    sqlite::Use insert(m_impl->db.cached(
        "INSERT OR REPLACE INTO copies(name, disk, version, size, modified, changed, mode, uid, gid, hash, pass) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    insert->bind(1, name).bind(2, disk).bind(3, version).bind(4, record.size).bind(5, record.modifiedNs);
    insert->bind(6, record.sourceChangedNs).bind(7, std::int64_t {record.mode}).bind(8, std::int64_t {record.uid});
    insert->bind(9, std::int64_t {record.gid}).bindBlob(10, hash.data(), static_cast<int>(hash.size()));
    insert->bind(11, pass).run();
}

void Catalogue::recordVersion(std::int64_t disk, std::string_view path, std::string_view versionStamp)
{
    const std::string_view trimmed = trimmedPath(path);
    if (trimmed.empty())
        return;
    const std::int64_t version = m_impl->stampId(versionStamp, true);
    if (const std::int64_t name = m_impl->nameId(trimmed, false); name != 0) {
        sqlite::Use update(
            m_impl->db.cached("UPDATE OR REPLACE copies SET version = ? WHERE name = ? AND disk = ? AND version = 0"));
        update->bind(1, version).bind(2, name).bind(3, disk).run();
    }
    // A folder moves with every copy below it: the folder itself and a
    // range of the sorted folder paths ('0' follows '/'), no neighbour
    // whose name merely begins the same.
    const std::string below = std::string(trimmed) + "/";
    std::string end = below;
    end.back() = '0';
    sqlite::Use folder(
        m_impl->db.cached("UPDATE OR REPLACE copies SET version = ?1 WHERE disk = ?2 AND version = 0 AND name IN "
                          "(SELECT n.id FROM folders f JOIN names n ON n.folder = f.id "
                          "WHERE f.path = ?3 OR (f.path >= ?4 AND f.path < ?5))"));
    folder->bind(1, version).bind(2, disk).bind(3, trimmed).bind(4, below).bind(5, end).run();
}

void Catalogue::forgetVersion(std::int64_t disk, std::string_view path, std::string_view versionStamp)
{
    const std::int64_t name = m_impl->nameId(path, false);
    const std::int64_t version = m_impl->stampId(versionStamp, false);
    if (name == 0 || version == 0)
        return;
    sqlite::Use remove(m_impl->db.cached("DELETE FROM copies WHERE name = ? AND disk = ? AND version = ?"));
    remove->bind(1, name).bind(2, disk).bind(3, version).run();
}

void Catalogue::forgetCopy(std::int64_t disk, std::string_view path)
{
    const std::int64_t name = m_impl->nameId(path, false);
    if (name == 0)
        return;
    sqlite::Use remove(m_impl->db.cached("DELETE FROM copies WHERE name = ? AND disk = ? AND version = 0"));
    remove->bind(1, name).bind(2, disk).run();
}

void Catalogue::markVerified(std::int64_t disk, std::string_view path, std::string_view versionStamp,
                             std::string_view stamp, bool mismatch)
{
    const std::int64_t name = m_impl->nameId(path, false);
    const std::int64_t version = versionStamp.empty() ? 0 : m_impl->stampId(versionStamp, false);
    if (name == 0 || (!versionStamp.empty() && version == 0))
        return;
    const std::int64_t verified = m_impl->stampId(stamp, true);
    sqlite::Use update(
        m_impl->db.cached("UPDATE copies SET verified = ?, mismatch = ? WHERE name = ? AND disk = ? AND version = ?"));
    update->bind(1, verified).bind(2, mismatch ? 1 : 0).bind(3, name).bind(4, disk).bind(5, version).run();
}

void Catalogue::begin()
{
    if (m_impl->transaction)
        return;
    m_impl->db.exec("BEGIN IMMEDIATE");
    try {
        m_impl->searchMarks = schema::pauseSearchIndex(m_impl->db);
    } catch (const CatalogueError &) {
        m_impl->db.exec("ROLLBACK");
        throw;
    }
    m_impl->transaction = true;
}

void Catalogue::commit()
{
    if (!m_impl->transaction)
        return;
    schema::resumeSearchIndex(m_impl->db, m_impl->searchMarks);
    m_impl->db.exec("COMMIT");
    m_impl->transaction = false;
}

void Catalogue::rollback()
{
    if (!m_impl->transaction)
        return;
    m_impl->transaction = false;
    m_impl->forgetIds();
    m_impl->db.exec("ROLLBACK");
}

bool Catalogue::inTransaction() const
{
    return m_impl->transaction;
}

} // namespace quillarc
