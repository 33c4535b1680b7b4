#pragma once
// TDateTimeFormat: the date-time format with which a key list reads soDate keys, and the
// reading of a text into a date key: a short text of digits and blanks that orders like the
// date and time it stands for when compared byte by byte.
//
// Format letters (read in upper case): date section D (day, x1), M (month, x35),
// Y (year, x500); time section H (hour, x360000), M or N (minute, x6000), S (second, x100),
// T (hundredth, x1), "AMPM" (marker, x0). A date key is the date field (day + 35 * month +
// 500 * year, right-aligned in 7 characters) followed by the time field (the weighted sum of
// the time parts with the AM/PM adjustment, right-aligned in 7 characters and cut to 7).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

class TDateTimeFormat {
 public:
  struct PartSlot {
    char letter = 0;
    std::int32_t multiplier = 0;
  };

  // The default format of the user's locale, parsed. Throws E_Format_Invalid if that
  // format does not parse.
  TDateTimeFormat();

  // The format as it was set, case and all.
  const std::string& Format() const { return format_; }
  // If `format` differs byte for byte from Format(): stores it, then parses it
  // (ParseDateTimeFormat). An equal text does nothing, also after a failed parse.
  // Throws E_Format_Invalid as ParseDateTimeFormat; the new text stays stored.
  void SetFormat(const std::string& format);
  // Fills the parsed form from `format`. Throws E_Format_Invalid:
  //   "\"<c>\" in <F> (Date format part) is invalid" or "... (Time format part) is invalid",
  // where F is the upper-cased format with one blank appended (so two blanks precede the
  // opening parenthesis). When the format ends before the third date part (e.g. "d/m"),
  // nothing stands between the quotes. A part that finds no free slot (more than 10 parts)
  // fails with the time-format error naming its first character. After a failure the
  // parsed form keeps what was built before it: has date only when all three date parts
  // were read, and the time parts read before the failing one.
  void ParseDateTimeFormat(const std::string& format);

  bool ShortYearExpand() const { return short_year_expand_; }
  void SetShortYearExpand(bool value) { short_year_expand_ = value; }
  std::int32_t ShortYearBorder() const { return short_year_border_; }
  void SetShortYearBorder(std::int32_t value) { short_year_border_ = value; }

  // The date key of `text` under the parsed format: the date field when the format has a
  // date section, then the time field when it has time parts and text is left after the
  // date parts. Sums are taken in 64 bits, so any input has a defined key; a date field
  // wider than 7 characters is written in full and a negative one with its "-": such keys
  // (years from 20000 on, negative values) do not sort in date order, but always the same
  // way. Throws E_Format_Invalid at the AMPM part when the text has no AM or PM there:
  // "\"<first 100 characters of text>\" AM or PM expected. DateTimeFormat=<Format()>".
  std::string DateKey(std::string_view text) const;

  // Reads the integer at the front of `text` and removes it. Integer reading: blanks
  // (0x20) skipped, then "$" and hexadecimal digits or an optional sign and decimal digits,
  // and the text must end right after the digits. If all of `text` reads, returns its value
  // and empties it. Otherwise, with p the position (from 1) where reading fails, the first
  // p-1 characters are read: if they read, their value is returned and p characters are
  // removed (the number and one separator); if not, 0 is returned and p+q characters are
  // removed, q being where that second reading fails ("x5" loses both characters).
  // A number beyond the signed 32-bit range saturates to -2147483648 or 2147483647 and is
  // consumed whole (hexadecimal digits count as a magnitude: "$FFFFFFFF" is 2147483647).
  static std::int32_t ReadLeadingInteger(std::string& text);

  // The user's default format (locale short date, a blank, a long time format), built
  // once per process from LocaleSettings::Current().time_locale by DefaultFormatFor.
  static const std::string& DefaultFormat();
  // The same for a given locale name ("en_US", "" for C/POSIX), for tests. The date
  // section is ICU's short date pattern reduced to its day, month and year fields (text
  // months become "M", other fields and literals are dropped) with one separator
  // character between them; the time section is "h" ("hh" when ICU's medium time pattern
  // writes hours with two letters), ":mm:ss", and " AMPM" when that pattern uses a
  // 12-hour field with a day-period marker (runtime/date_pattern.h). "", "C", "POSIX" and
  // locales without date conventions of their own give "m/d/yy h:mm:ss AMPM"; a date
  // pattern without day, month and year gives "m/d/yy" for the date section. The result
  // always parses.
  static std::string DefaultFormatFor(const std::string& locale);

  // The parsed form, for tests and diagnostics.
  bool HasDate() const { return has_date_; }
  bool HasTime() const { return has_time_; }
  bool HasAmPm() const { return has_am_pm_; }
  std::int32_t TimePartCount() const { return time_part_count_; }
  std::int32_t FirstTimeSlot() const { return first_time_slot_; }
  const PartSlot& Slot(int number) const { return slots_[number - 1]; }  // 1..10

 private:
  // Steps of ParseDateTimeFormat on the upper-cased format `f` (blank appended).
  std::size_t ParseDateSection(const std::string& f);
  void ParseTimeSection(const std::string& f, std::size_t p);
  // Steps of DateKey: each reads its parts from the front of `rest` and removes them.
  std::int64_t DateSum(std::string& rest) const;
  std::int64_t TimeSum(std::string_view text, std::string& rest) const;
  [[noreturn]] void ThrowAmPmError(std::string_view text) const;

  std::string format_;
  std::int32_t time_part_count_ = 0;
  std::int32_t first_time_slot_ = 1;
  std::array<PartSlot, 10> slots_{};
  bool has_date_ = false;
  bool has_time_ = false;
  bool has_am_pm_ = false;
  bool short_year_expand_ = true;
  std::int32_t short_year_border_ = 10;
};

}  // namespace quillet
