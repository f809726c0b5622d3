#include "lists/BackupList.h"

#include <algorithm>
#include <stdexcept>

#include "lists/DateTimeText.h"
#include "lists/Locale.h"

namespace quillarc {

BackupList::BackupList() = default;
BackupList::~BackupList() = default;

void BackupList::placePending() const
{
    if (m_placed == m_items.size())
        return;
    const auto shared = Locale::currentShared();
    const Locale &locale = *shared;
    auto before = [&locale](const std::unique_ptr<BackupItem> &a, const std::unique_ptr<BackupItem> &b) {
        return locale.compare(a->path(), b->path()) < 0;
    };
    const auto middle = m_items.begin() + static_cast<std::ptrdiff_t>(m_placed);
    std::stable_sort(middle, m_items.end(), before);
    std::inplace_merge(m_items.begin(), middle, m_items.end(), before);
    m_placed = m_items.size();
}

std::size_t BackupList::indexOf(const BackupItem &item) const
{
    placePending();
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == &item)
            return i;
    }
    return m_items.size();
}

BackupItem &BackupList::append(std::string path)
{
    const auto shared = Locale::currentShared();
    const Locale &locale = *shared;
    auto item = std::unique_ptr<BackupItem>(new BackupItem(std::move(path)));
    if (m_updateDepth > 0) {
        BackupItem &added = *m_items.emplace_back(std::move(item));
        notifyReset();
        return added;
    }
    placePending();
    // The list is kept sorted, so placing the new item is the whole re-sort.
    const auto at = std::upper_bound(m_items.begin(), m_items.end(), item->path(),
                                     [&locale](const std::string &key, const std::unique_ptr<BackupItem> &other) {
                                         return locale.compare(key, other->path()) < 0;
                                     });
    BackupItem &added = **m_items.insert(at, std::move(item));
    m_placed = m_items.size();
    notifyReset();
    return added;
}

void BackupList::setText(BackupItem &item, int position, std::string text)
{
    if (position < 0 || position > 2)
        throw std::out_of_range("backup item text position");
    item.m_texts[static_cast<std::size_t>(position)] = std::move(text);
    readTexts(item);
    notifyChanged(item);
}

void BackupList::setTexts(BackupItem &item, std::array<std::string, 3> texts)
{
    item.m_texts = std::move(texts);
    readTexts(item);
    notifyChanged(item);
}

void BackupList::setChecked(BackupItem &item, bool checked)
{
    if (item.m_checked == checked)
        return;
    item.m_checked = checked;
    notifyChanged(item);
}

void BackupList::setCutOffValue(BackupItem &item, DateTime value)
{
    item.m_texts[TextFloat] = numberText(value);
    // From the "Float" text read back, so that both columns agree to the
    // second and the value held is the one the saved list gives.
    item.m_cutOff = CutOff::fromFloatText(item.m_texts[TextFloat]);
    item.m_texts[TextDateTime] = item.m_cutOff.value_or(CutOff()).dateTimeText();
    notifyChanged(item);
}

void BackupList::copyCutOff(BackupItem &item, const BackupItem &from)
{
    item.m_texts[TextDateTime] = from.m_texts[TextDateTime];
    item.m_texts[TextFloat] = from.m_texts[TextFloat];
    item.m_cutOff = from.m_cutOff;
    notifyChanged(item);
}

void BackupList::setSubFolders(BackupItem &item, SubFolders flag)
{
    item.m_texts[TextSubDir] = std::string(subDirText(flag));
    item.m_subFolders = flag;
    notifyChanged(item);
}

void BackupList::readTexts(BackupItem &item)
{
    item.m_cutOff = CutOff::fromFloatText(item.m_texts[TextFloat]);
    item.m_subFolders = subFoldersFromText(item.m_texts[TextSubDir]);
}

void BackupList::remove(BackupItem &item)
{
    const std::size_t index = indexOf(item);
    if (index == m_items.size())
        return;
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
    m_placed = m_items.size();
    notifyReset();
}

void BackupList::clear()
{
    m_items.clear();
    m_placed = 0;
    notifyReset();
}

std::size_t BackupList::checkedCount() const
{
    return static_cast<std::size_t>(
        std::count_if(m_items.begin(), m_items.end(), [](const auto &item) { return item->checked(); }));
}

void BackupList::addListener(BackupListListener *listener)
{
    if (listener != nullptr && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void BackupList::removeListener(BackupListListener *listener)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void BackupList::beginUpdate()
{
    ++m_updateDepth;
}

void BackupList::endUpdate()
{
    if (m_updateDepth > 0 && --m_updateDepth == 0 && m_changedDuringUpdate) {
        placePending();
        m_changedDuringUpdate = false;
        notifyReset();
    }
}

void BackupList::notifyReset()
{
    if (m_updateDepth > 0) {
        m_changedDuringUpdate = true;
        return;
    }
    for (BackupListListener *listener : m_listeners)
        listener->listReset();
}

void BackupList::notifyChanged(const BackupItem &item)
{
    if (m_updateDepth > 0) {
        m_changedDuringUpdate = true;
        return;
    }
    if (m_listeners.empty())
        return;
    const std::size_t index = indexOf(item);
    for (BackupListListener *listener : m_listeners)
        listener->itemChanged(index);
}

} // namespace quillarc
