#include "runtime/real48.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "tests/test_support.h"

namespace quillet {
namespace {

// m * 2^k, exact in a long double for the 40-bit mantissas used here.
Real48 Exact(long double mantissa, int exponent = 0) {
  return Real48::FromDouble(std::ldexp(mantissa, exponent));
}

std::string Describe(const Real48& value) {
  std::string text;
  for (std::uint8_t byte : value.Bytes()) text += std::to_string(byte) + " ";
  return text + "(" + std::to_string(static_cast<double>(value.ToLongDouble())) + ")";
}

void ExpectOverflow(const std::string& text) {
  SCOPED_TRACE(text.substr(0, 60));
  test_support::ExpectError<EOverflow>([&] { NumericKeyValue(text); }, "Floating point overflow");
}

constexpr long double k2Pow40 = 1099511627776.0L;

TEST(Real48Bytes, ExponentFirstThenMantissaLowByteFirstWithSignOnTop) {
  using Bytes = std::array<std::uint8_t, 6>;
  EXPECT_EQ(Exact(1).Bytes(), (Bytes{0x81, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Exact(-1).Bytes(), (Bytes{0x81, 0, 0, 0, 0, 0x80}));
  EXPECT_EQ(Exact(0.5L).Bytes(), (Bytes{0x80, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Exact(3).Bytes(), (Bytes{0x82, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(Exact(k2Pow40 + 2).Bytes(), (Bytes{0xA9, 1, 0, 0, 0, 0}));  // lowest bit
  EXPECT_EQ(Exact(std::ldexp(1.0L, -128)).Bytes(), (Bytes{1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Exact(-0.0L).Bytes(), (Bytes{}));
  EXPECT_TRUE(NumericKeyValue("-0").IsZero());
  EXPECT_EQ(NumericKeyValue("-0").Bytes(), (Bytes{}));
}

struct ReadCase {
  const char* text;
  long double value;
};

TEST(NumericKeyValue, ReadsTheLongestLeadingNumber) {
  const ReadCase cases[] = {
      {"42", 42},         {"12abc", 12},     {" 7 items", 7},  {"3.5kg", 3.5L},
      {"-3.", -3},        {"1.5e", 1.5L},    {"1e3x", 1000},   {"1,5", 1},
      {"abc", 0},         {"", 0},           {"-", 0},         {".5", 0.5L},
      {"e5", 0},          {"   ", 0},        {"+", 0},         {" -", 0},
      {".", 0},           {"-.", 0},         {"+7", 7},        {"-.5", -0.5L},
      {"7 ", 7},          {"\t7", 0},        {"1e+", 1},       {"1e-", 1},
      {"1.e", 1},         {"2.5E-1", 0.25L}, {"25e-2x", 0.25L}, {"3.e2", 300},
      {"0003.2500", 3.25L}, {"1.5e2.5", 150}, {"--1", 0},      {"1e3e4", 1000},
      {"  -12.75e+1", -127.5L}, {"E", 0},    {"e-7", 0},       {".e1", 0},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(NumericKeyValue(c.text), Exact(c.value))
        << "text '" << c.text << "' gave " << Describe(NumericKeyValue(c.text));
  }
}

struct RoundCase {
  const char* text;
  long double mantissa;  // expected value mantissa * 2^exponent
  int exponent;
};

TEST(NumericKeyValue, RoundsOnceToTheNearestWithTiesToEven) {
  const RoundCase cases[] = {
      {"1099511627775", k2Pow40 - 1, 0},       // 40 bits: exact
      {"1099511627777", k2Pow40, 0},           // tie, the even neighbour is below
      {"1099511627779", k2Pow40 + 4, 0},       // tie, the even neighbour is above
      {"1099511627777.0000000000000000000000001", k2Pow40 + 2, 0},  // just above a tie
      {"1099511627778.9999999999999999999999999", k2Pow40 + 2, 0},  // just below a tie
      {"2199023255551", 2 * k2Pow40, 0},       // 41 ones carry into the next exponent
      {"-2199023255551", -2 * k2Pow40, 0},
      {"0.99999999999999", 1, 0},              // rounds up to a power of two
      // Decimal halfway points between two neighbours with 41 significant bits: ties to even.
      {"0.50000000000500222085975110530853271484375", 549755813894, -40},  // even above
      {"0.50000000000500222085975110530853271484374", 549755813893, -40},
      {"0.0000000000000004440892098553132743546037218131485903305222251447048620320856571197"
       "509765625",
       549755813894, -90},
      {"0.0000000000000004440892098553132743546037218131485903305222251447048620320856571197"
       "509765624999",
       549755813894, -90},
      {"0.0000000000000004440892098553132743546037218131485903305222251447048620320856571197"
       "5097656250000000000000000000000000001",
       549755813895, -90},
      {"0.1", 879609302221, -43},              // 0.1 rounded up (its bits continue 1100...)
      {"0.3", 659706976666, -41},              // 0.3 rounded down
      {"1e38", 646234853557, 87},              // 10^38 / 2^87 rounded
  };
  for (const RoundCase& c : cases) {
    EXPECT_EQ(NumericKeyValue(c.text), Exact(c.mantissa, c.exponent))
        << "text '" << c.text << "' gave " << Describe(NumericKeyValue(c.text));
  }
}

// The greatest 6-byte real is (2^40 - 1) * 2^87; halfway from it to 2^127 the tie goes to
// the even 2^127, which does not fit.
TEST(NumericKeyValue, OverflowsWhenTheMagnitudeRoundsTo2Pow127) {
  const Real48 greatest = Exact(k2Pow40 - 1, 87);
  EXPECT_EQ(NumericKeyValue("170141183460314489226776631181521715200"), greatest);
  EXPECT_EQ(NumericKeyValue("170141183460391860479231967448702910463"), greatest);
  EXPECT_EQ(NumericKeyValue("-170141183460391860479231967448702910463.999"),
            Exact(-(k2Pow40 - 1), 87));
  ExpectOverflow("170141183460391860479231967448702910464");
  ExpectOverflow("-170141183460391860479231967448702910464");
  ExpectOverflow("170141183460469231731687303715884105727");
  ExpectOverflow("1e39");
  ExpectOverflow("-1e39");
  ExpectOverflow("2e38");
  ExpectOverflow("1e999999999");
  ExpectOverflow("1e99999999999999999999999999999999");  // exponent beyond every integer type
  ExpectOverflow(" 9" + std::string(5000, '9') + "abc");
  EXPECT_NO_THROW(NumericKeyValue("1.7e38"));
  EXPECT_NO_THROW(NumericKeyValue("0e999999999"));  // zero whatever the exponent
}

// 2^-128 is the smallest magnitude. The value is rounded first: a value within half a unit
// below 2^-128 rounds to it; a 40-bit value below it becomes 0.
TEST(NumericKeyValue, MagnitudesBelow2PowMinus128BecomeZero) {
  const Real48 smallest = Exact(1, -128);
  EXPECT_EQ(NumericKeyValue("0.000000000000000000000000000000000000002938735877055718769921841"
                            "34305561419454666389193021880377187926569604314863681793212890625"),
            smallest);
  EXPECT_EQ(NumericKeyValue("0.000000000000000000000000000000000000002938735877055050578744318"
                            "29414407906042987602146051500455185300352155266426377783246865946"
                            "741033237543661016388796269893646240234375"),
            smallest);  // 2^-128 * (1 - 2^-42)
  EXPECT_TRUE(NumericKeyValue("0.00000000000000000000000000000000000000293873587705304600521174"
                              "91474094736580795124100514036068917742169980812111446575334879"
                              "19119641329501746440655551850795745849609375")
                  .IsZero());  // 2^-128 * (1 - 2^-40), a 40-bit value below the border
  EXPECT_FALSE(NumericKeyValue("3e-39").IsZero());
  EXPECT_TRUE(NumericKeyValue("2.9e-39").IsZero());
  EXPECT_TRUE(NumericKeyValue("-1e-39").IsZero());
  EXPECT_TRUE(NumericKeyValue("1e-999999999").IsZero());
  EXPECT_TRUE(NumericKeyValue("1e-99999999999999999999999999999").IsZero());
  EXPECT_TRUE(NumericKeyValue("0." + std::string(5000, '0') + "1").IsZero());
}

TEST(NumericKeyValue, LongDigitStringsMatchTheirShortForms) {
  EXPECT_EQ(NumericKeyValue("0.1000000000000000000000000001"), NumericKeyValue("0.1"));
  EXPECT_EQ(NumericKeyValue("1" + std::string(3000, '0') + "e-3000"), Exact(1));
  EXPECT_EQ(NumericKeyValue("0." + std::string(3000, '0') + "25e3001"), Exact(2.5L));
  EXPECT_EQ(NumericKeyValue(std::string(4000, '0') + "17.5"), Exact(17.5L));
  EXPECT_EQ(NumericKeyValue("12.5" + std::string(4000, '0') + "kg"), Exact(12.5L));
  // 2^40 + 1 followed by many digits that are not all zero: above the tie.
  EXPECT_EQ(NumericKeyValue("1099511627777." + std::string(3000, '0') + "1"),
            Exact(k2Pow40 + 2));
  EXPECT_EQ(NumericKeyValue("1099511627777." + std::string(3000, '0')), Exact(k2Pow40));
}

TEST(NumericKeyValue, NumbersEqualUpToThe40thBitAreEqualKeys) {
  EXPECT_EQ(NumericKeyValue("1099511627776"), NumericKeyValue("1099511627777"));
  EXPECT_NE(NumericKeyValue("1099511627776"), NumericKeyValue("1099511627778"));
  EXPECT_EQ(NumericKeyValue("123456789012345"), NumericKeyValue("123456789012346"));
  EXPECT_EQ(Compare(NumericKeyValue("0.3"), NumericKeyValue("0.30000000000001")), 0);
  EXPECT_LT(Compare(NumericKeyValue("0.3"), NumericKeyValue("0.3000000001")), 0);
}

// Random numbers written as a short text (the exact 128-bit path) and as a long one with
// extra zeros (the big-integer path) must give the same 6-byte real; and the order of the
// values must follow the order of the decimals.
TEST(NumericKeyValueProperty, ShortAndLongSpellingsAgreeAndOrderIsKept) {
  std::mt19937_64 random(20240611);
  std::uniform_int_distribution<std::uint64_t> digits(1, 999999999999999ULL);
  std::uniform_int_distribution<int> exponents(-19, 19);
  for (int i = 0; i < 3000; ++i) {
    const std::uint64_t n = digits(random);
    const int e = exponents(random);
    const std::string short_form = std::to_string(n) + "e" + std::to_string(e);
    const std::string long_form =
        std::to_string(n) + std::string(30, '0') + "e" + std::to_string(e - 30);
    const Real48 value = NumericKeyValue(short_form);
    ASSERT_EQ(value, NumericKeyValue(long_form)) << short_form;
    const Real48 next = NumericKeyValue(std::to_string(n + 1) + "e" + std::to_string(e));
    ASSERT_LE(Compare(value, next), 0) << short_form;
    ASSERT_EQ(Compare(NumericKeyValue("-" + short_form), value), -1) << short_form;
  }
}

struct CompareCase {
  long double a;
  long double b;
  int expected;
};

TEST(Real48Compare, OrdersBySignThenMagnitude) {
  const CompareCase cases[] = {
      {0, 0, 0},    {1, 0, 1},     {-1, 0, -1},  {0, -1, 1},         {-1, -2, 1},
      {2, 1, 1},    {1, 1.5L, -1}, {-1.5L, -1, -1}, {0.25L, 4, -1},  {-4, -0.25L, -1},
      {3, 3, 0},    {-3, -3, 0},   {1e-30L, -1e30L, 1},
  };
  for (const CompareCase& c : cases) {
    EXPECT_EQ(Compare(Exact(c.a), Exact(c.b)), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(Compare(Exact(c.b), Exact(c.a)), -c.expected) << c.b << " vs " << c.a;
    EXPECT_EQ(Exact(c.a) == Exact(c.b), c.expected == 0);
  }
}

struct SubtractCase {
  long double a;
  long double b;
  long double expected;
};

TEST(Real48Subtract, RoundsTheExactDifference) {
  const SubtractCase cases[] = {
      {3, 1.5L, 1.5L},
      {1.5L, 3, -1.5L},
      {-2, 3, -5},
      {5, 5, 0},
      {0, 7, -7},
      {7, 0, 7},
      {0, -7, 7},
      {k2Pow40, 0.5L, k2Pow40},            // halfway: the even neighbour 2^40
      {k2Pow40, 1.5L, k2Pow40 - 2},        // halfway: the even neighbour 2^40 - 2
      {k2Pow40 - 1, -0.5L, k2Pow40},       // halfway on the way up
      {k2Pow40, 0.25L, k2Pow40},
      {k2Pow40, 0.75L, k2Pow40 - 1},
      {std::ldexp(1.0L, 100), std::ldexp(1.0L, -100), std::ldexp(1.0L, 100)},
      {std::ldexp(1.0L, -100), std::ldexp(1.0L, 100), -std::ldexp(1.0L, 100)},
  };
  for (const SubtractCase& c : cases) {
    EXPECT_EQ(Subtract(Exact(c.a), Exact(c.b)), Exact(c.expected)) << c.a << " - " << c.b;
  }
}

TEST(Real48Subtract, TooLargeOverflowsAndTinyBecomesZero) {
  const Real48 large = NumericKeyValue("1e38");
  test_support::ExpectError<EOverflow>([&] { Subtract(large, NumericKeyValue("-1e38")); },
                                       "Floating point overflow");
  const Real48 smallest = Exact(1, -128);
  const Real48 above = Exact(k2Pow40 / 2 + 1, -167);  // 2^-128 + 2^-167
  EXPECT_TRUE(Subtract(above, smallest).IsZero());
  EXPECT_EQ(Subtract(Exact(2, -128), smallest), smallest);
}

TEST(Real48FromDouble, RoundsToEvenAndRejectsWhatCannotBeHeld) {
  EXPECT_EQ(Real48::FromDouble(k2Pow40 + 1), Exact(k2Pow40));
  EXPECT_EQ(Real48::FromDouble(k2Pow40 + 3), Exact(k2Pow40 + 4));
  EXPECT_EQ(Real48::FromDouble(2.5L).ToDouble(), 2.5);
  EXPECT_TRUE(Real48::FromDouble(std::ldexp(1.0L, -129)).IsZero());
  EXPECT_THROW(Real48::FromDouble(std::ldexp(1.0L, 127)), EOverflow);
  EXPECT_THROW(Real48::FromDouble(NAN), EOverflow);
  EXPECT_THROW(Real48::FromDouble(-INFINITY), EOverflow);
  EXPECT_EQ(Real48::FromDouble(std::ldexp(k2Pow40 - 1, 87)).ToLongDouble(),
            std::ldexp(k2Pow40 - 1, 87));
}

}  // namespace
}  // namespace quillet
