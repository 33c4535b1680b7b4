// A 6-byte real is kept normalized: for a value other than 0, a 40-bit integer mantissa m
// with its top bit set (2^39 <= m < 2^40) and a binary exponent k, value = ±m * 2^k, and
// the exponent byte is k + 168 (bias 129 for the form 1.f * 2^(e - 129), plus the 39
// fraction bits). Exponent byte 0 is the value 0, whose other bytes are all 0.
//
// Every result is rounded once: the exact value (an integer times a power of two, plus a
// "sticky" flag for a non-zero rest below its last bit) is cut to 40 bits, ties to even,
// with an unbounded exponent; only then does a result below 2^-128 become 0, and one of
// 2^127 or more raise EOverflow.
//
// Decimal texts: short numbers (at most 19 significant digits, decimal exponent within
// ±19) are exact in 128-bit arithmetic. Others get a candidate from long double arithmetic
// that is then corrected by exact big-integer comparisons with the halfway points next to it.

#include "runtime/real48.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "runtime/exceptions.h"

namespace quillet {
namespace {

using u128 = unsigned __int128;

constexpr int kMantissaBits = 40;
constexpr std::uint64_t kHiddenBit = std::uint64_t{1} << (kMantissaBits - 1);
constexpr std::uint64_t kMantissaLimit = std::uint64_t{1} << kMantissaBits;
constexpr int kExponentOffset = 168;  // exponent byte = k + 168
constexpr std::uint8_t kSignBit = 0x80;

int BitLength(u128 value) {
  const auto high = static_cast<std::uint64_t>(value >> 64);
  if (high != 0) return 128 - std::countl_zero(high);
  return 64 - std::countl_zero(static_cast<std::uint64_t>(value));
}

// ±m * 2^k in normalized form (see above).
struct Unpacked {
  bool negative = false;
  std::uint64_t mantissa = 0;  // 0 for the value 0
  int exponent = 0;
};

}  // namespace

// Builds the bytes of ±m * 2^k with m normalized; range checks included.
class Real48Builder {
 public:
  static Real48 Pack(bool negative, std::uint64_t mantissa, int exponent) {
    Real48 result;
    const int biased = exponent + kExponentOffset;
    if (biased >= 256) throw EOverflow();
    if (biased <= 0) return result;  // below 2^-128
    result.bytes_[0] = static_cast<std::uint8_t>(biased);
    for (int i = 1; i <= 5; ++i) {
      result.bytes_[i] = static_cast<std::uint8_t>(mantissa >> (8 * (i - 1)));
    }
    result.bytes_[5] = static_cast<std::uint8_t>((result.bytes_[5] & 0x7F) |
                                                 (negative ? kSignBit : 0));
    return result;
  }

  static Unpacked Unpack(const Real48& value) {
    Unpacked out;
    const auto& bytes = value.bytes_;
    if (bytes[0] == 0) return out;
    out.negative = (bytes[5] & kSignBit) != 0;
    for (int i = 5; i >= 1; --i) out.mantissa = (out.mantissa << 8) | bytes[i];
    out.mantissa = (out.mantissa & (kHiddenBit - 1)) | kHiddenBit;
    out.exponent = bytes[0] - kExponentOffset;
    return out;
  }
};

namespace {

// Rounds ±(magnitude + sticky) * 2^exponent to 40 bits, ties to even. `sticky` means a
// non-zero rest below the last bit of `magnitude`; it needs magnitude >= 2^40.
Real48 RoundToReal48(bool negative, u128 magnitude, int exponent, bool sticky) {
  if (magnitude == 0) return Real48();
  const int length = BitLength(magnitude);
  if (length <= kMantissaBits) {
    const int shift = kMantissaBits - length;
    return Real48Builder::Pack(negative, static_cast<std::uint64_t>(magnitude << shift),
                               exponent - shift);
  }
  const int shift = length - kMantissaBits;
  auto kept = static_cast<std::uint64_t>(magnitude >> shift);
  const u128 rest = magnitude & ((u128{1} << shift) - 1);
  const u128 half = u128{1} << (shift - 1);
  if (rest > half || (rest == half && (sticky || (kept & 1) != 0))) ++kept;
  int result_exponent = exponent + shift;
  if (kept == kMantissaLimit) {  // the carry ran into a new bit
    kept >>= 1;
    ++result_exponent;
  }
  return Real48Builder::Pack(negative, kept, result_exponent);
}

// ---- decimal texts ----------------------------------------------------------------------

// The parts of the longest leading number of a text (see NumericKeyValue).
struct NumberParts {
  bool negative = false;
  std::string_view integer_digits;
  std::string_view fraction_digits;
  bool exponent_negative = false;
  std::string_view exponent_digits;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads by the rules of NumericKeyValue and keeps the parts as they stood at the last
// position where a complete number ended. Returns false when no leading part reads.
bool ScanNumber(std::string_view text, NumberParts& best) {
  NumberParts current;
  bool found = false;
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto accept = [&] { best = current; found = true; };
  while (i < n && text[i] == ' ') ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) current.negative = text[i++] == '-';
  std::size_t start = i;
  while (i < n && IsDigit(text[i])) ++i;
  current.integer_digits = text.substr(start, i - start);
  if (i > start) accept();
  if (i < n && text[i] == '.') {
    start = ++i;
    while (i < n && IsDigit(text[i])) ++i;
    current.fraction_digits = text.substr(start, i - start);
    if (i > start) accept();
  }
  if (i >= n || (text[i] != 'E' && text[i] != 'e')) return found;
  ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) current.exponent_negative = text[i++] == '-';
  start = i;
  while (i < n && IsDigit(text[i])) ++i;
  current.exponent_digits = text.substr(start, i - start);
  if (i > start) accept();
  return found;
}

// A decimal number ±0.d1d2d3... * 10^point with the digits d (no leading zero; trailing
// zeros dropped) as a view into the integer and fraction digits.
class DecimalDigits {
 public:
  explicit DecimalDigits(const NumberParts& parts)
      : integer_(parts.integer_digits), fraction_(parts.fraction_digits) {}

