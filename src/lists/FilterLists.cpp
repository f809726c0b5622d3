#include "lists/FilterLists.h"

#include "base/AsciiCase.h"

#include <algorithm>

#include "lists/TextLines.h"

namespace quillarc {

FilterLists::FilterLists(std::vector<std::string> &extensions, std::vector<std::string> &patterns,
                         std::function<void()> save)
    : m_extensions(extensions), m_patterns(patterns), m_save(std::move(save))
{
}

std::string FilterLists::lowerCase(const std::string &text)
{
    return toLowerAscii(text);
}

bool FilterLists::addext(std::string &text)
{
    return add(m_extensions, text, true);
}

bool FilterLists::addpattern(std::string &text)
{
    return add(m_patterns, text, false);
}

bool FilterLists::add(std::vector<std::string> &list, std::string &text, bool extension)
{
    if (text.empty())
        return false;
    // A line break in an entry would split it into two entries in the file.
    if (!isStorableLine(text))
        return false;
    if (extension && text.front() != '.')
        text.insert(text.begin(), '.');
    // Compared in the form that is stored, so no entry can stand twice.
    const std::string entry = lowerCase(text);
    if (std::find(list.begin(), list.end(), entry) == list.end())
        list.push_back(entry);
    text.clear();
    if (m_save)
        m_save();
    return true;
}

bool FilterLists::removeExtension(int selected)
{
    return removeAt(m_extensions, selected);
}

bool FilterLists::removePattern(int selected)
{
    return removeAt(m_patterns, selected);
}

bool FilterLists::removeAt(std::vector<std::string> &list, int selected)
{
    if (selected < 0 || static_cast<std::size_t>(selected) >= list.size())
        return false;
    list.erase(list.begin() + selected);
    if (m_save)
        m_save();
    return true;
}

} // namespace quillarc
