#pragma once

#include <string>
#include <string_view>

namespace quillarc {

/// What a person types to find a file: a plain text found anywhere in the
/// name, or a pattern with * (any run of characters, '/' included) and ?
/// (one character) matched against the whole name. ASCII letters match
/// either case.
///
/// Matched against a whole path ("home/ann/Docs/a.txt"), a pattern that
/// begins with '/' is anchored at the root; any other pattern may begin at
/// any folder ("Docs/*.txt" finds the file above), and a plain text is
/// found anywhere, "/home/ann" included.
class NamePattern {
public:
    enum class Against {
        Name,
        WholePath
    };
    explicit NamePattern(std::string_view typed, Against against = Against::Name);

    /// `text` is a name, or a mirror path without its leading '/'.
    bool matches(std::string_view text) const;

    /// The longest run of the pattern's plain characters that holds no '/'
    /// (every matching name holds it within one path element), for the
    /// index to narrow the search with.
    std::string longestPlainRun() const;

private:
    std::string m_pattern; // lower case, wrapped in '*' for a plain text
    bool m_wholePath;
    mutable std::string m_rooted; // the path with '/' in front, reused
};

/// An index query (FTS5, trigram tokens) for names holding `run`: each
/// three-character piece as a quoted token, joined with AND. Empty when
/// the run is shorter than three characters.
std::string trigramQuery(std::string_view run);

} // namespace quillarc
