#include "gui/find/FindSearch.h"

#include "catalogue/Catalogue.h"

#include <sys/stat.h>

namespace quillarc {

FindSearch::FindSearch(std::string catalogueFile, QObject *parent)
    : QObject(parent), m_file(std::move(catalogueFile)), m_thread([this] { work(); })
{
}

FindSearch::~FindSearch()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    // A search under way is waited for: SQLite cannot be told to stop
    // part-way from here, and the thread reads this object's members.
    m_thread.join();
}

void FindSearch::request(const std::string &pattern, bool wholePath)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = Request {++m_latest, pattern, wholePath};
    }
    m_wake.notify_one();
}

void FindSearch::work()
{
    for (;;) {
        Request next;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_waiting.has_value(); });
            if (m_stop)
                return;
            next = std::move(*m_waiting);
            m_waiting.reset();
        }
        FindAnswer answer = search(m_file, next.pattern, next.wholePath);
        answer.request = next.id;
        // Delivered on the window's thread; dropped there when a newer
        // request was made meanwhile, and with this object when it goes.
        QMetaObject::invokeMethod(
            this,
            [this, answer = std::move(answer)] {
                if (answer.request == m_latest)
                    Q_EMIT answered(answer);
            },
            Qt::QueuedConnection);
    }
}

FindAnswer FindSearch::search(const std::string &catalogueFile, const std::string &pattern, bool wholePath)
{
    FindAnswer answer;
    answer.pattern = pattern;
    answer.wholePath = wholePath;
    if (pattern.empty())
        return answer;
    // Opening a catalogue makes one where there is none: a search must not.
    struct stat info {};
    if (::stat(catalogueFile.c_str(), &info) != 0) {
        answer.error = "There is no catalogue yet (" + catalogueFile +
                       "): a backup pass records what it copies into it, and quillarc-pass --catalogue brings in "
                       "a disk written before.";
        return answer;
    }
    try {
        const Catalogue catalogue(catalogueFile);
        answer.rows = findRows(catalogue.find(pattern, wholePath), kMostRows, answer.files);
    } catch (const std::exception &error) {
        answer.error = error.what();
    }
    return answer;
}

} // namespace quillarc
