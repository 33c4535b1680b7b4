// Fuzzes the date-time format: ParseDateTimeFormat on random formats, DateKey on random
// texts under whatever form the parse left (also after a failed parse), and
// ReadLeadingInteger. Only E_Format_Invalid may escape, with one of its three messages; the
// parsed form stays within its ten slots; a date key holds only digits, blanks and '-', in
// right-aligned fields; ReadLeadingInteger removes a non-empty front of a non-empty text,
// and a text that is wholly an integer gives its value.

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/fuzz_support.h"
#include "runtime/exceptions.h"
#include "runtime/date_time_format.h"

namespace quillet::fuzz {
namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void SetFormatChecked(TDateTimeFormat& format, const std::string& text) {
  try {
    format.SetFormat(text);
  } catch (const E_Format_Invalid& error) {
    const std::string& m = error.Message();
    Check(!m.empty() && m[0] == '"', "format error starts with a quote");
    Check(EndsWith(m, "  (Date format part) is invalid") || EndsWith(m, "  (Time format part) is invalid"),
          "format error names its section");
  }
  Check(format.Format() == text, "the format text is kept, also after a failure");
}

void CheckParsedForm(const TDateTimeFormat& format) {
  const int parts = format.TimePartCount();
  Check(format.FirstTimeSlot() == (format.HasDate() ? 4 : 1), "first time slot");
  Check(parts >= 0 && parts <= (format.HasDate() ? 7 : 10), "time parts fit the slots");
  Check(format.HasTime() == (parts > 0), "has time iff time parts");
  bool am_pm = false;
  for (int i = 0; i < parts; ++i) {
    const auto& slot = format.Slot(format.FirstTimeSlot() + i);
    if (slot.letter == 'A' && slot.multiplier == 0) am_pm = true;
  }
  Check(am_pm == format.HasAmPm(), "has AM/PM iff an AMPM part");
}

// A field: blanks, an optional '-', at least one digit.
bool IsField(const std::string& field) {
  std::size_t i = field.find_first_not_of(' ');
  if (i == std::string::npos) return false;
  if (field[i] == '-') ++i;
  return i < field.size() && field.find_first_not_of("0123456789", i) == std::string::npos;
}

void CheckDateKey(const TDateTimeFormat& format, const std::string& text) {
  std::string key;
  try {
    key = format.DateKey(text);
  } catch (const E_Format_Invalid& error) {
    Check(format.HasAmPm(), "AM/PM error only with an AMPM part");
    Check(error.Message() == "\"" + text.substr(0, 100) + "\" AM or PM expected. DateTimeFormat=" +
                                 format.Format(),
          "AM/PM error message");
    return;
  }
  Check(key.find_first_not_of("0123456789 -") == std::string::npos, "date key characters");
  if (!format.HasDate()) {
    Check(key.empty() || (format.HasTime() && key.size() == 7 && IsField(key)), "time-only key");
    return;
  }
  Check(key.size() >= 7, "a date field takes at least 7 characters");
  if (!format.HasTime()) {
    Check(IsField(key) && (key.size() == 7 || key[0] != ' '), "date-only key is one field");
  }
}

std::optional<std::int64_t> WholeInteger(const std::string& t) {
  std::size_t i = t.find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  const bool hex = t[i] == '$';
  bool negative = false;
  if (hex) ++i;
  else if (t[i] == '+' || t[i] == '-') negative = t[i++] == '-';
  if (i == t.size()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    int digit = c >= '0' && c <= '9' ? c - '0' : -1;
    if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    magnitude = std::min<std::int64_t>(magnitude * (hex ? 16 : 10) + digit, std::int64_t{1} << 40);
  }
  if (negative) return std::max<std::int64_t>(-magnitude, INT32_MIN);
  return std::min<std::int64_t>(magnitude, INT32_MAX);
}

void CheckReadLeadingInteger(const std::string& text) {
  std::string rest = text;
  const std::int32_t value = TDateTimeFormat::ReadLeadingInteger(rest);
  Check(rest.size() <= text.size() && text.compare(text.size() - rest.size(), rest.size(), rest) == 0,
        "ReadLeadingInteger leaves a tail of the text");
  if (!text.empty()) Check(rest.size() < text.size(), "ReadLeadingInteger removes something");
  if (const auto whole = WholeInteger(text)) {
    Check(rest.empty(), "a whole integer is removed entirely");
    Check(value == *whole, "a whole integer gives its value");
  }
}

}  // namespace
}  // namespace quillet::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quillet::fuzz::UseFixedLocale();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet;
  using namespace quillet::fuzz;
  if (size > 4096) return 0;
  FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  TDateTimeFormat format;
  format.SetShortYearExpand((flags & 1) != 0);
  format.SetShortYearBorder(static_cast<std::int8_t>(input.Byte()) * ((flags & 2) != 0 ? 1000000 : 1));
  SetFormatChecked(format, input.Text(48));
  CheckParsedForm(format);
  for (int i = 0; i < 3; ++i) {
    const std::string text = i < 2 ? input.Text(64) : input.Rest();
    CheckDateKey(format, text);
    CheckReadLeadingInteger(text);
  }
  return 0;
}
