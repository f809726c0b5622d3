#pragma once

#include "catalogue/Sqlite.h"

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

/// Throws CatalogueError unless the database `name` is a catalogue this
/// program reads; an empty, new file is created when `createWhenEmpty`.
/// Messages name `file`.
void checkOrCreate(sqlite::Database &db, const std::string &name, bool createWhenEmpty, const std::string &file);

} // namespace quillarc::schema