  std::size_t Size() const { return integer_.size() + fraction_.size(); }
  int At(std::size_t i) const {
    return (i < integer_.size() ? integer_[i] : fraction_[i - integer_.size()]) - '0';
  }

 private:
  std::string_view integer_;
  std::string_view fraction_;
};

constexpr std::int64_t kExponentLimit = std::int64_t{1} << 50;  // saturation of exponents

std::int64_t ReadExponent(const NumberParts& parts) {
  std::int64_t value = 0;
  for (char c : parts.exponent_digits) {
    value = std::min<std::int64_t>(value * 10 + (c - '0'), kExponentLimit);
  }
  return parts.exponent_negative ? -value : value;
}

// The significant digits of a number: value = ±(N + sticky) * 10^exponent10, N made of
// `count` digits starting at `first`.
struct Significand {
  std::size_t first = 0;
  std::size_t count = 0;       // 0 when the value is 0
  std::int64_t exponent10 = 0;
  bool sticky = false;         // non-zero digits beyond the kept ones
};

constexpr std::size_t kMaxKeptDigits = 200;  // more than any halfway point of the format has

Significand FindSignificand(const DecimalDigits& digits, std::int64_t exponent,
                            std::size_t integer_count) {
  Significand s;
  const std::size_t size = digits.Size();
  while (s.first < size && digits.At(s.first) == 0) ++s.first;
  if (s.first == size) return s;
  std::size_t last = size - 1;
  while (digits.At(last) == 0) --last;
  s.count = last - s.first + 1;
  if (s.count > kMaxKeptDigits) {
    s.count = kMaxKeptDigits;
    s.sticky = true;  // the last digit is not zero, and it is cut off
  }
  // The digit at `first` has the weight 10^(integer_count - first - 1 + exponent).
  const std::int64_t point = static_cast<std::int64_t>(integer_count) -
                             static_cast<std::int64_t>(s.first) + exponent;
  s.exponent10 = point - static_cast<std::int64_t>(s.count);
  return s;
}

constexpr std::uint64_t kPow10[20] = {1ULL,
                                      10ULL,
                                      100ULL,
                                      1000ULL,
                                      10000ULL,
                                      100000ULL,
                                      1000000ULL,
                                      10000000ULL,
                                      100000000ULL,
                                      1000000000ULL,
                                      10000000000ULL,
                                      100000000000ULL,
                                      1000000000000ULL,
                                      10000000000000ULL,
                                      100000000000000ULL,
                                      1000000000000000ULL,
                                      10000000000000000ULL,
                                      100000000000000000ULL,
                                      1000000000000000000ULL,
                                      10000000000000000000ULL};

std::uint64_t LeadingDigitsValue(const DecimalDigits& digits, std::size_t first,
                                 std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < count; ++i) value = value * 10 + digits.At(first + i);
  return value;
}

