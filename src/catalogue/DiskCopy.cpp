#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueImpl.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/DiskLayout.h"
#include "catalogue/Manifest.h"

#include "base/FileError.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillarc {

namespace {

const std::string kFolder(disklayout::kFolder);
const std::string kCatalogueName = std::string(disklayout::kCatalogue).substr(kFolder.size() + 1);
const std::string kManifestName = std::string(disklayout::kManifest).substr(kFolder.size() + 1);

[[noreturn]] void fail(const std::string &what, int error)
{
    throw CatalogueError("The disk's " + what + " could not be written: " + FileError::causeText(error));
}

// The disk's own folder, never through a link a disk may carry.
UniqueFd openOwnFolder(int diskRootFd)
{
    if (::mkdirat(diskRootFd, kFolder.c_str(), 0700) != 0 && errno != EEXIST)
        fail(kFolder, errno);
    UniqueFd folder(::openat(diskRootFd, kFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder)
        fail(kFolder, errno);
    return folder;
}

// A new file under a name of its own; a leftover of a write that died is
// replaced (only one pass writes to a disk at a time).
UniqueFd createTemporary(int folder, const std::string &name, const std::string &what)
{
    ::unlinkat(folder, name.c_str(), 0);
    UniqueFd file(::openat(folder, name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file)
        fail(what, errno);
    return file;
}

// Flushed, then put in place, then the folder flushed, so that the old file
// or the new one stands whenever the power goes.
void putInPlace(int folder, UniqueFd &file, const std::string &temporary, const std::string &name,
                const std::string &what)
{
    if (::fsync(file.get()) != 0 || !file.close()) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        fail(what, error);
    }
    if (::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        fail(what, error);
    }
    if (::fsync(folder) != 0)
        fail(what, errno);
}

void writeAll(int fd, const std::string &bytes, const std::string &what)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            fail(what, wrote < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(wrote);
    }
}

// The disk's files are written by reading each of its rows once, in
// order: a large page cache buys that nothing, and its pages (the
// catalogue's, the new file's, and the sorts' and look-ups' of the temporary
// store) would come on top of all the pass holds, at its very end. In KiB.
constexpr int kCopyCacheKib = -512;

// The manifest goes out in pieces of this size.
constexpr std::size_t kManifestPiece = std::size_t {64} * 1024;

void useSmallCache(sqlite::Database &db)
{
    db.exec("PRAGMA main.cache_size = " + std::to_string(kCopyCacheKib) +
            "; PRAGMA temp.cache_size = " + std::to_string(kCopyCacheKib));
}

// The page cache of the catalogue as the pass left it, given back once the
// disk's files are written.
class SmallCache {
public:
    explicit SmallCache(sqlite::Database &db) : m_db(db), m_before(db.integer("PRAGMA main.cache_size"))
    {
        useSmallCache(m_db);
    }
    ~SmallCache()
    {
        try {
            m_db.exec("PRAGMA main.cache_size = " + std::to_string(m_before));
        } catch (const CatalogueError &) { // NOLINT(bugprone-empty-catch): a smaller cache costs only speed
        }
    }
    SmallCache(const SmallCache &) = delete;
    SmallCache &operator=(const SmallCache &) = delete;

private:
    sqlite::Database &m_db;
    std::int64_t m_before;
};

const char *const kCopyRows[] = {
    "INSERT INTO diskcopy.disks SELECT * FROM main.disks WHERE id = ?1",
    ("INSERT INTO diskcopy.stamps SELECT * FROM main.stamps WHERE id IN "
     "(SELECT pass FROM main.copies WHERE disk = ?1 UNION SELECT version FROM main.copies WHERE disk = ?1 "
     " UNION SELECT verified FROM main.copies WHERE disk = ?1)"),
    ("INSERT INTO diskcopy.folders SELECT * FROM main.folders WHERE id IN "
     "(SELECT n.folder FROM main.copies c JOIN main.names n ON n.id = c.name WHERE c.disk = ?1)"),
    "INSERT INTO diskcopy.names SELECT * FROM main.names WHERE id IN (SELECT name FROM main.copies WHERE disk = ?1)",
    "INSERT INTO diskcopy.copies SELECT * FROM main.copies WHERE disk = ?1",
};

void writeCatalogueCopy(sqlite::Database &db, std::int64_t disk, int folder)
{
    const std::string what = "catalogue " + std::string(disklayout::kCatalogue);
    const std::string temporary = kCatalogueName + ".new";
    ::unlinkat(folder, (temporary + "-journal").c_str(), 0);
    UniqueFd file = createTemporary(folder, temporary, what);
    const std::string path = "/proc/self/fd/" + std::to_string(folder) + "/" + temporary;
    try {
        auto attach = db.prepare("ATTACH DATABASE ? AS diskcopy");
        attach->bind(1, path).run();
    } catch (const CatalogueError &) {
        ::unlinkat(folder, temporary.c_str(), 0);
        throw;
    }
    try {
        // The file is flushed as a whole below; a journal would only slow it.
        db.exec("PRAGMA diskcopy.journal_mode = OFF; PRAGMA diskcopy.synchronous = OFF; PRAGMA diskcopy.cache_size = " +
                std::to_string(kCopyCacheKib));
        schema::createTables(db, "diskcopy");
        db.exec("BEGIN");
        for (const char *sql : kCopyRows) {
            auto copy = db.prepare(sql);
            copy->bind(1, disk).run();
        }
        db.exec("COMMIT");
        schema::indexAndFollow(db, "diskcopy");
        db.exec("DETACH DATABASE diskcopy");
    } catch (const CatalogueError &) {
        if (!db.autocommit())
            db.exec("ROLLBACK");
        db.exec("DETACH DATABASE diskcopy");
        ::unlinkat(folder, temporary.c_str(), 0);
        throw;
    }
    putInPlace(folder, file, temporary, kCatalogueName, what);
}

void writeManifest(sqlite::Database &db, std::int64_t disk, int folder)
{
    const std::string what = "manifest " + std::string(disklayout::kManifest);
    const std::string temporary = kManifestName + ".new";
    UniqueFd file = createTemporary(folder, temporary, what);
    auto rows =
        db.prepare("SELECT f.path, n.name, c.hash, vs.stamp FROM copies c JOIN names n ON n.id = c.name "
                   "JOIN folders f ON f.id = n.folder LEFT JOIN stamps vs ON vs.id = c.version "
                   "AND c.version <> 0 WHERE c.disk = ? ORDER BY vs.stamp IS NOT NULL, vs.stamp, f.path, n.name");
    rows->bind(1, disk);
    std::string buffer;
    buffer.reserve(kManifestPiece + 4096);
    try {
        while (rows->step()) {
            const std::string folderPath = rows->text(0);
            std::string path;
            if (!rows->isNull(3))
                path.append(disklayout::kVersions).append("/").append(rows->text(3)).append("/");
            if (!folderPath.empty())
                path.append(folderPath).append("/");
            path.append(rows->text(1));
            buffer += manifestLine(hashFromBlob(rows->blob(2)), path);
            if (buffer.size() >= kManifestPiece) {
                writeAll(file.get(), buffer, what);
                buffer.clear();
            }
        }
        writeAll(file.get(), buffer, what);
    } catch (const CatalogueError &) {
        ::unlinkat(folder, temporary.c_str(), 0);
        throw;
    }
    putInPlace(folder, file, temporary, kManifestName, what);
}

// A second connection to the catalogue, for reading beside the first; null
// where SQLite names no file to open again (a catalogue in memory) or it
// cannot be opened (the first connection then does both).
std::unique_ptr<sqlite::Database> secondReader(const sqlite::Database &db)
{
    const std::string file = db.mainFile();
    if (file.empty())
        return nullptr;
    try {
        auto reader = std::make_unique<sqlite::Database>(file, false);
        useSmallCache(*reader);
        return reader;
    } catch (const CatalogueError &) {
        return nullptr;
    }
}

} // namespace

