#include "runtime/date_pattern.h"

#include <unicode/udat.h>
#include <unicode/uloc.h>

#include <cstring>

#include "runtime/icu_handle.h"

namespace quillet {
namespace {

using DateFormat = IcuHandle<UDateFormat, udat_close>;

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Whether ICU's formatter for `requested` took its conventions from that locale's own
// language rather than from the root or the process's default locale.
bool HasOwnConventions(const UDateFormat* format, const std::string& requested) {
  UErrorCode status = U_ZERO_ERROR;
  const char* valid = udat_getLocaleByType(format, ULOC_VALID_LOCALE, &status);
  if (U_FAILURE(status) || valid == nullptr) return false;
  char valid_language[ULOC_LANG_CAPACITY] = {};
  char requested_language[ULOC_LANG_CAPACITY] = {};
  uloc_getLanguage(valid, valid_language, ULOC_LANG_CAPACITY, &status);
  uloc_getLanguage(requested.c_str(), requested_language, ULOC_LANG_CAPACITY, &status);
  return U_SUCCESS(status) && std::strcmp(valid_language, requested_language) == 0;
}

std::optional<std::u16string> PatternOf(const std::string& locale, UDateFormatStyle time,
                                        UDateFormatStyle date) {
  if (locale.empty() || locale == "C" || locale == "POSIX") return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  const DateFormat format(udat_open(time, date, locale.c_str(), nullptr, 0, nullptr, 0, &status));
  if (U_FAILURE(status) || !HasOwnConventions(format.get(), locale)) return std::nullopt;
  std::u16string pattern(64, u'\0');
  int32_t length = udat_toPattern(format.get(), false, pattern.data(),
                                  IcuLength(pattern.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    pattern.resize(static_cast<std::size_t>(length));
    status = U_ZERO_ERROR;
    length = udat_toPattern(format.get(), false, pattern.data(), IcuLength(pattern.size()),
                            &status);
  }
  if (U_FAILURE(status)) return std::nullopt;
  pattern.resize(static_cast<std::size_t>(length));
  return pattern;
}

// Reads a quoted literal starting at the quote at index i; "''" stands for one quote.
std::size_t ReadQuoted(std::u16string_view pattern, std::size_t i, std::u16string& literal) {
  ++i;
  while (i < pattern.size()) {
    const char16_t c = pattern[i];
    if (c == u'\'' && i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
      literal += u'\'';
      i += 2;
    } else if (c == u'\'') {
      return i + 1;
    } else {
      literal += c;
      ++i;
    }
  }
  return i;
}

}  // namespace

std::optional<std::u16string> ShortDatePattern(const std::string& locale) {
  return PatternOf(locale, UDAT_NONE, UDAT_SHORT);
}

std::optional<std::u16string> MediumTimePattern(const std::string& locale) {
  return PatternOf(locale, UDAT_MEDIUM, UDAT_NONE);
}

std::vector<TDatePatternField> SplitDatePattern(std::u16string_view pattern) {
  std::vector<TDatePatternField> fields;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char16_t c = pattern[i];
    TDatePatternField field;
    if (IsAsciiLetter(c)) {
      field.letter = c;
      while (i < pattern.size() && pattern[i] == c) ++field.count, ++i;
    } else if (c == u'\'') {
      i = ReadQuoted(pattern, i, field.literal);
    } else {
      field.literal = c;
      ++i;
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

std::optional<TDatePart> DatePartOfLetter(char16_t letter) {
  switch (letter) {
    case u'd': return TDatePart::kDay;
    case u'M': case u'L': return TDatePart::kMonth;
    case u'y': case u'Y': case u'u': case u'r': case u'U': return TDatePart::kYear;
    default: return std::nullopt;
  }
}

}  // namespace quillet
