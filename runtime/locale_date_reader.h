#pragma once
// TLocaleDateReader: reads a date with an optional time written the way the user's locale
// writes short dates, for the grid's date searches. The result is a count of seconds, so two
// texts that name the same moment read as equal numbers.
//
// Accepted text, where B stands for one or more blanks (a blank is a space 0x20 or a tab
// 0x09) and [..] for an optional part:
//
//   [B] DATE [B TIME] [B]
//
// DATE: three fields of digits, joined by one separator used both times.
//   - Order of the fields: the order of day, month and year in the locale's short date
//     pattern (ICU's short date format for the locale). The C/POSIX locale (an empty locale
//     name), and a locale for which ICU has no date conventions of its own, use
//     month/day/year. Examples: en_US M/d/yy -> month, day, year; de_DE dd.MM.yy -> day,
//     month, year; sv_SE y-MM-dd -> year, month, day.
//   - Separator: "/", "-", "." or the locale's own separator (the text between the first
//     two fields of its short date pattern with quotes and blanks removed, in the system
//     code page), the same one between both pairs of fields.
//   - Month: 1 or 2 digits, 1..12. Day: 1 or 2 digits, 1 up to the length of the month
//     (29 February only in leap years of the Gregorian calendar).
//   - Year: 1 or 2 digits read as a two-digit year: 0..49 are 2000..2049, 50..99 are
//     1950..1999; or exactly 4 digits read as they are, 0001..9999. Three digits fail.
// TIME: H:MM or H:MM:SS, optionally followed by [B] and an AM/PM marker.
//   - H: 1 or 2 digits; MM and SS: exactly 2 digits each, 00..59.
//   - Without a marker H is 0..23. With a marker H is 1..12: 12 AM is hour 0, 12 PM is
//     hour 12, any other PM hour is H + 12. The marker is "AM" or "PM" in any letter case.
//
// Anything else fails: a time alone, month names, signs, a third separator, a date
// separator other than the first one, text after the date or time.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/date_pattern.h"

namespace quillet {

class TLocaleDateReader {
 public:
  using Field = TDatePart;

  // The conventions of `locale` ("en_US", "de_DE"; "" for C/POSIX), taken from ICU.
  explicit TLocaleDateReader(const std::string& locale);

  // The reader for LocaleSettings::Current().time_locale, built on first use in each thread
  // and built again after LocaleSettings::Reload().
  static const TLocaleDateReader& Current();

  // The order in which DATE gives its fields.
  const std::array<Field, 3>& FieldOrder() const noexcept { return order_; }
  // The locale's own date separator; "" when it has none besides "/", "-" and ".".
  const std::string& LocaleSeparator() const noexcept { return separator_; }

  // Seconds from 0001-01-01 00:00:00 to the date and time of `text`.
  // Throws EConvertError "'<text>' is not a valid date and time" when `text` is not one of
  // the accepted forms or names no real date or time.
  std::int64_t Read(std::string_view text) const;
  // The same without an exception: false when `text` does not read (`seconds` unchanged).
  bool TryRead(std::string_view text, std::int64_t& seconds) const noexcept;

 private:
  std::array<Field, 3> order_{Field::kMonth, Field::kDay, Field::kYear};
  std::string separator_;
};

// TLocaleDateReader::Current().Read(text).
std::int64_t ReadLocaleDateTime(std::string_view text);

}  // namespace quillet
