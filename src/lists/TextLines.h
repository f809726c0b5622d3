#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillarc {

/// Reads lines by the rules of the program's own files: a line ends at CR,
/// an LF directly after that CR belongs to the line end, an LF anywhere else
/// is an ordinary character, Ctrl-Z (26) ends the file wherever it stands.
/// Lines have no length limit. Reading past the end gives empty lines, so a
/// cut-short record still reads whole.
class LineReader {
public:
    /// `bytes` must outlive the reader.
    explicit LineReader(std::string_view bytes);

    bool atEnd() const { return m_pos >= m_end; }
    /// The next line; empty at the end.
    std::string next();

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

/// Every line of `bytes` by the rules above (an empty file has none).
std::vector<std::string> splitLines(std::string_view bytes);

/// Each line followed by CR LF.
std::string joinLinesCrLf(const std::vector<std::string> &lines);

/// False when `text` holds CR or Ctrl-Z: such a text cannot be written as
/// one line and read back as the same line.
bool isStorableLine(std::string_view text);

/// Whole content of a regular file. Throws FileError ("Invalid filename"
/// for a device or pipe, which could block or never end).
std::string readWholeFile(const std::string &path);

} // namespace quillarc
