#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/Sqlite.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace quillarc {

/// A mirror path without '/' at either end, split at its last '/':
/// {"home/ann", "a.txt"}; a file at the root has the folder "".
std::pair<std::string_view, std::string_view> splitPath(std::string_view path);
std::string_view trimmedPath(std::string_view path);
/// A hash as the catalogue stores it: 16 bytes, high half first.
Hash128 hashFromBlob(const std::string &bytes);

/// The columns every query of copies reads, in the order readCopy and
/// readEntry take them, and the joins they need; a query adds its WHERE.
extern const char *const kCopyColumns;

/// The catalogue's connection and the ids it has looked up. The ids are
/// forgotten when a transaction is rolled back, since the rows behind them
/// may have gone with it. Of folders only the last is kept: a pass records
/// a folder's files one after another, and a cache of every folder would
/// grow with the tree (tens of thousands of paths at a million files).
struct Catalogue::Impl {
    explicit Impl(const std::string &file) : db(file, true) {}

    sqlite::Database db;
    bool transaction = false;
    schema::SearchMarks searchMarks; ///< of the open transaction
    std::string lastFolder;
    std::int64_t lastFolderId = 0; ///< 0: none kept
    std::unordered_map<std::string, std::int64_t> stampIds;

    /// 0 when the folder, name or stamp is unknown and not to be added.
    std::int64_t folderId(std::string_view folder, bool add);
    std::int64_t nameId(std::string_view path, bool add);
    std::int64_t stampId(std::string_view stamp, bool add);
    void forgetIds();

    /// Reads the columns of kCopyColumns.
    static StoredCopy readStored(sqlite::Statement &row);
    static CopyEntry readEntry(sqlite::Statement &row);
    /// Every copy of the names, sorted for find and copiesUnder.
    std::vector<CopyEntry> entriesOf(const std::vector<std::int64_t> &names);
};

/// Reads that belong together see the catalogue at one moment, so that a
/// pass recording meanwhile changes none of them halfway; SQLite then also
/// takes its read lock once, not for every statement. Inside a transaction
/// already open it adds nothing.
class ReadSnapshot {
public:
    explicit ReadSnapshot(sqlite::Database &db);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot &) = delete;
    ReadSnapshot &operator=(const ReadSnapshot &) = delete;

private:
    sqlite::Database &m_db;
    bool m_began;
};

} // namespace quillarc
