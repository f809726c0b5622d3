#pragma once

#include <string>

namespace quillarc::test {

/// A fresh folder under $TMPDIR, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    /// Ends in '/'.
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + name; }

    void write(const std::string &name, const std::string &bytes) const;
    std::string read(const std::string &name) const;
    bool exists(const std::string &name) const;
    /// Names in the folder, "." and ".." left out.
    std::size_t entryCount() const;

private:
    std::string path_;
};

} // namespace quillarc::test
