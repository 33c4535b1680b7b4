#pragma once
// The user's date conventions as ICU writes them: the short date and medium time patterns
// of a locale ("M/d/yy", "h:mm:ss a"), cut into fields. Both date readers build on these:
// TDateTimeFormat derives its default format from them, TLocaleDateReader the order and
// separator of the dates it reads.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// One field of a pattern: a run of one pattern letter ("yy": letter 'y', count 2), or
// literal text (letter 0): a quoted stretch, "''" standing for one quote, or one other
// character.
struct TDatePatternField {
  char16_t letter = 0;
  int count = 0;
  std::u16string literal;
};

// The three parts of a date.
enum class TDatePart : std::uint8_t { kDay, kMonth, kYear };

// The short date pattern (or the medium time pattern) of `locale` ("en_US", "de_DE").
// Nothing for "", "C" and "POSIX", and for a locale whose language ICU has no date
// conventions for (ICU would hand out those of the process's default locale instead).
std::optional<std::u16string> ShortDatePattern(const std::string& locale);
std::optional<std::u16string> MediumTimePattern(const std::string& locale);

// The fields of `pattern` in order.
std::vector<TDatePatternField> SplitDatePattern(std::u16string_view pattern);

// The date part a pattern letter stands for: d the day; M and L the month; y, Y, u, r and
// U the year. Nothing for any other letter.
std::optional<TDatePart> DatePartOfLetter(char16_t letter);

}  // namespace quillet
