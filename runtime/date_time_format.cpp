#include "runtime/date_time_format.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "runtime/date_pattern.h"
#include "runtime/exceptions.h"
#include "runtime/locale_settings.h"

namespace quillet {

namespace {

constexpr int kSlotCount = 10;
constexpr std::size_t kFieldWidth = 7;
constexpr std::size_t kQuotedTextLimit = 100;
constexpr std::int64_t kHalfDay = 4320000;  // 12 hours in hundredths of a second
const char kFallbackFormat[] = "m/d/yy h:mm:ss AMPM";

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCased(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

// Character `p` (counted from 1) of `f`; the character with code 0 past the end.
char CharAt(const std::string& f, std::size_t p) { return p >= 1 && p <= f.size() ? f[p - 1] : '\0'; }

// Moves p past the run of `c` that starts at p.
std::size_t SkipRun(const std::string& f, std::size_t p, char c) {
  do {
    ++p;
  } while (CharAt(f, p) == c);
  return p;
}

std::int32_t DateMultiplier(char c) {
  switch (c) {
    case 'D': return 1;
    case 'M': return 35;
    case 'Y': return 500;
    default: return 0;
  }
}

std::int32_t TimeMultiplier(char c) {
  switch (c) {
    case 'H': return 360000;
    case 'M':
    case 'N': return 6000;
    case 'S': return 100;
    case 'T': return 1;
    default: return 0;
  }
}

// The character past the end of the format (code 0) is shown as nothing between the
// quotes: a byte 0 inside the message would cut it short wherever it is shown.
[[noreturn]] void ThrowPartError(char c, const std::string& f, const char* section) {
  std::string message = "\"";
  if (c != '\0') message += c;
  message += "\" in " + f + " (" + section + " format part) is invalid";
  throw E_Format_Invalid(message);
}

// ---- integer reading ------------------------------------------------------------------

struct IntegerReading {
  bool complete = false;
  std::size_t fail_position = 0;  // counted from 1, when not complete
  std::int32_t value = 0;
};

IntegerReading Failed(std::size_t position) { return {false, position, 0}; }

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return UpperAscii(c) - 'A' + 10;
}

// Reads the digits of `text` from index i on; returns the index after them. The magnitude
// stops growing beyond 2^32, which is enough for the saturation that follows.
std::size_t ReadDigits(std::string_view text, std::size_t i, int base, std::int64_t& magnitude) {
  constexpr std::int64_t kCap = std::int64_t{1} << 32;
  magnitude = 0;
  while (i < text.size() && (base == 16 ? IsHexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9'))) {
    magnitude = std::min(kCap, magnitude * base + DigitValue(text[i]));
    ++i;
  }
  return i;
}

std::int32_t Saturated(std::int64_t value) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(value, kMin, kMax));
}

// The integer reading of date and time parts: blanks, then "$" and hexadecimal digits or
// an optional sign and decimal digits, and nothing after the digits.
IntegerReading ReadInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  int base = 10;
  bool negative = false;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t magnitude = 0;
  const std::size_t end = ReadDigits(text, i, base, magnitude);
  if (end == i || end < text.size()) return Failed(end + 1);
  return {true, 0, Saturated(negative ? -magnitude : magnitude)};
}

std::string RightAligned(std::int64_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() < kFieldWidth) digits.insert(0, kFieldWidth - digits.size(), ' ');
  return digits;
}

std::string AmPmMarker(std::string_view rest) { return UpperCased(rest.substr(0, 2)); }

}  // namespace

// ---- format -----------------------------------------------------------------------------

TDateTimeFormat::TDateTimeFormat() : format_(DefaultFormat()) { ParseDateTimeFormat(format_); }

void TDateTimeFormat::SetFormat(const std::string& format) {
  if (format == format_) return;  // also after a failed parse: the partial form stays
  format_ = format;
  ParseDateTimeFormat(format_);
}

