#include "platform/qt/MediumChangeWatcher.h"

#include "platform/DriveTools.h"
#include "platform/LabelFile.h"
#include "platform/qt/TSHChangeNotify.h"
#include "platform/linux/MediaChanges.h"

#include <algorithm>

namespace quillarc {

namespace {

std::vector<std::string> onlyDriveRoots(std::vector<std::string> roots)
{
    std::erase_if(roots, [](const std::string &root) { return !isDriveRoot(root); });
    return roots;
}

} // namespace

MediumChangeWatcher::MediumChangeWatcher(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    m_options.watchedRoots = onlyDriveRoots(std::move(m_options.watchedRoots));
}

MediumChangeWatcher::~MediumChangeWatcher()
{
    stop();
}

std::set<std::string> MediumChangeWatcher::labelledRoots(const std::vector<std::string> &roots) const
{
    std::set<std::string> labelled;
    for (const auto &root : roots) {
        if (holdsLabelFile(root))
            labelled.insert(DriveMap::normalise(root));
    }
    return labelled;
}

std::vector<MountEntry> MediumChangeWatcher::tableNow() const
{
    return m_table ? m_table->table() : readMountInfo(m_options.mountInfoPath);
}

MediumChangeWatcher::Snapshot MediumChangeWatcher::snapshot() const
{
    // Label files are looked at only in the watched roots, the few folders
    // the program asked about: looking through every folder on each mount
    // change could stall on a dead network share.
    Snapshot now {tableNow(), {}};
    if (m_options.watchedRoots.empty())
        return now;
    // A label file seen while the table changes under us could be paired
    // with the wrong file system. Look until the table holds still; a change
    // after the last look flags the table again and gets a check of its own.
    for (int attempt = 0; attempt < 3; ++attempt) {
        now.labelled = labelledRoots(m_options.watchedRoots);
        std::vector<MountEntry> again = tableNow();
        if (again == now.mounts)
            break;
        now.mounts = std::move(again);
    }
    return now;
}

DriveMap MediumChangeWatcher::mapOf(const Snapshot &snapshot) const
{
    return DriveMap(snapshot.mounts, m_options.automountFolders,
                    [labelled = snapshot.labelled](const std::string &folder) { return labelled.count(folder) > 0; });
}

void MediumChangeWatcher::setWatchedRoots(std::vector<std::string> roots)
{
    roots = onlyDriveRoots(std::move(roots));
    if (m_last) {
        std::vector<std::string> added;
        for (const auto &root : roots) {
            if (std::find(m_options.watchedRoots.begin(), m_options.watchedRoots.end(), root) ==
                m_options.watchedRoots.end())
                added.push_back(root);
        }
        // A root dropped from the list must not keep its label either: as a
        // plain mount point it would then seem to have changed its medium.
        std::erase_if(m_last->labelled, [&roots](const std::string &folder) {
            return std::none_of(roots.begin(), roots.end(),
                                [&folder](const std::string &root) { return DriveMap::normalise(root) == folder; });
        });
        m_last->labelled.merge(labelledRoots(added));
    }
    m_options.watchedRoots = std::move(roots);
}

bool MediumChangeWatcher::start()
{
    stop();
    MountTableWatch table(m_options.mountInfoPath);
    if (!table.error().empty())
        return false;
    m_table.emplace(std::move(table));
    m_last = snapshot();
    m_notifier = std::make_unique<QSocketNotifier>(m_table->fd(), QSocketNotifier::Exception);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &MediumChangeWatcher::check);
    return true;
}

void MediumChangeWatcher::stop()
{
    m_notifier.reset();
    m_table.reset();
    m_last.reset();
}

void MediumChangeWatcher::check()
{
    if (m_table)
        m_table->acknowledge();
    Snapshot now = snapshot();
    if (m_last) {
        for (const auto &change : mediaChanges(mapOf(*m_last), mapOf(now), m_options.watchedRoots)) {
            const QString root = QString::fromStdString(change.driveRoot);
            if (change.inserted)
                Q_EMIT mediaInserted(root);
            else
                Q_EMIT mediaRemoved(root);
        }
    }
    m_last = std::move(now);
}

MountWatchSource::MountWatchSource(MediumChangeWatcher::Options options) : m_options(std::move(options))
{
}

MountWatchSource::~MountWatchSource() = default;

// Media inserted and removed are the only events there are, so any mask
// asks for the whole watch.
bool MountWatchSource::registerFor(std::uint32_t /*mask*/, int messageNo, Deliver deliver)
{
    deregister();
    auto watcher = std::make_unique<MediumChangeWatcher>(m_options);
    if (!watcher->start())
        return false;
    QObject::connect(watcher.get(), &MediumChangeWatcher::mediaInserted,
                     [deliver, messageNo](const QString &root) { deliver(messageNo, SHCNE::MEDIAINSERTED, root); });
    QObject::connect(watcher.get(), &MediumChangeWatcher::mediaRemoved,
                     [deliver, messageNo](const QString &root) { deliver(messageNo, SHCNE::MEDIAREMOVED, root); });
    m_watcher = std::move(watcher);
    return true;
}

void MountWatchSource::setWatchedRoots(const QStringList &roots)
{
    std::vector<std::string> paths;
    for (const auto &root : roots)
        paths.push_back(root.toStdString());
    m_options.watchedRoots = paths;
    if (m_watcher)
        m_watcher->setWatchedRoots(std::move(paths));
}

void MountWatchSource::deregister()
{
    // A handler may drop its registration while the watcher is reporting:
    // the watcher stops at once and is freed once it has returned.
    if (!m_watcher)
        return;
    m_watcher->disconnect();
    m_watcher->stop();
    m_watcher.release()->deleteLater();
}

} // namespace quillarc