// Exact for at most 19 digits and |exponent10| <= 19: N * 10^e, or N * 2^s / 10^-e with
// the remainder as sticky.
Real48 ShortDecimalValue(bool negative, std::uint64_t n, int exponent10) {
  if (exponent10 >= 0) return RoundToReal48(negative, u128{n} * kPow10[exponent10], 0, false);
  const std::uint64_t divisor = kPow10[-exponent10];
  const int shift = 127 - BitLength(n);
  const u128 scaled = u128{n} << shift;
  const u128 quotient = scaled / divisor;  // at least 2^62: enough bits to round
  return RoundToReal48(negative, quotient, -shift, scaled % divisor != 0);
}

// ---- exact comparison of a decimal with a binary number --------------------------------

// Non-negative big integer, 32-bit limbs, least significant first.
class BigInt {
 public:
  explicit BigInt(std::uint64_t value) {
    limbs_.push_back(static_cast<std::uint32_t>(value));
    limbs_.push_back(static_cast<std::uint32_t>(value >> 32));
    Trim();
  }
  void MulAdd(std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (std::uint32_t& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
    Trim();
  }
  void MulPow10(std::int64_t power) {
    for (; power >= 9; power -= 9) MulAdd(1000000000U, 0);
    if (power > 0) MulAdd(static_cast<std::uint32_t>(kPow10[power]), 0);
  }
  void ShiftLeft(std::int64_t bits) {
    if (bits <= 0 || limbs_.empty()) return;
    limbs_.insert(limbs_.begin(), static_cast<std::size_t>(bits / 32), 0U);
    const int rest = static_cast<int>(bits % 32);
    if (rest != 0) MulAdd(std::uint32_t{1} << rest, 0);
  }
  friend int CompareBig(const BigInt& a, const BigInt& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  void Trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }
  std::vector<std::uint32_t> limbs_;
};

BigInt DigitsAsBigInt(const DecimalDigits& digits, const Significand& s) {
  BigInt value(0);
  std::size_t i = 0;
  for (; i + 9 <= s.count; i += 9) {
    const std::uint64_t chunk = LeadingDigitsValue(digits, s.first + i, 9);
    value.MulAdd(1000000000U, static_cast<std::uint32_t>(chunk));
  }
  const std::size_t rest = s.count - i;
  if (rest > 0) {
    value.MulAdd(static_cast<std::uint32_t>(kPow10[rest]),
                 static_cast<std::uint32_t>(LeadingDigitsValue(digits, s.first + i, rest)));
  }
  return value;
}

// Sign of (N + sticky) * 10^e10 - h * 2^e2, exactly.
int CompareWithBinary(const BigInt& n, const Significand& s, std::uint64_t h, std::int64_t e2) {
  BigInt left = n;
  BigInt right(h);
  if (s.exponent10 >= 0) left.MulPow10(s.exponent10); else right.MulPow10(-s.exponent10);
  if (e2 >= 0) right.ShiftLeft(e2); else left.ShiftLeft(-e2);
  const int order = CompareBig(left, right);
  return (order == 0 && s.sticky) ? 1 : order;
}

// The 40-bit candidate m * 2^k nearest to a long double approximation of the value.
Unpacked Candidate(const DecimalDigits& digits, const Significand& s) {
  const std::size_t leading = std::min<std::size_t>(s.count, 19);
  const std::int64_t power = s.exponent10 + static_cast<std::int64_t>(s.count - leading);
  const long double approx =
      static_cast<long double>(LeadingDigitsValue(digits, s.first, leading)) *
      std::pow(10.0L, static_cast<long double>(power));
  int binary_exponent = 0;
  const long double fraction = std::frexp(approx, &binary_exponent);  // in [0.5, 1)
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, kMantissaBits));
  return {false, std::clamp(mantissa, kHiddenBit, kMantissaLimit - 1),
          binary_exponent - kMantissaBits};
}

// Moves the candidate up or down until the value lies between its two halfway points
// (ties to even): then it is the correctly rounded value.
Unpacked CorrectCandidate(const BigInt& n, const Significand& s, Unpacked c) {
  for (;;) {
    // Halfway up: (2m + 1) * 2^(k-1) for every m, also at the top of a binade.
    const int up = CompareWithBinary(n, s, 2 * c.mantissa + 1, c.exponent - 1);
    if (up > 0 || (up == 0 && (c.mantissa & 1) != 0)) {
      if (++c.mantissa == kMantissaLimit) c = {false, kHiddenBit, c.exponent + 1};
      continue;
    }
    // Halfway down: (2m - 1) * 2^(k-1), or (4m - 1) * 2^(k-2) at the bottom of a binade.
    const bool bottom = c.mantissa == kHiddenBit;
    const int down = bottom ? CompareWithBinary(n, s, 4 * c.mantissa - 1, c.exponent - 2)
                            : CompareWithBinary(n, s, 2 * c.mantissa - 1, c.exponent - 1);
    if (down < 0 || (down == 0 && (c.mantissa & 1) != 0)) {
      c = bottom ? Unpacked{false, kMantissaLimit - 1, c.exponent - 1}
                 : Unpacked{false, c.mantissa - 1, c.exponent};
      continue;
    }
    return c;
  }
}

