#pragma once

#include <string>

namespace quillarc::test {

/// A fresh folder under $TMPDIR (or `parent`), removed with everything in
/// it at the end, however its permissions were left.
class TempFolder {
public:
    explicit TempFolder(const std::string &parent = {});
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    /// Ends in '/'.
    const std::string &path() const { return path_; }
    /// The same without the trailing '/'.
    std::string folder() const { return path_.substr(0, path_.size() - 1); }
    std::string file(const std::string &name) const { return path_ + name; }
    std::string operator/(const std::string &name) const { return file(name); }

    void write(const std::string &name, const std::string &bytes) const;
    std::string read(const std::string &name) const;
    bool exists(const std::string &name) const;
    /// Names in the folder, "." and ".." left out.
    std::size_t entryCount() const;

private:
    std::string path_;
};

} // namespace quillarc::test
