#pragma once
// What each key type means, in one place: how a key is cut out of a text, how keys compare
// when a key list sorts and searches them, what a sort may cache for them, and how the
// grid's search matches a cell. Every use reaches a type through VisitKeyOrder, the one
// switch on TMSortType: a new type does not compile until it has an order here and the
// switch names it.
//
// An order offers:
//   Value                       what a key is compared as once taken (a pivot, a sought text)
//   ValueOf(key)                that value of a key, or of an uncut sought text
//   Compare(key, value)         -1, 0 or 1 as the key sorts before, with or after the value;
//                               IndexOf's comparison, and Find's unless the order has
//   FindCompare(key, value)     the comparison of Find's binary search where it differs
//   RankText(key)               a text whose byte order (unsigned, a prefix first) is the key
//   or OrderedNumber(key)       order, or a number whose order is; what a sort caches
//   SearchValue                 what the grid's search looks for, made by
//   SearchValueOf(text, sub)    from the search text (which a substring search may change)
//   SearchMatches(cell, key, value, sub)  whether a cell (whole text and cut key) is a hit
//   kZerosSortAsText            whether a run of keys of value zero is sorted again as text
// Conversions throw as they do: EOverflow for numbers too large for the 6-byte real,
// E_Format_Invalid for a date key without its AM/PM marker, EConvertError for a date in a
// search that does not read.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/date_time_format.h"
#include "runtime/real48.h"

namespace quillet {

// How two keys compare: soString in the user's locale order without regard to case;
// soStringCaseSensitive byte by byte (unsigned, a prefix first); soNumeric by the 6-byte
// real value of the number at the key's front (NumericKeyValue); soDate by the date key of
// the list's date-time format, byte by byte.
enum class TMSortType : std::uint8_t { soString, soStringCaseSensitive, soNumeric, soDate };

// The key of `text`: characters key_pos .. key_pos + key_len - 1 (from 1), cut at the end of
// the text, empty when the text is shorter than key_pos. key_pos and key_len below 1 count
// as 1. Returns a view into `text`. Inline: every key of a sort is cut through it.
inline std::string_view CutKey(std::string_view text, std::int32_t key_pos,
                               std::int32_t key_len) {
  const auto start = static_cast<std::size_t>(key_pos < 1 ? 1 : key_pos) - 1;
  if (start >= text.size()) return {};
  return text.substr(start, static_cast<std::size_t>(key_len < 1 ? 1 : key_len));
}

// What the orders share that compare a key as the text it is: its value is a copy of it,
// since the entry it comes from may move while the value is held.
struct TKeyTextValue {
  using Value = std::string;
  using SearchValue = std::string;
  static constexpr bool kZerosSortAsText = false;

  Value ValueOf(std::string_view key) const { return std::string(key); }
};

// soString: the locale order without regard to case (runtime/collation.h). A substring
// search looks for the search text, upper-cased a-z only, in the cell text upper-cased the
// same way, and keeps the search text upper-cased.
struct TLocaleTextOrder : TKeyTextValue {
  int Compare(std::string_view key, const Value& value) const;
  std::string RankText(std::string_view key) const;
  SearchValue SearchValueOf(std::string& text, bool substring) const;
  bool SearchMatches(std::string_view cell, std::string_view key, const SearchValue& value,
                     bool substring) const;
};

// soStringCaseSensitive: bytes. A substring search looks for the search text in the cell.
struct TByteOrder : TKeyTextValue {
  int Compare(std::string_view key, const Value& value) const;
  std::string_view RankText(std::string_view key) const { return key; }
  SearchValue SearchValueOf(std::string& text, bool /*substring*/) const { return text; }
  bool SearchMatches(std::string_view cell, std::string_view key, const SearchValue& value,
                     bool substring) const;
};

// soNumeric: the value of NumericKeyValue. Find compares by the sign of the difference
// rounded to a 6-byte real (so a difference too large for it raises EOverflow there).
// Sorting orders a run of zero values again as text, since all texts without a number
// read as 0.
struct TNumericOrder {
  using Value = Real48;
  using SearchValue = Real48;
  static constexpr bool kZerosSortAsText = true;

  Value ValueOf(std::string_view key) const { return NumericKeyValue(key); }
  int Compare(std::string_view key, const Value& value) const;
  int FindCompare(std::string_view key, const Value& value) const;
  std::int64_t OrderedNumber(std::string_view key) const;
  SearchValue SearchValueOf(std::string& text, bool /*substring*/) const {
    return NumericKeyValue(text);
  }
  bool SearchMatches(std::string_view cell, std::string_view key, const SearchValue& value,
                     bool substring) const;
};

// soDate: a key list compares the date keys of its format (runtime/date_time_format.h); the
// grid's search reads key and search text as dates of the user's locale
// (runtime/locale_date_reader.h) and matches the same second.
class TDateOrder {
 public:
  using Value = std::string;
  using SearchValue = std::int64_t;
  static constexpr bool kZerosSortAsText = false;

  // `format` reads the date keys of sorts and Find; a search needs none (nullptr).
  explicit TDateOrder(const TDateTimeFormat* format) noexcept : format_(format) {}

  Value ValueOf(std::string_view key) const { return format_->DateKey(key); }
  int Compare(std::string_view key, const Value& value) const;
  std::string RankText(std::string_view key) const { return format_->DateKey(key); }
  SearchValue SearchValueOf(std::string& text, bool substring) const;
  bool SearchMatches(std::string_view cell, std::string_view key, const SearchValue& value,
                     bool substring) const;

 private:
  const TDateTimeFormat* format_;
};

// Find's comparison under `order`: FindCompare where the order has it, else Compare.
template <class Order>
int FindCompare(const Order& order, std::string_view key, const typename Order::Value& value) {
  if constexpr (requires { order.FindCompare(key, value); })
    return order.FindCompare(key, value);
  else
    return order.Compare(key, value);
}

// Calls `visit` with the order of `type` and returns what it returns. `dates` is the format
// of soDate sort keys (nullptr where only a search uses the order).
template <class Visit>
decltype(auto) VisitKeyOrder(TMSortType type, const TDateTimeFormat* dates, Visit&& visit) {
  switch (type) {
    case TMSortType::soString: return visit(TLocaleTextOrder{});
    case TMSortType::soStringCaseSensitive: return visit(TByteOrder{});
    case TMSortType::soNumeric: return visit(TNumericOrder{});
    case TMSortType::soDate: return visit(TDateOrder{dates});
  }
  std::abort();  // every setter takes the enumeration, so `type` is one of its values
}

}  // namespace quillet