void TDateTimeFormat::ParseDateTimeFormat(const std::string& format) {
  const std::string f = UpperCased(format) + ' ';
  slots_.fill(PartSlot{});
  has_date_ = has_time_ = has_am_pm_ = false;
  time_part_count_ = 0;
  first_time_slot_ = 1;
  std::size_t p = 0;
  if (f[0] != 'H') p = ParseDateSection(f);
  ParseTimeSection(f, p);
}

std::size_t TDateTimeFormat::ParseDateSection(const std::string& f) {
  std::size_t p = 0;
  for (PartSlot& slot : std::span(slots_).first(3)) {
    ++p;
    const char c = CharAt(f, p);
    slot.letter = c;
    slot.multiplier = DateMultiplier(c);
    if (slot.multiplier == 0) ThrowPartError(c, f, "Date");
    p = SkipRun(f, p, c);
  }
  has_date_ = true;
  first_time_slot_ = 4;
  return p;
}

void TDateTimeFormat::ParseTimeSection(const std::string& f, std::size_t p) {
  for (;;) {
    ++p;
    if (p > f.size()) return;
    const char c = CharAt(f, p);
    const int slot_number = first_time_slot_ + time_part_count_;
    if (slot_number > kSlotCount) ThrowPartError(c, f, "Time");  // no slot left for it
    PartSlot& slot = slots_[slot_number - 1];
    slot.letter = c;
    if (f.compare(p - 1, 4, "AMPM") == 0) {
      has_am_pm_ = true;
      p += 3;  // the run skip of 'A' below starts from the last of the four characters
    } else {
      slot.multiplier = TimeMultiplier(c);
      if (slot.multiplier == 0) ThrowPartError(c, f, "Time");
    }
    ++time_part_count_;
    has_time_ = true;
    p = SkipRun(f, p, c);
  }
}

// ---- date keys --------------------------------------------------------------------------

std::int32_t TDateTimeFormat::ReadLeadingInteger(std::string& text) {
  const IntegerReading whole = ReadInteger(text);
  if (whole.complete) {
    text.clear();
    return whole.value;
  }
  const std::size_t p = whole.fail_position;
  const IntegerReading front = ReadInteger(std::string_view(text).substr(0, p - 1));
  const std::size_t q = front.complete ? 0 : front.fail_position;
  text.erase(0, std::min(text.size(), p + q));
  return front.complete ? front.value : 0;
}

std::string TDateTimeFormat::DateKey(std::string_view text) const {
  std::string rest(text);
  std::string key;
  if (has_date_) key += RightAligned(DateSum(rest));
  if (has_time_ && !rest.empty()) key += RightAligned(TimeSum(text, rest)).substr(0, kFieldWidth);
  return key;
}

std::int64_t TDateTimeFormat::DateSum(std::string& rest) const {
  std::int64_t sum = 0;
  for (const PartSlot& slot : std::span(slots_).first(3)) {
    std::int64_t value = ReadLeadingInteger(rest);
    if (slot.letter == 'Y' && short_year_expand_) {
      if (value < short_year_border_) {
        value += 2000;
      } else if (value < 100) {
        value += 1900;
      }
    }
    sum += value * slot.multiplier;
  }
  return sum;
}

std::int64_t TDateTimeFormat::TimeSum(std::string_view text, std::string& rest) const {
  std::int64_t sum = 0;
  std::int64_t hour = 0;
  bool am = true;
  for (int number = first_time_slot_; number < first_time_slot_ + time_part_count_; ++number) {
    const PartSlot& slot = slots_[number - 1];
    if (has_am_pm_) {
      const std::string marker = AmPmMarker(rest);
      const bool is_marker = marker == "AM" || marker == "PM";
      if (slot.letter == 'A') {
        if (!is_marker) ThrowAmPmError(text);
        am = marker == "AM";
        rest.erase(0, 2);
        continue;
      }
      if (is_marker) continue;  // a part left out before the marker
    }
    const std::int64_t value = ReadLeadingInteger(rest);
    if (slot.letter == 'H') hour = value;
    sum += value * slot.multiplier;
  }
  if (has_am_pm_ && am && hour == 12) sum -= kHalfDay;
  if (has_am_pm_ && !am && hour < 12) sum += kHalfDay;
  return sum;
}