void Catalogue::writeDiskCopy(std::int64_t disk, int diskRootFd)
{
    // Attaching the disk's file cannot happen inside a transaction; the
    // flush that calls this is where the pass commits anyway.
    const bool wasOpen = m_impl->transaction;
    commit();
    UniqueFd folder = openOwnFolder(diskRootFd);
    const SmallCache smallCache(m_impl->db);
    // The two files are written side by side at the end of every pass that
    // copied something, with nothing else left to do: the manifest on a
    // connection and a thread of its own (the catalogue's log lets both
    // read it), the catalogue's copy on this one.
    std::exception_ptr manifestFailure;
    std::thread manifest;
    if (std::unique_ptr<sqlite::Database> reader = secondReader(m_impl->db)) {
        manifest = std::thread([&manifestFailure, reader = std::move(reader), disk, folder = folder.get()] {
            try {
                writeManifest(*reader, disk, folder);
            } catch (...) {
                manifestFailure = std::current_exception();
            }
        });
    }
    std::exception_ptr copyFailure;
    try {
        writeCatalogueCopy(m_impl->db, disk, folder.get());
    } catch (...) {
        copyFailure = std::current_exception();
    }
    if (manifest.joinable())
        manifest.join();
    else if (!copyFailure)
        writeManifest(m_impl->db, disk, folder.get());
    if (copyFailure)
        std::rethrow_exception(copyFailure);
    if (manifestFailure)
        std::rethrow_exception(manifestFailure);
    if (wasOpen)
        begin();
}

} // namespace quillarc
