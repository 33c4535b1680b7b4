// Fuzzes NumericKeyValue. The bytes are cut into two texts a and b. For each: the only
// exception allowed is EOverflow; the value agrees with a slow reference (the longest
// leading part that reads by the number rules, converted by strtold) to within the 40-bit
// precision of the 6-byte real, with the same sign, 0 below its range and EOverflow above
// it. Then the order of a and b agrees with the order of their reference values, and
// Subtract agrees with Compare.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "fuzz/fuzz_support.h"
#include "runtime/exceptions.h"
#include "runtime/real48.h"

namespace quillet::fuzz {
namespace {

constexpr std::size_t kMaxText = 2048;  // the reference is quadratic in the length

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(const std::string& t, std::size_t i) {
  while (i < t.size() && IsDigit(t[i])) ++i;
  return i;
}

// Whether all of `t` reads as a number: blanks, a sign, digits, a point and digits, an
// exponent with at least one digit; never ending right after the blanks, the sign, the
// point, the E or its sign.
bool ReadsCompletely(const std::string& t) {
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  if (i == t.size()) return false;
  i = SkipDigits(t, i);
  if (i < t.size() && t[i] == '.') {
    if (++i == t.size()) return false;
    i = SkipDigits(t, i);
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t digits = i;
    i = SkipDigits(t, i);
    if (i == digits) return false;
  }
  return i == t.size();
}

long double ReferenceValue(const std::string& text) {
  for (std::size_t n = text.size(); n > 0; --n) {
    const std::string prefix = text.substr(0, n);
    if (ReadsCompletely(prefix)) return std::strtold(prefix.c_str(), nullptr);
  }
  return 0;
}

// The value, or nothing when NumericKeyValue raised EOverflow. Any other exception escapes
// and crashes the run.
std::optional<Real48> ValueOrOverflow(const std::string& text) {
  try {
    return NumericKeyValue(text);
  } catch (const EOverflow& error) {
    Check(error.Message() == "Floating point overflow", "EOverflow message");
    return std::nullopt;
  }
}

// Checks one text against the reference; returns its value when it has one.
std::optional<Real48> CheckText(const std::string& text, long double reference) {
  const long double limit = std::ldexp(1.0L, 127);
  const long double slack = std::ldexp(1.0L, -39);
  const long double magnitude = std::fabs(reference);
  const std::optional<Real48> value = ValueOrOverflow(text);
  if (magnitude >= limit * (1 + slack)) Check(!value, "overflow above 2^127");
  if (magnitude <= limit * (1 - slack)) Check(value.has_value(), "no overflow below 2^127");
  if (!value) return value;
  const long double got = value->ToLongDouble();
  if (magnitude < std::ldexp(1.0L, -129)) Check(got == 0, "0 below 2^-128");
  if (magnitude > std::ldexp(1.0L, -127)) {
    Check(std::fabs(got - reference) <= magnitude * slack, "value within 40-bit precision");
  }
  if (got != 0) Check(std::signbit(got) == std::signbit(reference), "sign of the value");
  return value;
}

void CheckOrder(const Real48& a, const Real48& b, long double ref_a, long double ref_b) {
  const int order = Compare(a, b);
  Check((order == 0) == (a == b), "Compare and == agree");
  if (ref_a < ref_b) Check(order <= 0, "order follows the reference (a < b)");
  if (ref_a > ref_b) Check(order >= 0, "order follows the reference (a > b)");
  try {
    const long double difference = Subtract(a, b).ToLongDouble();
    if (difference != 0) Check((difference < 0) == (order < 0), "Subtract has Compare's sign");
    if (order == 0) Check(difference == 0, "equal values subtract to 0");
  } catch (const EOverflow&) {
    Check(order != 0, "equal values never overflow when subtracted");
  }
}

}  // namespace
}  // namespace quillet::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet::fuzz;
  if (size > 2 * kMaxText) return 0;
  FuzzInput input(data, size);
  const std::string a = input.Text();
  const std::string b = input.Rest();
  const long double ref_a = ReferenceValue(a);
  const long double ref_b = ReferenceValue(b);
  const auto value_a = CheckText(a, ref_a);
  const auto value_b = CheckText(b, ref_b);
  if (value_a && value_b) CheckOrder(*value_a, *value_b, ref_a, ref_b);
  return 0;
}
