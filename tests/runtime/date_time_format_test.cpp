#include "runtime/date_time_format.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/locale_settings.h"
#include "strgrid/mstrlist.h"

namespace quillet {
namespace {

const char kAmPmFormat[] = "yyyy/M/d hh:mm:ss AMPM";

// A format object set to `format` (which must parse).
TDateTimeFormat WithFormat(const std::string& format) {
  TDateTimeFormat result;
  result.SetFormat(format);
  return result;
}

// The parsed slots 1..n as "letter:multiplier" words.
std::string SlotsOf(const TDateTimeFormat& f, int n) {
  std::string out;
  for (int i = 1; i <= n; ++i) {
    const auto& slot = f.Slot(i);
    if (!out.empty()) out += ' ';
    out += (slot.letter == '\0' ? std::string("\\0") : std::string(1, slot.letter)) + ':' +
           std::to_string(slot.multiplier);
  }
  return out;
}

// The message of the E_Format_Invalid that `action` throws, or "(no error)".
template <typename Action>
std::string FormatErrorOf(Action action) {
  try {
    action();
  } catch (const E_Format_Invalid& error) {
    return error.Message();
  }
  return "(no error)";
}

// ---- ParseDateTimeFormat --------------------------------------------------------------

TEST(ParseDateTimeFormat, ValidFormatsFillSlotsAndFlags) {
  const struct {
    const char* format;
    const char* slots;  // all 10 slots would be noisy: the used ones and the next
    int used;
    bool has_date, has_time, has_am_pm;
    int time_parts, first_time_slot;
  } cases[] = {
      {kAmPmFormat, "Y:500 M:35 D:1 H:360000 M:6000 S:100 A:0 \\0:0", 8, true, true, true, 4, 4},
      {"d.M.yyyy", "D:1 M:35 Y:500 \\0:0", 4, true, false, false, 0, 4},
      {"ddmmyy", "D:1 M:35 Y:500 \\0:0", 4, true, false, false, 0, 4},  // "M" run is the separator
      {"hh:mm", "H:360000 M:6000 \\0:0", 3, false, true, false, 2, 1},
      {"HH:NN:SS.TT", "H:360000 N:6000 S:100 T:1 \\0:0", 5, false, true, false, 4, 1},
      {"y-m-d h", "Y:500 M:35 D:1 H:360000 \\0:0", 5, true, true, false, 1, 4},
      {"h AMPMA", "H:360000 A:0 \\0:0", 3, false, true, true, 2, 1},  // trailing A joins the run
      {"d/m/y h:n:s:t:h:n:s", "D:1 M:35 Y:500 H:360000 N:6000 S:100 T:1 H:360000 N:6000 S:100",
       10, true, true, false, 7, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    TDateTimeFormat f;
    f.ParseDateTimeFormat(c.format);
    EXPECT_EQ(SlotsOf(f, c.used), c.slots);
    EXPECT_EQ(f.HasDate(), c.has_date);
    EXPECT_EQ(f.HasTime(), c.has_time);
    EXPECT_EQ(f.HasAmPm(), c.has_am_pm);
    EXPECT_EQ(f.TimePartCount(), c.time_parts);
    EXPECT_EQ(f.FirstTimeSlot(), c.first_time_slot);
  }
}

TEST(ParseDateTimeFormat, InvalidFormatsNameTheOffendingCharacter) {
  const struct {
    const char* format;
    std::string message;
  } cases[] = {
      {"mm:ss", "\"S\" in MM:SS  (Date format part) is invalid"},
      {"yyyy/M/d hh:mm ", "\" \" in YYYY/M/D HH:MM   (Time format part) is invalid"},
      {"yyyy//M/d", "\"/\" in YYYY//M/D  (Date format part) is invalid"},
      {"", "\" \" in   (Date format part) is invalid"},
      {"d/m", "\"\" in D/M  (Date format part) is invalid"},  // ends before the year
      {"dmy", "\"\" in DMY  (Date format part) is invalid"},  // M is read as the separator
      {"d/m/y h:x", "\"X\" in D/M/Y H:X  (Time format part) is invalid"},
      {"h AMP", "\"A\" in H AMP  (Time format part) is invalid"},
      {"d/\xE4/y", "\"\xE4\" in D/\xE4/Y  (Date format part) is invalid"},  // only a-z raised
      // more than 10 parts: the first one without a slot is named
      {"d/m/y h:n:s:t:h:n:s:t", "\"T\" in D/M/Y H:N:S:T:H:N:S:T  (Time format part) is invalid"},
      {"h:n:s:t:h:n:s:t:h:n:AMPM",
       "\"A\" in H:N:S:T:H:N:S:T:H:N:AMPM  (Time format part) is invalid"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    TDateTimeFormat f;
    EXPECT_EQ(FormatErrorOf([&] { f.ParseDateTimeFormat(c.format); }), c.message);
  }
}

TEST(ParseDateTimeFormat, FailureKeepsWhatWasReadBefore) {
  TDateTimeFormat f;
  f.ParseDateTimeFormat(kAmPmFormat);
  EXPECT_THROW(f.ParseDateTimeFormat("yyyy/M/d hh:mm:x"), E_Format_Invalid);
  EXPECT_TRUE(f.HasDate());
  EXPECT_TRUE(f.HasTime());
  EXPECT_FALSE(f.HasAmPm());  // cleared by the new parse
  EXPECT_EQ(f.TimePartCount(), 2);
  EXPECT_EQ(SlotsOf(f, 7), "Y:500 M:35 D:1 H:360000 M:6000 X:0 \\0:0");
  // the partial format still reads dates and times
  EXPECT_EQ(f.DateKey("2023/12/25 10:30"), "10119453780000");

  EXPECT_THROW(f.ParseDateTimeFormat("d/x"), E_Format_Invalid);
  EXPECT_FALSE(f.HasDate());  // only two date parts were read
  EXPECT_FALSE(f.HasTime());
  EXPECT_EQ(f.FirstTimeSlot(), 1);
  EXPECT_EQ(SlotsOf(f, 3), "D:1 X:0 \\0:0");
  EXPECT_EQ(f.DateKey("25/12"), "");

  EXPECT_THROW(f.ParseDateTimeFormat("h:n:s:t:h:n:s:t:h:n:s"), E_Format_Invalid);
  EXPECT_EQ(f.TimePartCount(), 10);
  EXPECT_EQ(f.Slot(10).letter, 'N');
}

TEST(SetFormat, StoresTheTextAsGivenAndIgnoresAnEqualOne) {
  TDateTimeFormat f;
  f.SetFormat("Yyyy/m/D");
  EXPECT_EQ(f.Format(), "Yyyy/m/D");
  // An equal text does not parse again: the form set directly stays.
  f.ParseDateTimeFormat("hh:mm");
  f.SetFormat("Yyyy/m/D");
  EXPECT_FALSE(f.HasDate());
  // A text differing only in case is a different text.
  f.SetFormat("yyyy/m/d");
  EXPECT_TRUE(f.HasDate());
}

TEST(SetFormat, FailedTextStaysAndSettingItAgainDoesNothing) {
  TDateTimeFormat f = WithFormat(kAmPmFormat);
  EXPECT_EQ(FormatErrorOf([&] { f.SetFormat("yyyy/M/d hh:mm:x"); }),
            "\"X\" in YYYY/M/D HH:MM:X  (Time format part) is invalid");
  EXPECT_EQ(f.Format(), "yyyy/M/d hh:mm:x");
  EXPECT_EQ(FormatErrorOf([&] { f.SetFormat("yyyy/M/d hh:mm:x"); }), "(no error)");
  EXPECT_EQ(f.TimePartCount(), 2);
  EXPECT_EQ(f.DateKey("2023/12/25 1:00"), "1011945 360000");
}

// ---- DateKey --------------------------------------------------------------------------

struct KeyCase {
  const char* text;
  const char* key;
};

void ExpectKeys(const TDateTimeFormat& f, std::initializer_list<KeyCase> cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(f.Format()) + " | " + c.text);
    EXPECT_EQ(f.DateKey(c.text), c.key);
  }
}

TEST(DateKey, TwelveHourClock) {
  ExpectKeys(WithFormat(kAmPmFormat),
             {
                 {"2023/12/25 10:30:00 PM", "10119458100000"},
                 {"2023/12/25 10:30 PM", "10119458100000"},  // seconds left out
                 {"2023/12/25 10:30:00 pm", "10119458100000"},
                 {"2023/12/25 10:30:00 AM", "10119453780000"},
                 {"2023/12/25 12:00:00 AM", "1011945      0"},
                 {"2023/12/25 12:00:00 PM", "10119454320000"},
                 {"2023/12/25 12:30 AM", "1011945 180000"},
                 {"2023/12/25 PM", "10119454320000"},  // every number left out
                 {"2023/12/25 11:59:59 PM am", "10119458639900"},  // left over, ignored
                 {"2023/12/25", "1011945"},  // no time field, no error
             });
}

TEST(DateKey, MissingAmPmRaisesWithTextAndFormat) {
  const TDateTimeFormat f = WithFormat(kAmPmFormat);
  EXPECT_EQ(FormatErrorOf([&] { f.DateKey("2023/12/25 22:30:00"); }),
            "\"2023/12/25 22:30:00\" AM or PM expected. DateTimeFormat=yyyy/M/d hh:mm:ss AMPM");
  const std::string long_text = "2023/12/25 1:2:3 " + std::string(150, 'x');
  EXPECT_EQ(FormatErrorOf([&] { f.DateKey(long_text); }),
            "\"" + long_text.substr(0, 100) +
                "\" AM or PM expected. DateTimeFormat=yyyy/M/d hh:mm:ss AMPM");
}

TEST(DateKey, TwentyFourHourAndTimeOnlyFormats) {
  ExpectKeys(WithFormat("yyyy/M/d hh:mm:ss"),
             {
                 {"2023/12/25 22:30:00", "10119458100000"},
                 {"2023/12/25 22:30", "10119458100000"},
                 {"2023/12/25 ", "1011945"},  // the blank goes with the day
                 {"2023/12/25 x", "1011945      0"},
                 {"2023/12/25 99:00", "10119453564000"},  // 35640000 cut to 7 characters
             });
  ExpectKeys(WithFormat("hh:mm"), {{"9:05", "3270000"}, {"", ""}, {"0:00", "      0"}});
}

TEST(DateKey, AmPmFormatReplacedByTwentyFourHourFormat) {
  TDateTimeFormat f = WithFormat(kAmPmFormat);
  f.SetFormat("hh:mm");
  EXPECT_EQ(f.DateKey("12:30"), "4500000");
}

TEST(DateKey, DateFieldsInDifferentOrders) {
  ExpectKeys(WithFormat("d.M.yyyy"), {{"25.12.2023", "1011945"},
                                      {"31.12.1999", " 999951"},
                                      {"", "1000000"}});  // year 0 expanded to 2000
  ExpectKeys(WithFormat("yyyy/M/d"), {{"2023/12/25", "1011945"},
                                      {"20000/1/1", "10000036"},  // wider field in full
                                      {"-3000/1/1", "-499964"},  // -3000 + 2000 = year -1000
                                      {"2023//12/25", "1011502"}});  // "/1" lost: month 0, day 2
  ExpectKeys(WithFormat("yyyy/M/d h:mm"), {{"20000/1/1 1:00", "10000036 360000"}});
}

TEST(DateKey, ShortYearExpansion) {
  const struct {
    bool expand;
    int border;
    const char* text;
    const char* key;  // day 1 + 35 * month 1 + 500 * year
  } cases[] = {
      {true, 10, "05/1/1", "1002536"},  {true, 10, "95/1/1", " 997536"},
      {true, 10, "150/1/1", "  75036"}, {true, 10, "9/1/1", "1004536"},
      {true, 10, "10/1/1", " 955036"},  {false, 10, "05/1/1", "   2536"},
      {true, 50, "49/1/1", "1024536"},  {true, 50, "50/1/1", " 975036"},
      {true, 10, "-5/1/1", " 997536"},  // below the border: 2000 added
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " border " + std::to_string(c.border));
    TDateTimeFormat f = WithFormat("yy/M/d");
    f.SetShortYearExpand(c.expand);
    f.SetShortYearBorder(c.border);
    EXPECT_EQ(f.DateKey(c.text), c.key);
  }
}

TEST(DateKey, HugeValuesGiveDefinedKeys) {
  ExpectKeys(WithFormat("yyyy/M/d hh"),
             {{"99999999999/99999999999/99999999999 99999999999",
               "1151051234792"   // 2147483647 * 536 in full
               "7730941"},       // 2147483647 * 360000 cut to 7
              {"-99999999999/1/1 $FFFFFFFF", "-1073740823964"
                                             "7730941"}});
}

// ---- ReadLeadingInteger ----------------------------------------------------------------

TEST(ReadLeadingInteger, ReadsANumberAndRemovesItWithOneSeparator) {
  const struct {
    const char* text;
    std::int32_t value;
    const char* rest;
  } cases[] = {
      {"12/25", 12, "25"},
      {"25", 25, ""},
      {"x5", 0, ""},       // no number: at least two characters go
      {"ab12", 0, "12"},
      {"12//25", 12, "/25"},
      {"/25", 0, "5"},
      {"", 0, ""},
      {"$1F", 31, ""},
      {"$1f:30", 31, "30"},
      {"$", 0, ""},
      {"$G1", 0, ""},
      {"  42", 42, ""},
      {"  42 7", 42, "7"},
      {"  ", 0, ""},
      {"\t5", 0, ""},      // only 0x20 is skipped
      {"+7", 7, ""},
      {"-7:30", -7, "30"},
      {"+-7", 0, ""},
      {"- 7/9", 0, "9"},
      {"7x9", 7, "9"},
      {"2147483647", 2147483647, ""},
      {"-2147483648", -2147483647 - 1, ""},
      {"99999999999/1", 2147483647, "1"},  // saturates, consumed whole
      {"-99999999999", -2147483647 - 1, ""},
      {"$FFFFFFFF", 2147483647, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    EXPECT_EQ(TDateTimeFormat::ReadLeadingInteger(text), c.value);
    EXPECT_EQ(text, c.rest);
  }
}

// ---- default format --------------------------------------------------------------------

TEST(DefaultFormatFor, LocaleShortDateAndTimeConventions) {
  const struct {
    const char* locale;
    const char* format;
  } cases[] = {
      {"en_US", "M/d/yy h:mm:ss AMPM"},  {"en_GB", "dd/MM/y hh:mm:ss"},
      {"de_DE", "dd.MM.yy hh:mm:ss"},    {"zh_CN", "y/M/d hh:mm:ss"},
      {"ko_KR", "yy.M.d h:mm:ss AMPM"},  // "yy. M. d." and "a h:mm:ss"
      {"", "m/d/yy h:mm:ss AMPM"},       {"C", "m/d/yy h:mm:ss AMPM"},
      {"POSIX", "m/d/yy h:mm:ss AMPM"},  {"xx_YY", "m/d/yy h:mm:ss AMPM"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(TDateTimeFormat::DefaultFormatFor(c.locale), c.format);
  }
}

TEST(DefaultFormatFor, EveryIcuLocaleGivesAFormatThatParses) {
  int32_t count = 0;
  const icu::Locale* locales = icu::Locale::getAvailableLocales(count);
  ASSERT_GT(count, 100);
  for (int32_t i = 0; i < count; ++i) {
    const std::string name = locales[i].getName();
    const std::string format = TDateTimeFormat::DefaultFormatFor(name);
    SCOPED_TRACE(name + " -> " + format);
    TDateTimeFormat f;
    ASSERT_EQ(FormatErrorOf([&] { f.SetFormat(format); }), "(no error)");
    std::string letters = {f.Slot(1).letter, f.Slot(2).letter, f.Slot(3).letter};
    std::sort(letters.begin(), letters.end());
    EXPECT_EQ(letters, "DMY");
    EXPECT_TRUE(f.HasDate());
    EXPECT_EQ(f.TimePartCount(), f.HasAmPm() ? 4 : 3);
  }
}

TEST(TDateTimeFormat, StartsWithTheUsersDefaultFormat) {
  const TDateTimeFormat f;
  EXPECT_EQ(f.Format(), TDateTimeFormat::DefaultFormatFor(LocaleSettings::Current().time_locale));
  EXPECT_EQ(&TDateTimeFormat::DefaultFormat(), &TDateTimeFormat::DefaultFormat());
  EXPECT_TRUE(f.HasDate());
  EXPECT_TRUE(f.ShortYearExpand());
  EXPECT_EQ(f.ShortYearBorder(), 10);
}

// ---- through the key list ----------------------------------------------------------------

std::vector<std::string> TextsOf(const TmStrList& list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list.Count(); ++i) texts.push_back(list.Strings(i));
  return texts;
}

TEST(TmStrListSoDate, SortsByDateThenTimeAndFindsByDateKey) {
  TmStrList list;
  list.SetKeyType(TMSortType::soDate);
  list.SetDateTimeFormat("d.M.yyyy hh:mm");
  const std::vector<std::string> texts = {"25.12.2023 22:30", "1.1.2024", "25.12.2023",
                                          "25.12.2023 9:05", "31.12.1999 23:59", "5.1.24"};
  for (const std::string& text : texts) list.Add(text);
  list.SetSorted(true);
  // 24 is above the border 10: 1924. A date without a time comes before the same date
  // with one.
  EXPECT_EQ(TextsOf(list), (std::vector<std::string>{"5.1.24", "31.12.1999 23:59", "25.12.2023",
                                                     "25.12.2023 9:05", "25.12.2023 22:30",
                                                     "1.1.2024"}));
  int index = -1;
  EXPECT_TRUE(list.Find("25.12.2023 09:05", index));  // other text, same date key
  EXPECT_EQ(index, 3);
  EXPECT_FALSE(list.Find("25.12.2023 09:06", index));
  EXPECT_EQ(index, 4);
}

TEST(TmStrListSoDate, MissingAmPmStopsTheSortWithTheFormatError) {
  TmStrList list;
  list.SetKeyType(TMSortType::soDate);
  list.SetDateTimeFormat(kAmPmFormat);
  list.Add("2023/12/25 10:00 PM");
  list.Add("2023/12/24 10:00");
  EXPECT_EQ(FormatErrorOf([&] { list.Sort(); }),
            "\"2023/12/24 10:00\" AM or PM expected. DateTimeFormat=yyyy/M/d hh:mm:ss AMPM");
}

}  // namespace
}  // namespace quillet
