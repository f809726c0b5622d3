#include "catalogue/Sqlite.h"

#include "catalogue/Catalogue.h"

#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace quillarc::sqlite {

namespace {

// A catalogue names every file a person backed up, private folders too: it
// is made readable by its owner alone, as the pass log is, and SQLite gives
// its journal and log the same bits. An empty file is a new database to it.
void makePrivateFile(const std::string &file)
{
    if (file.empty() || file.front() != '/')
        return; // ":memory:" or a URI: nothing on disk to make
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

std::string Database::mainFile() const
{
    const char *name = sqlite3_db_filename(m_db, "main");
    return name != nullptr ? std::string(name) : std::string();
}

Database::Database(const std::string &file, bool create) : m_file(file)
{
    if (create)
        makePrivateFile(file);
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    const int code = sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string cause = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw CatalogueError("The catalogue " + file + " cannot be opened: " + cause);
    }
    sqlite3_extended_result_codes(m_db, 1);
    // Another process (the window, a pass) may hold the file for a moment.
    sqlite3_busy_timeout(m_db, 10000);
}

Database::~Database()
{
    m_cache.clear();
    sqlite3_close(m_db);
}

void Database::fail(int code, std::string_view what) const
{
    std::string cause = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
    const int primary = code & 0xFF;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        throw CatalogueError("The catalogue " + m_file + " is damaged or is not a catalogue (" + cause + ")", true);
    throw CatalogueError("The catalogue " + m_file + " could not be " + std::string(what) + ": " + cause);
}

void Database::check(int code, std::string_view what) const
{
    if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
        fail(code, what);
}

void Database::exec(const std::string &sql)
{
    check(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr), "written");
}

Statement &Database::cached(const char *sql)
{
    auto found = m_cache.find(sql);
    if (found == m_cache.end())
        found = m_cache.emplace(sql, std::make_unique<Statement>(*this, sql)).first;
    return *found->second;
}

std::unique_ptr<Statement> Database::prepare(const std::string &sql)
{
    return std::make_unique<Statement>(*this, sql);
}

std::int64_t Database::integer(const std::string &sql)
{
    Statement statement(*this, sql);
    return statement.step() ? statement.integer(0) : 0;
}

std::int64_t Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Database::changes() const
{
    return sqlite3_changes(m_db);
}

bool Database::autocommit() const
{
    return sqlite3_get_autocommit(m_db) != 0;
}

Statement::Statement(Database &db, std::string_view sql) : m_db(db)
{
    db.check(sqlite3_prepare_v3(db.handle(), sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                &m_statement, nullptr),
             "read");
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

Statement &Statement::bind(int index, std::int64_t value)
{
    m_db.check(sqlite3_bind_int64(m_statement, index, value), "read");
    return *this;
}

Statement &Statement::bind(int index, std::string_view text)
{
    // An empty view may have no data at all, which SQLite would take as NULL.
    const char *data = text.data() != nullptr ? text.data() : "";
    m_db.check(sqlite3_bind_text64(m_statement, index, data, text.size(), SQLITE_TRANSIENT, SQLITE_UTF8), "read");
    return *this;
}

Statement &Statement::bindBlob(int index, const void *data, int size)
{
    m_db.check(sqlite3_bind_blob(m_statement, index, data, size, SQLITE_TRANSIENT), "read");
    return *this;
}

bool Statement::step()
{
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    sqlite3_reset(m_statement);
    m_db.fail(code, "read or written");
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::string Statement::text(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return text != nullptr ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
                           : std::string();
}

std::string Statement::blob(int column) const
{
    const auto *data = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
    return data != nullptr ? std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
                           : std::string();
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

} // namespace quillarc::sqlite