Real48 LongDecimalValue(bool negative, const DecimalDigits& digits, const Significand& s) {
  const BigInt n = DigitsAsBigInt(digits, s);
  const Unpacked rounded = CorrectCandidate(n, s, Candidate(digits, s));
  return Real48Builder::Pack(negative, rounded.mantissa, rounded.exponent);
}

Real48 DecimalValue(const NumberParts& parts) {
  const DecimalDigits digits(parts);
  const Significand s = FindSignificand(digits, ReadExponent(parts), parts.integer_digits.size());
  if (s.count == 0) return Real48();  // zero, whatever the exponent
  const std::int64_t leading_power = s.exponent10 + static_cast<std::int64_t>(s.count) - 1;
  if (leading_power > 38) throw EOverflow();  // at least 1e39 > 2^127
  if (leading_power < -40) return Real48();   // below 1e-40 < 2^-128
  if (s.count <= 19 && !s.sticky && s.exponent10 >= -19 && s.exponent10 <= 19) {
    return ShortDecimalValue(parts.negative, LeadingDigitsValue(digits, s.first, s.count),
                             static_cast<int>(s.exponent10));
  }
  return LongDecimalValue(parts.negative, digits, s);
}

}  // namespace

// ---- Real48 -------------------------------------------------------------------------------

Real48 Real48::FromDouble(long double value) {
  if (std::isnan(value) || std::isinf(value)) throw EOverflow();
  if (value == 0) return Real48();
  int exponent = 0;
  const long double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  return RoundToReal48(std::signbit(value), mantissa, exponent - 64, false);
}

long double Real48::ToLongDouble() const {
  const Unpacked u = Real48Builder::Unpack(*this);
  const long double magnitude = std::ldexp(static_cast<long double>(u.mantissa), u.exponent);
  return u.negative ? -magnitude : magnitude;
}

bool operator==(const Real48& a, const Real48& b) { return Compare(a, b) == 0; }

int Compare(const Real48& a, const Real48& b) {
  const Unpacked x = Real48Builder::Unpack(a);
  const Unpacked y = Real48Builder::Unpack(b);
  if (x.negative != y.negative) return x.negative ? -1 : 1;  // 0 is never negative
  int magnitude_order = 0;
  if (x.mantissa == 0 || y.mantissa == 0) {
    magnitude_order = (x.mantissa != 0) - (y.mantissa != 0);
  } else if (x.exponent != y.exponent) {
    magnitude_order = x.exponent < y.exponent ? -1 : 1;
  } else if (x.mantissa != y.mantissa) {
    magnitude_order = x.mantissa < y.mantissa ? -1 : 1;
  }
  return x.negative ? -magnitude_order : magnitude_order;
}

Real48 Subtract(const Real48& a, const Real48& b) {
  Unpacked x = Real48Builder::Unpack(a);
  Unpacked y = Real48Builder::Unpack(b);
  y.negative = !y.negative;  // a - b = a + (-b)
  if (y.mantissa == 0) return a;
  if (x.mantissa == 0) return Real48Builder::Pack(y.negative, y.mantissa, y.exponent);
  if (x.exponent < y.exponent) std::swap(x, y);  // x has the larger exponent
  const int gap = x.exponent - y.exponent;
  // Beyond 87 bits apart y is far below half a unit of x's last place, whatever it is.
  if (gap > 87) return Real48Builder::Pack(x.negative, x.mantissa, x.exponent);
  const u128 big = u128{x.mantissa} << gap;
  const u128 small = y.mantissa;
  if (x.negative == y.negative) return RoundToReal48(x.negative, big + small, y.exponent, false);
  if (big >= small) return RoundToReal48(x.negative, big - small, y.exponent, false);
  return RoundToReal48(y.negative, small - big, y.exponent, false);
}

Real48 NumericKeyValue(std::string_view text) {
  NumberParts parts;
  if (!ScanNumber(text, parts)) return Real48();
  return DecimalValue(parts);
}

}  // namespace quillet
