#pragma once

#include "base/UniqueFd.h"

#include <dirent.h>
#include <memory>
#include <string>

namespace quillarc {

/// A folder's entries, read one at a time. The folder is closed however the
/// reading ends, so that no early return or exception leaks a listing.
class FolderListing {
public:
    /// Opens `path`; open() tells whether that worked.
    explicit FolderListing(const std::string &path);
    /// Lists the folder `folder` is open on; the listing owns the
    /// descriptor from here on, whether or not it could be listed.
    explicit FolderListing(UniqueFd folder);

    bool open() const { return m_dir != nullptr; }
    /// errno of a failed open.
    int error() const { return m_error; }
    /// The next entry other than "." and ".."; null at the end (or on a read
    /// error, which then leaves errno set).
    const struct dirent *next();

private:
    struct Close {
        void operator()(DIR *dir) const { ::closedir(dir); }
    };
    std::unique_ptr<DIR, Close> m_dir;
    int m_error = 0;
};

} // namespace quillarc
