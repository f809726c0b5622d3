#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace quillarc {

/// The one source of the user's short-date format, long-time format,
/// decimal separator and string collation. Every date text, number text and
/// the list's sort order come from the current locale, so they always agree.
///
/// Formats are strftime formats (glibc flags such as "%-m" allowed).
class Locale {
public:
    virtual ~Locale() = default;

    virtual std::string shortDateFormat() const = 0;
    virtual std::string longTimeFormat() const = 0;
    /// Usually "." or ","; a UTF-8 sequence in some locales.
    virtual std::string decimalSeparator() const = 0;
    /// Locale-aware, case-sensitive comparison: letters first, case decides
    /// only between texts that are otherwise equal. <0, 0 or >0.
    virtual int compare(std::string_view a, std::string_view b) const = 0;
    /// strftime with this locale's names (AM/PM, month names).
    virtual std::string formatTime(const std::string &format, const struct tm &fields) const = 0;

    /// The user's locale from the environment (LC_ALL / LC_* / LANG).
    static std::shared_ptr<const Locale> fromEnvironment();
    /// United States settings as the examples use them: "12/27/2002",
    /// "3:04:09 PM", a point as separator, letters-first collation.
    static std::shared_ptr<const Locale> unitedStates();
    /// Any fixed settings; collation as unitedStates().
    static std::shared_ptr<const Locale> fixed(std::string shortDate, std::string longTime, std::string separator);

    /// The process-wide locale; fromEnvironment() until setCurrent is called.
    /// The reference lasts until the next setCurrent; code that may run on
    /// another thread holds currentShared() instead.
    static const Locale &current();
    static std::shared_ptr<const Locale> currentShared();
    /// Tests pin a locale here. Not to be called while another thread formats.
    static void setCurrent(std::shared_ptr<const Locale> locale);
};

/// Collation used where the C library offers none beyond byte order (the C
/// and POSIX locales): ASCII letters compared without case first, then lower
/// case before upper case, then bytes. A strict weak order.
int letterFirstCompare(std::string_view a, std::string_view b);

/// Pins a locale for the life of a scope (tests).
class ScopedLocale {
public:
    explicit ScopedLocale(std::shared_ptr<const Locale> locale);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale &) = delete;
    ScopedLocale &operator=(const ScopedLocale &) = delete;

private:
    std::shared_ptr<const Locale> m_previous;
};

} // namespace quillarc
