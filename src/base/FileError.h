#pragma once

#include <stdexcept>
#include <string>

namespace quillarc {

/// A file that could not be created, opened, read, written or closed. The
/// message names the cause in the user's words: "File not found", "Invalid
/// filename", "Too many open files", "File access denied", "Disk full", or
/// "I/O error %d" with the errno value.
class FileError : public std::runtime_error {
public:
    FileError(int errorNumber, std::string path);

    /// The errno value behind the error.
    int errorNumber() const { return m_errorNumber; }
    const std::string &path() const { return m_path; }

    /// The cause text of an errno value alone.
    static std::string causeText(int errorNumber);

    /// Like the constructor, but a missing file whose folder is missing too
    /// reads "Invalid filename" (the path cannot be reached).
    static FileError forPath(int errorNumber, const std::string &path);

private:
    int m_errorNumber;
    std::string m_path;
};

} // namespace quillarc
