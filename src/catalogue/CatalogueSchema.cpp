#include "catalogue/CatalogueSchema.h"

#include "catalogue/Catalogue.h"

#include <regex>

namespace quillarc::schema {

namespace {

// Paths are split into folders and names, each kept once, so that the same
// tree on six disks costs its paths once; stamps likewise. A copy's row is
// keyed by name, disk and version (0: the disk's current copy; else the
// stamp of the pass that moved it into the versions). Names and folders are
// searched by trigram, which finds any substring of three characters or
// more whatever its case; the rows found are then matched exactly.
constexpr const char *kTables = R"sql(
CREATE TABLE S.disks(id INTEGER PRIMARY KEY, label TEXT NOT NULL, uuid TEXT NOT NULL DEFAULT '',
                     last_seen TEXT NOT NULL DEFAULT '', free_bytes INTEGER NOT NULL DEFAULT -1);
CREATE TABLE S.stamps(id INTEGER PRIMARY KEY, stamp TEXT NOT NULL UNIQUE);
CREATE TABLE S.folders(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE);
CREATE TABLE S.names(id INTEGER PRIMARY KEY, folder INTEGER NOT NULL, name TEXT NOT NULL, UNIQUE(folder, name));
CREATE TABLE S.copies(name INTEGER NOT NULL, disk INTEGER NOT NULL, version INTEGER NOT NULL,
                      size INTEGER NOT NULL, modified INTEGER NOT NULL, changed INTEGER NOT NULL,
                      mode INTEGER NOT NULL, uid INTEGER NOT NULL, gid INTEGER NOT NULL, hash BLOB NOT NULL,
                      pass INTEGER NOT NULL, verified INTEGER NOT NULL DEFAULT 0, mismatch INTEGER NOT NULL DEFAULT 0,
                      PRIMARY KEY(name, disk, version)) WITHOUT ROWID;
CREATE INDEX S.copies_by_disk ON copies(disk, verified);
CREATE VIRTUAL TABLE S.name_search USING fts5(name, content='names', content_rowid='id', tokenize='trigram',
                                              detail='none');
CREATE VIRTUAL TABLE S.folder_search USING fts5(path, content='folders', content_rowid='id', tokenize='trigram',
                                                detail='none');
)sql";

// The indexes follow the names and folders as rows come and go; within a
// write transaction the triggers for added rows stand aside (see
// pauseSearchIndex).
constexpr const char *kAddTriggers = R"sql(
CREATE TRIGGER S.names_added AFTER INSERT ON names BEGIN
  INSERT INTO name_search(rowid, name) VALUES (new.id, new.name);
END;
CREATE TRIGGER S.folders_added AFTER INSERT ON folders BEGIN
  INSERT INTO folder_search(rowid, path) VALUES (new.id, new.path);
END;
)sql";
constexpr const char *kRemoveTriggers = R"sql(
CREATE TRIGGER S.names_removed AFTER DELETE ON names BEGIN
  INSERT INTO name_search(name_search, rowid, name) VALUES ('delete', old.id, old.name);
END;
CREATE TRIGGER S.folders_removed AFTER DELETE ON folders BEGIN
  INSERT INTO folder_search(folder_search, rowid, path) VALUES ('delete', old.id, old.path);
END;
)sql";

std::string inSchema(const char *sql, const std::string &name)
{
    return std::regex_replace(std::string(sql), std::regex("\\bS\\."), name + ".");
}

} // namespace

void createTables(sqlite::Database &db, const std::string &name)
{
    db.exec("BEGIN;" + inSchema(kTables, name) + "COMMIT;");
}

void indexAndFollow(sqlite::Database &db, const std::string &name)
{
    db.exec("BEGIN;INSERT INTO " + name + ".name_search(name_search) VALUES ('rebuild');INSERT INTO " + name +
            ".folder_search(folder_search) VALUES ('rebuild');" + inSchema(kAddTriggers, name) +
            inSchema(kRemoveTriggers, name) + "PRAGMA " + name + ".application_id = " + std::to_string(kApplicationId) +
            ";PRAGMA " + name + ".user_version = " + std::to_string(kVersion) + ";COMMIT;");
}

void create(sqlite::Database &db, const std::string &name)
{
    db.exec("BEGIN;" + inSchema(kTables, name) + inSchema(kAddTriggers, name) + inSchema(kRemoveTriggers, name) +
            "PRAGMA " + name + ".application_id = " + std::to_string(kApplicationId) + ";PRAGMA " + name +
            ".user_version = " + std::to_string(kVersion) + ";COMMIT;");
}

void checkOrCreate(sqlite::Database &db, const std::string &name, bool createWhenEmpty, const std::string &file)
{
    // Reading the header is where a file that is no database at all shows.
    const std::int64_t application = db.integer("PRAGMA " + name + ".application_id");
    const std::int64_t version = db.integer("PRAGMA " + name + ".user_version");
    const std::int64_t objects = db.integer("SELECT count(*) FROM " + name + ".sqlite_schema");
    if (application == 0 && version == 0 && objects == 0) {
        if (!createWhenEmpty)
            throw CatalogueError("The catalogue " + file + " is empty");
        create(db, name);
        return;
    }
    if (application != kApplicationId)
        throw CatalogueError("The file " + file + " is not a Quillarc catalogue", true);
    if (version > kVersion)
        throw CatalogueError("The catalogue " + file + " was written by a newer version of Quillarc (layout " +
                             std::to_string(version) + ")");
    if (version < 1)
        throw CatalogueError("The catalogue " + file + " is damaged (no layout version)", true);
}

SearchMarks pauseSearchIndex(sqlite::Database &db)
{
    db.exec("DROP TRIGGER IF EXISTS main.names_added; DROP TRIGGER IF EXISTS main.folders_added");
    return {db.integer("SELECT coalesce(max(id), 0) FROM main.names"),
            db.integer("SELECT coalesce(max(id), 0) FROM main.folders")};
}

// Rows are only ever added to names and folders, each with an id above
// every other, so those above the marks are exactly the ones added since.
void resumeSearchIndex(sqlite::Database &db, const SearchMarks &marks)
{
    auto names = db.prepare("INSERT INTO main.name_search(rowid, name) SELECT id, name FROM main.names WHERE id > ?");
    names->bind(1, marks.names).run();
    auto folders =
        db.prepare("INSERT INTO main.folder_search(rowid, path) SELECT id, path FROM main.folders WHERE id > ?");
    folders->bind(1, marks.folders).run();
    db.exec(inSchema(kAddTriggers, "main"));
}

} // namespace quillarc::schema
