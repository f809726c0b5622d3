#include "lists/Locale.h"

#include "lists/AsciiCase.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace quillarc {

namespace {

// Owns a locale_t; "C" when the environment names a locale that is not installed.
class CLocaleHandle {
public:
    explicit CLocaleHandle(const char *name)
    {
        handle_ = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
        if (handle_ == static_cast<locale_t>(nullptr))
            handle_ = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    }
    ~CLocaleHandle()
    {
        if (handle_ != static_cast<locale_t>(nullptr))
            freelocale(handle_);
    }
    CLocaleHandle(const CLocaleHandle &) = delete;
    CLocaleHandle &operator=(const CLocaleHandle &) = delete;
    locale_t get() const { return handle_; }

private:
    locale_t handle_;
};

std::string strftimeWith(locale_t handle, const std::string &format, const struct tm &fields)
{
    // A trailing marker tells an empty result apart from a too small buffer.
    const std::string marked = format + "\x01";
    std::vector<char> buffer(128);
    for (;;) {
        const std::size_t n = strftime_l(buffer.data(), buffer.size(), marked.c_str(), &fields, handle);
        if (n > 0)
            return std::string(buffer.data(), n - 1);
        if (buffer.size() > 65536)
            return std::string();
        buffer.resize(buffer.size() * 4);
    }
}

// The name of the collation actually in use (not the one asked for: a locale
// that is not installed leaves the C locale in place).
std::string collationName(locale_t handle)
{
#ifdef _NL_LOCALE_NAME
    const char *name = nl_langinfo_l(_NL_LOCALE_NAME(LC_COLLATE), handle);
    return name != nullptr ? name : "";
#else
    (void)handle;
    return "";
#endif
}

// The C and POSIX locales only order bytes; they stand for "no preference".
bool isPlainLocaleName(const std::string &name)
{
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

class EnvironmentLocale final : public Locale {
public:
    EnvironmentLocale() : handle_("")
    {
        dateFormat_ = nl_langinfo_l(D_FMT, handle_.get());
        timeFormat_ = nl_langinfo_l(T_FMT, handle_.get());
        separator_ = nl_langinfo_l(RADIXCHAR, handle_.get());
        if (separator_.empty())
            separator_ = ".";
        // Stored cut-offs outlive a century: show four-digit years.
        for (std::size_t at = dateFormat_.find("%y"); at != std::string::npos; at = dateFormat_.find("%y", at + 2))
            dateFormat_[at + 1] = 'Y';
        if (dateFormat_.empty())
            dateFormat_ = "%m/%d/%Y";
        if (timeFormat_.empty())
            timeFormat_ = "%H:%M:%S";
        byteCollation_ = isPlainLocaleName(collationName(handle_.get()));
    }

    std::string shortDateFormat() const override { return dateFormat_; }
    std::string longTimeFormat() const override { return timeFormat_; }
    std::string decimalSeparator() const override { return separator_; }

    int compare(std::string_view a, std::string_view b) const override
    {
        if (byteCollation_)
            return letterFirstCompare(a, b);
        // strcoll_l needs terminated texts; an embedded NUL would cut them short.
        const std::string left(a), right(b);
        if (left.find('\0') != std::string::npos || right.find('\0') != std::string::npos)
            return letterFirstCompare(a, b);
        const int result = strcoll_l(left.c_str(), right.c_str(), handle_.get());
        if (result != 0)
            return result;
        // Texts the locale calls equal still get one fixed order.
        return left.compare(right);
    }

    std::string formatTime(const std::string &format, const struct tm &fields) const override
    {
        return strftimeWith(handle_.get(), format, fields);
    }

private:
    CLocaleHandle handle_;
    std::string dateFormat_;
    std::string timeFormat_;
    std::string separator_;
    bool byteCollation_ = true;
};

class FixedLocale final : public Locale {
public:
    FixedLocale(std::string date, std::string time, std::string separator)
        : handle_("C"), date_(std::move(date)), time_(std::move(time)), separator_(std::move(separator))
    {
    }
    std::string shortDateFormat() const override { return date_; }
    std::string longTimeFormat() const override { return time_; }
    std::string decimalSeparator() const override { return separator_; }
    int compare(std::string_view a, std::string_view b) const override { return letterFirstCompare(a, b); }
    std::string formatTime(const std::string &format, const struct tm &fields) const override
    {
        return strftimeWith(handle_.get(), format, fields);
    }

private:
    CLocaleHandle handle_;
    std::string date_;
    std::string time_;
    std::string separator_;
};

unsigned char foldAscii(unsigned char c)
{
    return static_cast<unsigned char>(toLowerAscii(static_cast<char>(c)));
}

std::mutex currentMutex;

std::shared_ptr<const Locale> &currentSlot()
{
    static std::shared_ptr<const Locale> slot = Locale::fromEnvironment();
    return slot;
}

} // namespace

int letterFirstCompare(std::string_view a, std::string_view b)
{
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    // Equal but for case: lower case first, at the first difference.
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] != b[i])
            return (a[i] >= 'a' && a[i] <= 'z') ? -1 : 1;
    }
    return 0;
}

std::shared_ptr<const Locale> Locale::fromEnvironment()
{
    return std::make_shared<EnvironmentLocale>();
}

std::shared_ptr<const Locale> Locale::unitedStates()
{
    return fixed("%-m/%-d/%Y", "%-I:%M:%S %p", ".");
}

std::shared_ptr<const Locale> Locale::fixed(std::string shortDate, std::string longTime, std::string separator)
{
    return std::make_shared<FixedLocale>(std::move(shortDate), std::move(longTime), std::move(separator));
}

const Locale &Locale::current()
{
    std::lock_guard lock(currentMutex);
    return *currentSlot();
}

std::shared_ptr<const Locale> Locale::currentShared()
{
    std::lock_guard lock(currentMutex);
    return currentSlot();
}

void Locale::setCurrent(std::shared_ptr<const Locale> locale)
{
    std::lock_guard lock(currentMutex);
    currentSlot() = locale ? std::move(locale) : fromEnvironment();
}

ScopedLocale::ScopedLocale(std::shared_ptr<const Locale> locale) : previous_(Locale::currentShared())
{
    Locale::setCurrent(std::move(locale));
}

ScopedLocale::~ScopedLocale()
{
    Locale::setCurrent(std::move(previous_));
}

} // namespace quillarc
