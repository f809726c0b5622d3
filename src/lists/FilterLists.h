#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillarc {

/// Editing of the extension and pattern lists that the file filter reads.
/// Entries stay lower case, never empty and never twice in a list (for
/// extensions, beginning with "."). Every change ends by calling `save`
/// (which writes the config file and may throw FileError; the change then
/// stays in the list and reaches the file with the next save).
class FilterLists {
public:
    FilterLists(std::vector<std::string> &extensions, std::vector<std::string> &patterns, std::function<void()> save);

    /// addext: empty text does nothing and saves nothing (returns false).
    /// Otherwise "." is put in front unless the text begins with one,
    /// the lower-case form is appended unless already listed, and the list
    /// is saved, also when nothing was added. `text` is emptied as the edit is.
    bool addext(std::string &text);
    /// addpattern: the same without the ".".
    bool addpattern(std::string &text);

    /// Removes entry `selected` (-1 or out of range: nothing, returns false)
    /// and saves. The view then selects nothing.
    bool removeExtension(int selected);
    bool removePattern(int selected);

    /// The text an edit shows for typed text: letters in lower case.
    static std::string lowerCase(const std::string &text);

private:
    bool add(std::vector<std::string> &list, std::string &text, bool extension);
    bool removeAt(std::vector<std::string> &list, int selected);

    std::vector<std::string> &m_extensions;
    std::vector<std::string> &m_patterns;
    std::function<void()> m_save;
};

} // namespace quillarc
