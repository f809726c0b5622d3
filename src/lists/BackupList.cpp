#include "lists/BackupList.h"

#include <algorithm>
#include <stdexcept>

#include "lists/DateTimeText.h"
#include "lists/Locale.h"

namespace quillarc {

BackupList::BackupList() = default;
BackupList::~BackupList() = default;

std::size_t BackupList::indexOf(const BackupItem &item) const
{
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == &item)
            return i;
    }
    return items_.size();
}

BackupItem &BackupList::append(std::string path)
{
    const auto shared = Locale::currentShared();
    const Locale &locale = *shared;
    auto item = std::unique_ptr<BackupItem>(new BackupItem(std::move(path)));
    // The list is kept sorted, so placing the new item is the whole re-sort.
    const auto at = std::upper_bound(items_.begin(), items_.end(), item->path(),
                                     [&locale](const std::string &key, const std::unique_ptr<BackupItem> &other) {
                                         return locale.compare(key, other->path()) < 0;
                                     });
    BackupItem &added = **items_.insert(at, std::move(item));
    notifyReset();
    return added;
}

void BackupList::setText(BackupItem &item, int position, std::string text)
{
    if (position < 0 || position > 2)
        throw std::out_of_range("backup item text position");
    item.texts_[static_cast<std::size_t>(position)] = std::move(text);
    notifyChanged(item);
}

void BackupList::setTexts(BackupItem &item, std::array<std::string, 3> texts)
{
    item.texts_ = std::move(texts);
    notifyChanged(item);
}

void BackupList::setChecked(BackupItem &item, bool checked)
{
    if (item.checked_ == checked)
        return;
    item.checked_ = checked;
    notifyChanged(item);
}

void BackupList::SetCutOff(BackupItem &item, DateTime value)
{
    item.texts_[TextFloat] = numberText(value);
    item.texts_[TextDateTime] =
        value == 0 ? std::string(kNoCutOffText) : dateTimeText(parseNumberText(item.texts_[TextFloat]));
    notifyChanged(item);
}

void BackupList::remove(BackupItem &item)
{
    const std::size_t index = indexOf(item);
    if (index == items_.size())
        return;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    notifyReset();
}

void BackupList::clear()
{
    items_.clear();
    notifyReset();
}

std::size_t BackupList::checkedCount() const
{
    return static_cast<std::size_t>(
        std::count_if(items_.begin(), items_.end(), [](const auto &item) { return item->checked(); }));
}

void BackupList::addListener(BackupListListener *listener)
{
    if (listener != nullptr && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void BackupList::removeListener(BackupListListener *listener)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void BackupList::beginUpdate()
{
    ++updateDepth_;
}

void BackupList::endUpdate()
{
    if (updateDepth_ > 0 && --updateDepth_ == 0 && changedDuringUpdate_) {
        changedDuringUpdate_ = false;
        notifyReset();
    }
}

void BackupList::notifyReset()
{
    if (updateDepth_ > 0) {
        changedDuringUpdate_ = true;
        return;
    }
    for (BackupListListener *listener : listeners_)
        listener->listReset();
}

void BackupList::notifyChanged(const BackupItem &item)
{
    if (updateDepth_ > 0) {
        changedDuringUpdate_ = true;
        return;
    }
    if (listeners_.empty())
        return;
    const std::size_t index = indexOf(item);
    for (BackupListListener *listener : listeners_)
        listener->itemChanged(index);
}

} // namespace quillarc
