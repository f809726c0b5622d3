#pragma once

#include "base/UniqueFd.h"

#include <string>

namespace quillarc {

/// One mount watch per program folder: two (the user service and one
/// started by hand) would each start a pass onto every disk that arrives,
/// and the second would only be refused. The watch holds an `flock` on a
/// small file in the program folder for as long as it runs; the kernel lets
/// go of it however the watch ends.
class WatchInstance {
public:
    enum class Result {
        Taken,
        Busy,   ///< another watch holds it
        Failed, ///< the file cannot be made or locked; `error` says why
    };

    static constexpr const char *kFileName = "quillarc-watch.lock";

    /// `programFolder` ends in '/'.
    Result take(const std::string &programFolder);
    const std::string &error() const { return m_error; }

private:
    UniqueFd m_fd;
    std::string m_error;
};

} // namespace quillarc
