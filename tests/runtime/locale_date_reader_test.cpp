#include "runtime/locale_date_reader.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/locale_settings.h"
#include "tests/test_support.h"

namespace quillet {
namespace {

using test_support::ExpectError;

// Seconds from 0001-01-01 to 1970-01-01: 719162 days.
constexpr std::int64_t kUnixEpoch = 719162LL * 86400;

struct DateCase {
  const char* text;
  std::optional<std::int64_t> unix_seconds;  // nullopt: the text must not read
};

void ExpectCases(const std::string& locale, const std::vector<DateCase>& cases) {
  const TLocaleDateReader reader(locale);
  for (const DateCase& c : cases) {
    SCOPED_TRACE("locale '" + locale + "', text '" + c.text + "'");
    std::int64_t seconds = -1;
    const bool read = reader.TryRead(c.text, seconds);
    ASSERT_EQ(read, c.unix_seconds.has_value());
    if (read) {
      EXPECT_EQ(seconds - kUnixEpoch, *c.unix_seconds);
    }
  }
}

constexpr std::nullopt_t kBad = std::nullopt;

TEST(TLocaleDateReaderForms, UnitedStatesReadsMonthDayYear) {
  ExpectCases("en_US", {
      {"12/31/2024", 1735603200}, {"12-31-2024", 1735603200}, {"12.31.2024", 1735603200},
      {"  12/31/2024\t", 1735603200}, {"1/2/05", 1104624000}, {"03/04/99", 920505600},
      {"1/1/49", 2493072000}, {"1/1/50", -631152000}, {"2/29/2000", 951782400},
      {"2/29/2024 12:34:56", 1709210096}, {"12/31/2024 21:05", 1735679100},
      {"12/31/2024 9:05 PM", 1735679100}, {"12/31/2024 9:05pm", 1735679100},
      {"12/31/2024 12:30 am", 1735605000}, {"12/31/2024 12:30 PM", 1735648200},
      {"12/31/2024 23:59:59 ", 1735689599},
      // impossible dates and times
      {"31/12/2024", kBad}, {"2/29/2023", kBad}, {"2/29/1900", kBad}, {"4/31/2024", kBad},
      {"0/10/2024", kBad}, {"1/0/2024", kBad}, {"1/1/0000", kBad},
      {"12/31/2024 24:00", kBad}, {"12/31/2024 10:60", kBad}, {"12/31/2024 10:30:60", kBad},
      {"12/31/2024 0:30 AM", kBad}, {"12/31/2024 13:30 PM", kBad},
      // forms that are not read
      {"1/1/202", kBad}, {"1/1/20245", kBad}, {"12/31-2024", kBad}, {"12/31", kBad},
      {"12:30", kBad}, {"", kBad}, {"   ", kBad}, {"12/31/2024 10:5", kBad},
      {"12/31/2024 10", kBad}, {"12/31/2024 10:30 xm", kBad}, {"12/31/2024x", kBad},
      {"12/31/2024 10:30 PM x", kBad}, {"12/31/202410:30", kBad}, {"+1/2/2024", kBad},
      {"Dec/31/2024", kBad},
  });
}

TEST(TLocaleDateReaderForms, OtherLocalesReadTheirOwnOrder) {
  ExpectCases("de_DE", {
      {"31.12.2024", 1735603200}, {"31/12/2024", 1735603200}, {"31-12-2024", 1735603200},
      {"2.1.05", 1104624000}, {"29.02.2024 12:34:56", 1709210096},
      {"31.12.2024 9:05 pm", 1735679100},
      {"12.31.2024", kBad}, {"29.2.2023", kBad}, {"31.12.", kBad},
  });
  ExpectCases("", {
      {"12/31/2024", 1735603200}, {"12.31.2024 9:05 pm", 1735679100},
      {"31/12/2024", kBad}, {"2024-12-31", kBad},
  });
  ExpectCases("sv_SE", {
      {"2024-12-31", 1735603200}, {"2024/12/31", 1735603200}, {"12/31/2024", kBad},
  });
  // A locale without date conventions of its own reads like C, not like ICU's default.
  const icu::Locale saved = icu::Locale::getDefault();
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale::setDefault(icu::Locale("de_DE"), status);
  ExpectCases("xx_YY", {{"12/31/2024", 1735603200}, {"31.12.2024", kBad}});
  icu::Locale::setDefault(saved, status);
  EXPECT_TRUE(U_SUCCESS(status));
}

TEST(TLocaleDateReaderRead, FailureNamesTheTextExactly) {
  const TLocaleDateReader reader("en_US");
  ExpectError<EConvertError>([&] { reader.Read(" 13/1/2024 "); },
                             "' 13/1/2024 ' is not a valid date and time");
  EXPECT_EQ(reader.Read("1/2/2024 10:00"), reader.Read("01/02/24 10:00:00 AM"));
}

// The process-wide reader follows LC_TIME and is rebuilt after a reload.
TEST(TLocaleDateReaderCurrent, FollowsTheTimeLocaleOfTheEnvironment) {
  const char* saved = std::getenv("LC_ALL");
  const std::string restore = saved ? saved : "";
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  LocaleSettings::Reload();
  const std::int64_t german = ReadLocaleDateTime("2.1.2005");
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
  LocaleSettings::Reload();
  const std::int64_t american = ReadLocaleDateTime("1/2/2005");
  EXPECT_THROW(ReadLocaleDateTime("31.12.2024"), EConvertError);
  if (saved) ::setenv("LC_ALL", restore.c_str(), 1); else ::unsetenv("LC_ALL");
  LocaleSettings::Reload();
  EXPECT_EQ(german, american);
  EXPECT_EQ(german - kUnixEpoch, 1104624000);
}

}  // namespace
}  // namespace quillet
