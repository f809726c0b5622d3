#include "lists/FilterLists.h"

#include "lists/AsciiCase.h"

#include <algorithm>

#include "lists/TextLines.h"

namespace quillarc {

FilterLists::FilterLists(std::vector<std::string> &extensions, std::vector<std::string> &patterns,
                         std::function<void()> save)
    : extensions_(extensions), patterns_(patterns), save_(std::move(save))
{
}

std::string FilterLists::lowerCase(std::string text)
{
    return toLowerAscii(text);
}

bool FilterLists::addext(std::string &text)
{
    return add(extensions_, text, true);
}

bool FilterLists::addpattern(std::string &text)
{
    return add(patterns_, text, false);
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
    if (save_)
        save_();
    return true;
}

bool FilterLists::removeExtension(int selected)
{
    return removeAt(extensions_, selected);
}

bool FilterLists::removePattern(int selected)
{
    return removeAt(patterns_, selected);
}

bool FilterLists::removeAt(std::vector<std::string> &list, int selected)
{
    if (selected < 0 || static_cast<std::size_t>(selected) >= list.size())
        return false;
    list.erase(list.begin() + selected);
    if (save_)
        save_();
    return true;
}

} // namespace quillarc
