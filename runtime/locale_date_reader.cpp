#include "runtime/locale_date_reader.h"

#include <optional>

#include "runtime/code_page.h"
#include "runtime/date_pattern.h"
#include "runtime/exceptions.h"
#include "runtime/locale_settings.h"

namespace quillet {
namespace {

using Field = TLocaleDateReader::Field;

// Reads the order of the date fields and the literal between the first two of them
// (blanks left out). Returns false when the pattern does not name day, month and year
// once each.
bool ParsePattern(std::u16string_view pattern, std::array<Field, 3>& order,
                  std::u16string& separator) {
  int found = 0;
  for (const TDatePatternField& field : SplitDatePattern(pattern)) {
    const std::optional<Field> part = DatePartOfLetter(field.letter);
    if (part) {
      for (int k = 0; k < found; ++k)
        if (order[k] == *part) return false;  // a field twice: not a plain short date
      order[found++] = *part;
    } else if (found == 1) {
      for (const char16_t c : field.literal)
        if (c != u' ') separator.push_back(c);
    }
  }
  return found == 3;
}

// A position in the text being read.
struct Cursor {
  std::string_view text;
  std::size_t pos = 0;

  bool AtEnd() const { return pos == text.size(); }
  static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
  std::size_t SkipBlanks() {
    const std::size_t start = pos;
    while (!AtEnd() && IsBlank(text[pos])) ++pos;
    return pos - start;
  }
  bool Take(std::string_view literal) {
    if (literal.empty() || text.substr(pos, literal.size()) != literal) return false;
    pos += literal.size();
    return true;
  }
  // Reads min_digits..max_digits decimal digits; `digits` gets how many were read.
  bool Number(int min_digits, int max_digits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (!AtEnd() && digits < max_digits && text[pos] >= '0' && text[pos] <= '9') {
      value = value * 10 + (text[pos++] - '0');
      ++digits;
    }
    return digits >= min_digits && (AtEnd() || text[pos] < '0' || text[pos] > '9');
  }
};

struct DateTimeParts {
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
};

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 0001-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromYearOne(int year, int month, int day) {
  const std::int64_t y = year - 1;
  std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days + day - 1;
}

bool ReadYear(Cursor& in, int& year) {
  int digits = 0;
  if (!in.Number(1, 4, year, digits)) return false;
  if (digits == 4) return year >= 1;
  if (digits == 3) return false;
  year += year < 50 ? 2000 : 1900;
  return true;
}

bool ReadField(Cursor& in, Field field, DateTimeParts& parts) {
  int digits = 0;
  switch (field) {
    case Field::kDay: return in.Number(1, 2, parts.day, digits);
    case Field::kMonth: return in.Number(1, 2, parts.month, digits);
    case Field::kYear: return ReadYear(in, parts.year);
  }
  return false;
}

// The separator after the first field; "" when none of the accepted ones follows.
std::string_view TakeSeparator(Cursor& in, const std::string& own) {
  if (in.Take(own)) return own;
  for (std::string_view common : {"/", "-", "."})
    if (in.Take(common)) return common;
  return {};
}

bool ReadDate(Cursor& in, const std::array<Field, 3>& order, const std::string& own,
              DateTimeParts& parts) {
  if (!ReadField(in, order[0], parts)) return false;
  const std::string_view separator = TakeSeparator(in, own);
  if (separator.empty() || !ReadField(in, order[1], parts)) return false;
  if (!in.Take(separator) || !ReadField(in, order[2], parts)) return false;
  return parts.month >= 1 && parts.month <= 12 && parts.day >= 1 &&
         parts.day <= DaysInMonth(parts.year, parts.month);
}

// Reads an AM/PM marker in any letter case: 0 none, 1 AM, 2 PM.
int ReadMarker(Cursor& in) {
  if (in.text.size() - in.pos < 2) return 0;
  const char first = static_cast<char>(in.text[in.pos] | 0x20);
  const char second = static_cast<char>(in.text[in.pos + 1] | 0x20);
  if ((first != 'a' && first != 'p') || second != 'm') return 0;
  in.pos += 2;
  return first == 'a' ? 1 : 2;
}

bool ReadTime(Cursor& in, DateTimeParts& parts) {
  int digits = 0;
  if (!in.Number(1, 2, parts.hour, digits) || !in.Take(":")) return false;
  if (!in.Number(2, 2, parts.minute, digits) || parts.minute > 59) return false;
  if (in.Take(":") && (!in.Number(2, 2, parts.second, digits) || parts.second > 59))
    return false;
  const std::size_t before_marker = in.pos;
  in.SkipBlanks();
  const int marker = ReadMarker(in);
  if (marker == 0) {
    in.pos = before_marker;
    return parts.hour <= 23;
  }
  if (parts.hour < 1 || parts.hour > 12) return false;
  if (parts.hour == 12) parts.hour = 0;
  if (marker == 2) parts.hour += 12;
  return true;
}

}  // namespace

TLocaleDateReader::TLocaleDateReader(const std::string& locale) {
  const std::optional<std::u16string> pattern = ShortDatePattern(locale);
  if (!pattern) return;  // month/day/year with the common separators
  std::array<Field, 3> order{};
  std::u16string separator;
  if (!ParsePattern(*pattern, order, separator)) return;
  order_ = order;
  separator_ = EncodeToCodePage(separator);
}

const TLocaleDateReader& TLocaleDateReader::Current() {
  thread_local std::optional<TLocaleDateReader> reader;
  thread_local std::uint64_t generation = 0;
  const LocaleSettings& settings = LocaleSettings::Current();
  if (!reader || generation != LocaleSettings::Generation()) {
    reader.emplace(settings.time_locale);
    generation = LocaleSettings::Generation();
  }
  return *reader;
}

bool TLocaleDateReader::TryRead(std::string_view text, std::int64_t& seconds) const noexcept {
  Cursor in{text};
  DateTimeParts parts;
  in.SkipBlanks();
  if (!ReadDate(in, order_, separator_, parts)) return false;
  if (in.SkipBlanks() > 0 && !in.AtEnd() && !ReadTime(in, parts)) return false;
  in.SkipBlanks();
  if (!in.AtEnd()) return false;
  seconds = DaysFromYearOne(parts.year, parts.month, parts.day) * 86400 +
            parts.hour * 3600 + parts.minute * 60 + parts.second;
  return true;
}

std::int64_t TLocaleDateReader::Read(std::string_view text) const {
  std::int64_t seconds = 0;
  if (!TryRead(text, seconds))
    throw EConvertError::InvalidDateTime(text);
  return seconds;
}

std::int64_t ReadLocaleDateTime(std::string_view text) {
  return TLocaleDateReader::Current().Read(text);
}

}  // namespace quillet
