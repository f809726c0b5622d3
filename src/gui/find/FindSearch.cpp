#include "gui/find/FindSearch.h"

#include "catalogue/Catalogue.h"

#include <sys/stat.h>

namespace quillarc {

FindSearch::FindSearch(std::string catalogueFile, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->file = std::move(catalogueFile);
    m_shared->owner = this;
    std::thread([shared = m_shared] { work(shared); }).detach();
}

FindSearch::~FindSearch()
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
        m_shared->owner = nullptr;
    }
    m_shared->wake.notify_one();
}

void FindSearch::request(const std::string &pattern, bool wholePath)
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->waiting = Request {++m_latest, pattern, wholePath};
    }
    m_shared->wake.notify_one();
}

void FindSearch::work(const std::shared_ptr<Shared> &shared)
{
    for (;;) {
        Request next;
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->stop || shared->waiting.has_value(); });
            if (shared->stop)
                return;
            next = std::move(*shared->waiting);
            shared->waiting.reset();
        }
        FindAnswer answer = search(shared->file, next.pattern, next.wholePath);
        answer.request = next.id;
        // Posted to the window's thread while the owner is known to be
        // there (it clears itself under the same lock as it goes); dropped
        // there when a newer request was made meanwhile.
        const std::lock_guard lock(shared->mutex);
        if (FindSearch *owner = shared->owner) {
            QMetaObject::invokeMethod(
                owner,
                [owner, answer = std::move(answer)] {
                    if (answer.request == owner->m_latest)
                        Q_EMIT owner->answered(answer);
                },
                Qt::QueuedConnection);
        }
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