void TDateTimeFormat::ThrowAmPmError(std::string_view text) const {
  throw E_Format_Invalid("\"" + std::string(text.substr(0, kQuotedTextLimit)) +
                         "\" AM or PM expected. DateTimeFormat=" + format_);
}

// ---- default format ---------------------------------------------------------------------
//
// The date parts of the locale's short date pattern (runtime/date_pattern.h) become the
// three parts this format reads; text months (MMM and longer) become "M", since the part is
// read as a number anyway. Other letters and quoted literals are dropped; the text between
// two parts becomes one separator character: its first printable ASCII character that is no
// letter, else a blank when it holds one, else "/". Text before the first and after the
// last part is dropped.

namespace {

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

std::string DatePartText(TDatePart part, int count) {
  switch (part) {
    case TDatePart::kDay: return count >= 2 ? "dd" : "d";
    case TDatePart::kMonth: return count == 2 ? "MM" : "M";
    case TDatePart::kYear: return std::string(static_cast<std::size_t>(std::min(count, 4)), 'y');
  }
  return {};
}

char SeparatorOf(const std::u16string& between) {
  bool has_blank = false;
  for (const char16_t c : between) {
    if (c > u' ' && c < 0x7F && !IsAsciiLetter(c)) return static_cast<char>(c);
    if (c == u' ' || c == 0xA0 || c == 0x202F) has_blank = true;
  }
  return has_blank ? ' ' : '/';
}

// The date section derived from a short date pattern, or "" when it lacks one of the
// three parts or holds one twice.
std::string DateSectionFromPattern(std::u16string_view pattern) {
  std::string section;
  std::vector<TDatePart> parts;
  std::u16string between;
  for (const TDatePatternField& field : SplitDatePattern(pattern)) {
    const std::optional<TDatePart> part = DatePartOfLetter(field.letter);
    if (!part) {
      between += field.literal;
      continue;
    }
    if (std::find(parts.begin(), parts.end(), *part) != parts.end()) return {};
    if (!section.empty()) section += SeparatorOf(between);
    section += DatePartText(*part, field.count);
    parts.push_back(*part);
    between.clear();
  }
  return parts.size() == 3 ? section : std::string();
}

// " h:mm:ss", " hh:mm:ss", with " AMPM" on a 12-hour clock, from a medium time pattern.
std::string TimeSectionFromPattern(std::u16string_view pattern) {
  int hour_letters = 1;
  bool twelve_hour_field = false;
  bool day_period = false;
  for (const TDatePatternField& field : SplitDatePattern(pattern)) {
    const char16_t c = field.letter;
    if (c == u'H' || c == u'h' || c == u'K' || c == u'k') hour_letters = field.count;
    if (c == u'h' || c == u'K') twelve_hour_field = true;
    if (c == u'a' || c == u'b' || c == u'B') day_period = true;
  }
  std::string section = hour_letters >= 2 ? " hh:mm:ss" : " h:mm:ss";
  if (twelve_hour_field && day_period) section += " AMPM";
  return section;
}

}  // namespace

std::string TDateTimeFormat::DefaultFormatFor(const std::string& locale) {
  const std::optional<std::u16string> date = ShortDatePattern(locale);
  const std::optional<std::u16string> time = MediumTimePattern(locale);
  if (!date || !time) return kFallbackFormat;
  std::string date_section = DateSectionFromPattern(*date);
  if (date_section.empty()) date_section = "m/d/yy";  // the locale gives no usable one
  return date_section + TimeSectionFromPattern(*time);
}

const std::string& TDateTimeFormat::DefaultFormat() {
  static const std::string format = DefaultFormatFor(LocaleSettings::Current().time_locale);
  return format;
}

}  // namespace quillet
