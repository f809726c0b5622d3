#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueImpl.h"
#include "catalogue/CatalogueSchema.h"

namespace quillarc {

namespace {

// Ids differ between two catalogue files: folders, names and stamps are
// matched by their text.
const char *const kAddTexts[] = {
    "INSERT OR IGNORE INTO main.stamps(stamp) SELECT stamp FROM other.stamps",
    "INSERT OR IGNORE INTO main.folders(path) SELECT path FROM other.folders",
    ("INSERT OR IGNORE INTO main.names(folder, name) SELECT mf.id, n.name FROM other.names n "
     "JOIN other.folders f ON f.id = n.folder JOIN main.folders mf ON mf.path = f.path"),
};

const char *const kAddCopies =
    "INSERT OR REPLACE INTO main.copies(name, disk, version, size, modified, changed, mode, uid, gid, hash, pass, "
    "                                   verified, mismatch) "
    "SELECT mn.id, ?2, coalesce(mvs.id, 0), c.size, c.modified, c.changed, c.mode, c.uid, c.gid, c.hash, mps.id, "
    "       coalesce(mvf.id, 0), c.mismatch "
    "FROM other.copies c JOIN other.names n ON n.id = c.name JOIN other.folders f ON f.id = n.folder "
    "JOIN main.folders mf ON mf.path = f.path JOIN main.names mn ON mn.folder = mf.id AND mn.name = n.name "
    "JOIN other.stamps ps ON ps.id = c.pass JOIN main.stamps mps ON mps.stamp = ps.stamp "
    "LEFT JOIN other.stamps vs ON vs.id = c.version AND c.version <> 0 LEFT JOIN main.stamps mvs ON mvs.stamp = "
    "vs.stamp "
    "LEFT JOIN other.stamps vf ON vf.id = c.verified LEFT JOIN main.stamps mvf ON mvf.stamp = vf.stamp "
    "WHERE c.disk = ?1";

struct OtherDisk {
    std::int64_t id;
    DiskIdentity identity;
    std::string lastSeen;
    std::int64_t freeBytes;
};

// A file name as an SQLite URI that opens it read-only.
std::string readOnlyUri(const std::string &file)
{
    std::string uri = "file:";
    for (const char c : file) {
        if (c == '?' || c == '#' || c == '%') {
            static const char digits[] = "0123456789ABCDEF";
            uri += '%';
            uri += digits[(static_cast<unsigned char>(c) >> 4) & 0xF];
            uri += digits[static_cast<unsigned char>(c) & 0xF];
        } else {
            uri += c;
        }
    }
    return uri + "?mode=ro";
}

// The other file's disks; a file that is no catalogue is named as such.
std::vector<OtherDisk> readDisks(sqlite::Database &db, const std::string &file)
{
    std::vector<OtherDisk> disks;
    try {
        schema::checkOrCreate(db, "other", false, file);
        auto list = db.prepare("SELECT id, label, uuid, last_seen, free_bytes FROM other.disks");
        while (list->step())
            disks.push_back({list->integer(0), {list->text(1), list->text(2)}, list->text(3), list->integer(4)});
    } catch (const CatalogueError &error) {
        const std::string text = error.what();
        if (text.find(file) != std::string::npos)
            throw;
        throw CatalogueError("The catalogue " + file + " cannot be read: it is damaged or is not a catalogue");
    }
    return disks;
}

} // namespace

std::vector<std::int64_t> Catalogue::merge(const std::string &otherFile, std::optional<std::int64_t> into)
{
    auto &db = m_impl->db;
    commit();
    m_impl->forgetIds();
    try {
        auto attach = db.prepare("ATTACH DATABASE ? AS other");
        attach->bind(1, readOnlyUri(otherFile)).run();
    } catch (const CatalogueError &) {
        throw CatalogueError("The catalogue " + otherFile +
                             " cannot be read: it is missing, damaged or not a catalogue");
    }
    std::vector<std::int64_t> merged;
    try {
        const std::vector<OtherDisk> disks = readDisks(db, otherFile);
        begin();
        for (const char *sql : kAddTexts)
            db.exec(sql);
        if (into) {
            auto clear = db.prepare("DELETE FROM main.copies WHERE disk = ?");
            clear->bind(1, *into).run();
        }
        for (const OtherDisk &other : disks) {
            const std::int64_t here = into ? *into : disk(other.identity);
            auto seen = db.prepare("UPDATE main.disks SET last_seen = ?2, free_bytes = ?3 WHERE id = ?1 AND "
                                   "last_seen < ?2");
            seen->bind(1, here).bind(2, other.lastSeen).bind(3, other.freeBytes).run();
            if (!into) {
                auto clear = db.prepare("DELETE FROM main.copies WHERE disk = ?");
                clear->bind(1, here).run();
            }
            auto add = db.prepare(kAddCopies);
            add->bind(1, other.id).bind(2, here).run();
            if (merged.empty() || merged.back() != here)
                merged.push_back(here);
        }
        commit();
    } catch (const CatalogueError &) {
        rollback();
        db.exec("DETACH DATABASE other");
        throw;
    }
    db.exec("DETACH DATABASE other");
    return merged;
}

} // namespace quillarc
