#include "engine/CopyLedger.h"

#include "catalogue/Catalogue.h"

#include <ctime>
#include <exception>

namespace quillarc {

CopyLedger::CopyLedger() = default;
CopyLedger::~CopyLedger()
{
    try {
        if (m_catalogue)
            m_catalogue->rollback(); // what no flush vouched for is not on the disk for sure
    } catch (...) {                  // NOLINT(bugprone-empty-catch): nothing more to do as the pass ends
    }
}

std::int64_t nanoseconds(const struct timespec &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

template <class Action>
void CopyLedger::guarded(Action action)
{
    if (!m_catalogue)
        return;
    try {
        action();
    } catch (const std::exception &error) {
        m_problem =
            std::string("the catalogue could not be used, so this pass judged copies without it: ") + error.what();
        m_catalogue.reset();
        m_disk = 0;
    }
}

void CopyLedger::open(const std::string &file)
{
#ifdef QUILLARC_BENCH_WITHOUT_CATALOGUE
    if (!file.empty())
        return;
#endif
    try {
        m_catalogue = std::make_unique<Catalogue>(file);
        m_catalogue->begin();
    } catch (const std::exception &error) {
        m_problem =
            std::string("the catalogue could not be opened, so this pass judged copies without it: ") + error.what();
        m_catalogue.reset();
    }
}

void CopyLedger::useDisk(const DiskIdentity &disk)
{
    m_disk = 0;
    guarded([&] { m_disk = m_catalogue->disk(disk); });
}

std::optional<CopyRecord> CopyLedger::copyAt(std::string_view path)
{
    std::optional<CopyRecord> found;
    if (active())
        guarded([&] { found = m_catalogue->copyAt(m_disk, path); });
    return found;
}

void CopyLedger::recordCopy(const CopyRecord &record)
{
    if (active())
        guarded([&] { m_catalogue->recordCopy(m_disk, record); });
}

void CopyLedger::recordVersion(std::string_view path, std::string_view stamp)
{
    if (active())
        guarded([&] { m_catalogue->recordVersion(m_disk, path, stamp); });
}

void CopyLedger::forgetVersion(std::string_view path, std::string_view stamp)
{
    if (active())
        guarded([&] { m_catalogue->forgetVersion(m_disk, path, stamp); });
}

void CopyLedger::flush()
{
    guarded([&] {
        m_catalogue->commit();
        m_catalogue->begin();
    });
}

void CopyLedger::close(bool keep)
{
    guarded([&] {
        if (keep)
            m_catalogue->commit();
        else
            m_catalogue->rollback();
    });
    m_catalogue.reset();
    m_disk = 0;
}

void CopyLedger::writeDiskCopy(int diskRootFd, const std::string &stamp, std::int64_t freeBytes)
{
    if (!active())
        return;
    try {
        m_catalogue->diskSeen(m_disk, stamp, freeBytes);
        m_catalogue->writeDiskCopy(m_disk, diskRootFd);
    } catch (const std::exception &error) {
        m_problem = std::string("the disk's own catalogue and manifest could not be written: ") + error.what();
    }
}

} // namespace quillarc
