#pragma once

#include "gui/find/FindRows.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <memory>
#include <vector>

namespace quillarc {

/// What one search of the catalogue found.
struct FindAnswer {
    std::uint64_t request = 0;
    std::string pattern;
    bool wholePath = false;
    std::vector<FindRow> rows; ///< at most kMostRows
    std::size_t files = 0;     ///< files found in all
    std::string error;         ///< not empty: the search could not be made
};

/// Asks the program folder's catalogue on a thread of its own, so that a
/// search over a million copies never holds the window up. Only the newest
/// request counts: one asked while another runs replaces any still waiting,
/// and answers to older ones are dropped.
class FindSearch : public QObject {
    Q_OBJECT
public:
    /// A table of more files than this says how many there were and asks
    /// for a narrower search; the person reads none of them anyway.
    static constexpr std::size_t kMostRows = 5000;

    explicit FindSearch(std::string catalogueFile, QObject *parent = nullptr);
    ~FindSearch() override;
    FindSearch(const FindSearch &) = delete;
    FindSearch &operator=(const FindSearch &) = delete;

    /// Starts a search; answered() follows (for this request unless another
    /// follows first).
    void request(const std::string &pattern, bool wholePath);
    /// The request of the newest answer to come.
    std::uint64_t latestRequest() const { return m_latest; }

    /// Runs one search where it is called.
    static FindAnswer search(const std::string &catalogueFile, const std::string &pattern, bool wholePath);

Q_SIGNALS:
    void answered(const quillarc::FindAnswer &answer);

private:
    struct Request {
        std::uint64_t id;
        std::string pattern;
        bool wholePath;
    };
    // What the search thread shares with this object. The thread keeps it
    // alive on its own, so that a window closed during a long search never
    // waits for it: the answer is then dropped.
    struct Shared {
        std::string file;
        std::mutex mutex;
        std::condition_variable wake;
        std::optional<Request> waiting;
        bool stop = false;
        FindSearch *owner = nullptr; // null once this object is going
    };
    static void work(const std::shared_ptr<Shared> &shared);

    std::uint64_t m_latest = 0; // the window's thread only
    std::shared_ptr<Shared> m_shared;
};

} // namespace quillarc

Q_DECLARE_METATYPE(quillarc::FindAnswer)
