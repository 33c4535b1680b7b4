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
  // where F is the upper-cased format with one blank appended. After a failure the parsed
  // form keeps what was built before it.
  void ParseDateTimeFormat(const std::string& format);

  bool ShortYearExpand() const { return short_year_expand_; }
  void SetShortYearExpand(bool value) { short_year_expand_ = value; }
  std::int32_t ShortYearBorder() const { return short_year_border_; }
  void SetShortYearBorder(std::int32_t value) { short_year_border_ = value; }

  // The date key of `text` under the parsed format. Throws E_Format_Invalid at the AMPM
  // part: "\"<first 100 characters of text>\" AM or PM expected. DateTimeFormat=<Format()>".
  std::string DateKey(std::string_view text) const;

  // Reads the integer at the front of `text` and removes it with what follows as
  // described for date parts (a number and one separator; at least two characters of a
  // text that does not start with a number).
  static std::int32_t ReadLeadingInteger(std::string& text);

  // The user's default format (locale short date, a blank, a long time format), built
  // once per process from LocaleSettings; "m/d/yy h:mm:ss AMPM" for C/POSIX.
  static const std::string& DefaultFormat();
  // The same for a given locale name ("en_US", "" for C/POSIX), for tests.
  static std::string DefaultFormatFor(const std::string& locale);

  // The parsed form, for tests and diagnostics.
  bool HasDate() const { return has_date_; }
  bool HasTime() const { return has_time_; }
  bool HasAmPm() const { return has_am_pm_; }
  std::int32_t TimePartCount() const { return time_part_count_; }
  std::int32_t FirstTimeSlot() const { return first_time_slot_; }
  const PartSlot& Slot(int number) const { return slots_[number - 1]; }  // 1..10

 private:
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
