#pragma once
// Real48: the 6-byte real in which numeric keys are held: a sign, 40 significant bits
// (the leading 1 implicit, 39 stored) and an 8-bit exponent with bias 129. Exponent byte 0
// means the value 0. Magnitudes below 2^-128 become 0; a magnitude that rounds to 2^127 or
// more cannot be held (EOverflow "Floating point overflow").
// Every operation rounds its exact result once to 40 significant bits (ties to even) and
// only then applies the range: a value within half a unit below 2^-128 rounds up to 2^-128
// and is kept. The value 0 has no sign: all its bytes are 0.
//
// Byte layout of Bytes(): byte 0 the exponent; bytes 1..5 the mantissa, least significant
// first, the top bit of byte 5 the sign.

#include <array>
#include <cstdint>
#include <string_view>

namespace quillet {

class Real48 {
 public:
  Real48() = default;  // 0
  // Rounds `value` to the nearest 6-byte real (ties to even). Values below 2^-128 in
  // magnitude give 0. Throws EOverflow when the rounded magnitude is 2^127 or more, or for
  // infinities and NaNs.
  static Real48 FromDouble(long double value);
  long double ToLongDouble() const;
  double ToDouble() const { return static_cast<double>(ToLongDouble()); }
  bool IsZero() const { return bytes_[0] == 0; }
  const std::array<std::uint8_t, 6>& Bytes() const { return bytes_; }

  // Order and equality of the values they hold (all zeros are equal).
  friend bool operator==(const Real48& a, const Real48& b);
  friend int Compare(const Real48& a, const Real48& b);  // <0, 0, >0

  // a - b rounded to a 6-byte real; throws EOverflow when that does not fit.
  friend Real48 Subtract(const Real48& a, const Real48& b);

 private:
  friend class Real48Builder;  // packs and unpacks the bytes (real48.cpp)
  std::array<std::uint8_t, 6> bytes_{};
};

// The number at the front of `text`, as a 6-byte real. Reading rules: blanks (0x20 only)
// at the front are skipped; an optional '+' or '-'; digits; optionally '.' and digits;
// optionally 'E' or 'e', an optional sign and at least one digit. If the whole text does
// not read, the value is that of the longest leading part that reads completely; 0 when no
// leading part reads. The decimal separator is always '.'.
// Examples: "42" 42, "12abc" 12, " 7 items" 7, "3.5kg" 3.5, "-3." -3, "1.5e" 1.5,
// "1e3x" 1000, "1,5" 1, "abc" 0, "" 0, "-" 0, ".5" 0.5, "e5" 0.
// A point may be followed by no digit before an exponent ("3.e2" 300); the text just may
// not end right after the point. Digit strings and exponents of any length are read: an
// exponent beyond the range of the format saturates (to 0 or EOverflow), and a mantissa of
// zero digits gives 0 whatever its exponent ("0e999999999" 0).
// The decimal value is rounded once, correctly, to the nearest 6-byte real.
// Throws EOverflow ("Floating point overflow") when the magnitude rounds to 2^127 or more.
Real48 NumericKeyValue(std::string_view text);

}  // namespace quillet
