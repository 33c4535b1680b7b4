#include "strgrid/key_order.h"

#include <algorithm>

#include "runtime/collation.h"
#include "runtime/locale_date_reader.h"

namespace quillet {

namespace {

int SignOf(int value) { return (value > 0) - (value < 0); }

// The order of two 6-byte reals as -1, 0 or 1 (Compare is found through its argument type).
int CompareReals(const Real48& a, const Real48& b) { return SignOf(Compare(a, b)); }

char UpperAZ(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// Whether `needle` (already upper-case a-z) occurs in `text` upper-cased a-z only.
bool ContainsIgnoringAZCase(std::string_view text, std::string_view needle) {
  const auto hit = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                               [](char t, char n) { return UpperAZ(t) == n; });
  return hit != text.end();
}

}  // namespace

// ---- soString ------------------------------------------------------------------------------

int TLocaleTextOrder::Compare(std::string_view key, const Value& value) const {
  return SignOf(CompareLocaleIgnoreCase(key, value));
}

std::string TLocaleTextOrder::RankText(std::string_view key) const { return LocaleSortKey(key); }

TLocaleTextOrder::SearchValue TLocaleTextOrder::SearchValueOf(std::string& text,
                                                              bool substring) const {
  if (substring) std::transform(text.begin(), text.end(), text.begin(), UpperAZ);
  return text;
}

bool TLocaleTextOrder::SearchMatches(std::string_view cell, std::string_view key,
                                     const SearchValue& value, bool substring) const {
  if (substring) return !value.empty() && ContainsIgnoringAZCase(cell, value);
  return Compare(key, value) == 0;
}

// ---- soStringCaseSensitive -----------------------------------------------------------------

int TByteOrder::Compare(std::string_view key, const Value& value) const {
  return SignOf(key.compare(value));
}

bool TByteOrder::SearchMatches(std::string_view cell, std::string_view key,
                               const SearchValue& value, bool substring) const {
  if (substring) return !value.empty() && cell.find(value) != std::string_view::npos;
  return key == value;
}

// ---- soNumeric -----------------------------------------------------------------------------

int TNumericOrder::Compare(std::string_view key, const Value& value) const {
  return CompareReals(ValueOf(key), value);
}

int TNumericOrder::FindCompare(std::string_view key, const Value& value) const {
  const Real48 difference = Subtract(ValueOf(key), value);
  return difference.IsZero() ? 0 : CompareReals(difference, Real48());
}

// The magnitude is the exponent byte then the 39 stored mantissa bits, the sign applied, so
// the integers order as the values do (all zeros equal).
std::int64_t TNumericOrder::OrderedNumber(std::string_view key) const {
  const Real48 value = ValueOf(key);
  const auto& bytes = value.Bytes();
  if (bytes[0] == 0) return 0;
  std::uint64_t mantissa = 0;
  for (int k = 5; k >= 1; --k) mantissa = (mantissa << 8) | bytes[k];
  const bool negative = ((mantissa >> 39) & 1) != 0;
  mantissa &= (std::uint64_t{1} << 39) - 1;
  const auto magnitude = static_cast<std::int64_t>((std::uint64_t{bytes[0]} << 39) | mantissa);
  return negative ? -magnitude : magnitude;
}

bool TNumericOrder::SearchMatches(std::string_view /*cell*/, std::string_view key,
                                  const SearchValue& value, bool /*substring*/) const {
  return ValueOf(key) == value;
}

// ---- soDate --------------------------------------------------------------------------------

int TDateOrder::Compare(std::string_view key, const Value& value) const {
  return SignOf(ValueOf(key).compare(value));
}

TDateOrder::SearchValue TDateOrder::SearchValueOf(std::string& text, bool /*substring*/) const {
  return ReadLocaleDateTime(text);
}

bool TDateOrder::SearchMatches(std::string_view /*cell*/, std::string_view key,
                               const SearchValue& value, bool /*substring*/) const {
  return ReadLocaleDateTime(key) == value;
}

}  // namespace quillet
