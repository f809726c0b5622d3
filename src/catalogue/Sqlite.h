#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace quillarc::sqlite {

class Statement;

/// One connection to an SQLite file. Every failure throws CatalogueError
/// naming the file and SQLite's own words for the cause.
class Database {
public:
    /// Opens (creating when `create`) the file.
    Database(const std::string &file, bool create);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    /// Runs one or more statements that return no rows.
    void exec(const std::string &sql);
    /// A statement prepared once and kept for the connection's life: a pass
    /// records file by file, and preparing costs more than the insert.
    Statement &cached(const char *sql);
    /// A statement for one use.
    std::unique_ptr<Statement> prepare(const std::string &sql);
    /// The single integer a query returns (0 when it returns no row).
    std::int64_t integer(const std::string &sql);

    std::int64_t lastInsertId() const;
    int changes() const;
    bool autocommit() const;
    const std::string &file() const { return m_file; }
    /// The file SQLite keeps the main database in, as it resolved the name
    /// given; empty for a database in memory.
    std::string mainFile() const;
    sqlite3 *handle() const { return m_db; }

    /// Throws CatalogueError for a result code other than the ones SQLite
    /// uses for success.
    void check(int code, std::string_view what) const;
    [[noreturn]] void fail(int code, std::string_view what) const;

private:
    sqlite3 *m_db = nullptr;
    std::string m_file;
    std::map<const char *, std::unique_ptr<Statement>> m_cache;
};

/// A prepared statement; bind parameters are numbered from 1.
class Statement {
public:
    Statement(Database &db, std::string_view sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, std::int64_t value);
    Statement &bind(int index, std::string_view text);
    Statement &bindBlob(int index, const void *data, int size);
    /// True while there is a row to read.
    bool step();
    /// Steps through a statement that returns no rows.
    void run();
    /// Makes the statement ready for new parameters.
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    std::string blob(int column) const;
    bool isNull(int column) const;

private:
    Database &m_db;
    sqlite3_stmt *m_statement = nullptr;
};

/// Resets a cached statement when it leaves scope, whatever path it leaves by.
class Use {
public:
    explicit Use(Statement &statement) : m_statement(statement) {}
    ~Use() { m_statement.reset(); }
    Use(const Use &) = delete;
    Use &operator=(const Use &) = delete;
    Statement *operator->() { return &m_statement; }
    Statement &operator*() { return m_statement; }

private:
    Statement &m_statement;
};

} // namespace quillarc::sqlite
