#pragma once

#include "catalogue/Sqlite.h"

#include <cstdint>
#include <string>

namespace quillarc::schema {

/// Marks the file as this program's catalogue (SQLite's application_id).
inline constexpr int kApplicationId = 0x51434154; // "QCAT"
/// The layout below; a file of a higher version is not opened.
inline constexpr int kVersion = 1;

/// Creates the tables in the attached database `name` ("main" for the
/// connection's own file) and marks it.
void create(sqlite::Database &db, const std::string &name);

/// The same in two steps, for a file filled in bulk: the tables alone, and
/// after the rows are in, the name indexes built at once, the triggers that
/// keep them, and the marks.
void createTables(sqlite::Database &db, const std::string &name);
void indexAndFollow(sqlite::Database &db, const std::string &name);

/// The ids above which names and folders were added in a transaction.
struct SearchMarks {
    std::int64_t names = 0;
    std::int64_t folders = 0;
};

/// Within a write transaction on "main": the name and folder search
/// indexes stop following each added row, until resumeSearchIndex adds the
/// rows since in one statement each, just before the transaction commits,
/// and puts the triggers back. Added one at a time, names cost a first pass
/// about a fifth of its processor time in the trigram index alone; in bulk,
/// a few hundredths of a second per 20,000. The file never holds the
/// catalogue without its triggers: both changes commit or roll back with
/// the rows. Nothing may remove a name or folder while the index is paused:
/// the removal trigger would take out of the index a row not yet in it.
SearchMarks pauseSearchIndex(sqlite::Database &db);
void resumeSearchIndex(sqlite::Database &db, const SearchMarks &marks);

/// Throws CatalogueError unless the database `name` is a catalogue this
/// program reads; an empty, new file is created when `createWhenEmpty`.
/// Messages name `file`.
void checkOrCreate(sqlite::Database &db, const std::string &name, bool createWhenEmpty, const std::string &file);

} // namespace quillarc::schema
