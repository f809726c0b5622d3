#include "lists/Locale.h"

#include "base/AsciiCase.h"

#include <langinfo.h>
#include <clocale>

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
        m_handle = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
        if (m_handle == static_cast<locale_t>(nullptr))
            m_handle = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    }
    ~CLocaleHandle()
    {
        if (m_handle != static_cast<locale_t>(nullptr))
            freelocale(m_handle);
    }
    CLocaleHandle(const CLocaleHandle &) = delete;
    CLocaleHandle &operator=(const CLocaleHandle &) = delete;
    locale_t get() const { return m_handle; }

private:
    locale_t m_handle;
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
    EnvironmentLocale() : m_handle("")
    {
        m_dateFormat = nl_langinfo_l(D_FMT, m_handle.get());
        m_timeFormat = nl_langinfo_l(T_FMT, m_handle.get());
        m_separator = nl_langinfo_l(RADIXCHAR, m_handle.get());
        if (m_separator.empty())
            m_separator = ".";
        // Stored cut-offs outlive a century: show four-digit years.
        for (std::size_t at = m_dateFormat.find("%y"); at != std::string::npos; at = m_dateFormat.find("%y", at + 2))
            m_dateFormat[at + 1] = 'Y';
        if (m_dateFormat.empty())
            m_dateFormat = "%m/%d/%Y";
        if (m_timeFormat.empty())
            m_timeFormat = "%H:%M:%S";
        m_byteCollation = isPlainLocaleName(collationName(m_handle.get()));
    }

    std::string shortDateFormat() const override { return m_dateFormat; }
    std::string longTimeFormat() const override { return m_timeFormat; }
    std::string decimalSeparator() const override { return m_separator; }

    int compare(std::string_view a, std::string_view b) const override
    {
        if (m_byteCollation)
            return letterFirstCompare(a, b);
        // strcoll_l needs terminated texts; an embedded NUL would cut them short.
        const std::string left(a), right(b);
        if (left.find('\0') != std::string::npos || right.find('\0') != std::string::npos)
            return letterFirstCompare(a, b);
        const int result = strcoll_l(left.c_str(), right.c_str(), m_handle.get());
        if (result != 0)
            return result;
        // Texts the locale calls equal still get one fixed order.
        return left.compare(right);
    }

    std::string formatTime(const std::string &format, const struct tm &fields) const override
    {
        return strftimeWith(m_handle.get(), format, fields);
    }

private:
    CLocaleHandle m_handle;
    std::string m_dateFormat;
    std::string m_timeFormat;
    std::string m_separator;
    bool m_byteCollation = true;
};

class FixedLocale final : public Locale {
public:
    FixedLocale(std::string date, std::string time, std::string separator)
        : m_handle("C"), m_date(std::move(date)), m_time(std::move(time)), m_separator(std::move(separator))
    {
    }
    std::string shortDateFormat() const override { return m_date; }
    std::string longTimeFormat() const override { return m_time; }
    std::string decimalSeparator() const override { return m_separator; }
    int compare(std::string_view a, std::string_view b) const override { return letterFirstCompare(a, b); }
    std::string formatTime(const std::string &format, const struct tm &fields) const override
    {
        return strftimeWith(m_handle.get(), format, fields);
    }

private:
    CLocaleHandle m_handle;
    std::string m_date;
    std::string m_time;
    std::string m_separator;
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

ScopedLocale::ScopedLocale(std::shared_ptr<const Locale> locale) : m_previous(Locale::currentShared())
{
    Locale::setCurrent(std::move(locale));
}

ScopedLocale::~ScopedLocale()
{
    Locale::setCurrent(std::move(m_previous));
}

} // namespace quillarc
