#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "lists/DateTime.h"

namespace quillarc {

/// A text that is not a number. Its message is the user's text, for
/// example "'abc' is not a valid floating point value".
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The "Date/Time" text of an item without a cut-off.
inline constexpr std::string_view kNoCutOffText = "0/0/0 0:00";

/// Number text: at most 15 significant digits, no trailing zeros, the
/// current locale's decimal separator, "0" for 0 (37617.6278819444).
/// Exponent form ("1E-5") only for values far outside real dates.
std::string numberText(double value);

/// Parses a number text with the current locale's separator (blanks around
/// it allowed, an optional sign and exponent). Throws ConversionError
/// "'%s' is not a valid floating point value".
double parseNumberText(std::string_view text);
/// Same without throwing.
bool tryParseNumberText(std::string_view text, double &value);
/// Same, also taking "." or "," as the decimal separator whatever the
/// locale says: a list written under one locale reads under another.
bool tryParseNumberTextAnySeparator(std::string_view text, double &value);

/// Date-time text: the short date, then one blank and the long time only
/// when hours, minutes and seconds are not all zero. No milliseconds.
std::string dateTimeText(DateTime value);

/// "Date/Time" column text of a cut-off: kNoCutOffText for 0, else the
/// date-time text.
std::string cutOffText(DateTime value);

} // namespace quillarc
