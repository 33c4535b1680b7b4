#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "runtime/code_page.h"
#include "runtime/collation.h"
#include "runtime/locale_settings.h"

namespace quillet {
namespace {

struct EnvCase {
  const char* lc_all;
  const char* lc_ctype;
  const char* lc_collate;
  const char* lc_time;
  const char* lang;
  const char* code_page;
  const char* collation_locale;
  const char* time_locale;
};

TEST(LocaleSettingsFromValues, ReadsTheFirstSetVariableOfEachCategory) {
  const EnvCase cases[] = {
      {nullptr, nullptr, nullptr, nullptr, nullptr, "UTF-8", "", ""},
      {nullptr, nullptr, nullptr, nullptr, "en_US.UTF-8", "UTF-8", "en_US", "en_US"},
      {nullptr, nullptr, nullptr, nullptr, "zh_CN.GBK", "GBK", "zh_CN", "zh_CN"},
      {nullptr, nullptr, nullptr, nullptr, "de_DE.utf8@euro", "UTF-8", "de_DE", "de_DE"},
      {nullptr, nullptr, nullptr, nullptr, "de_DE@euro", "UTF-8", "de_DE", "de_DE"},
      {nullptr, nullptr, nullptr, nullptr, "sr_RS.iso-8859-5@latin", "ISO-8859-5", "sr_RS",
       "sr_RS"},
      {nullptr, nullptr, nullptr, nullptr, "fr_FR", "UTF-8", "fr_FR", "fr_FR"},
      {nullptr, nullptr, nullptr, nullptr, "C", "UTF-8", "", ""},
      {nullptr, nullptr, nullptr, nullptr, "POSIX", "UTF-8", "", ""},
      {nullptr, nullptr, nullptr, nullptr, "C.UTF-8", "UTF-8", "", ""},
      {nullptr, nullptr, nullptr, nullptr, "C.utf8", "UTF-8", "", ""},
      // LC_ALL wins over everything.
      {"ja_JP.EUC-JP", "zh_CN.GBK", "de_DE.UTF-8", "fr_FR.UTF-8", "en_US.UTF-8", "EUC-JP",
       "ja_JP", "ja_JP"},
      // Each category variable wins over LANG, only for its own category.
      {nullptr, "zh_CN.GBK", "de_DE.UTF-8", "fr_FR.UTF-8", "en_GB.ISO-8859-1", "GBK", "de_DE",
       "fr_FR"},
      {nullptr, "zh_CN.GBK", nullptr, nullptr, "en_GB.ISO-8859-1", "GBK", "en_GB", "en_GB"},
      {nullptr, nullptr, "C", nullptr, "en_GB.ISO-8859-1", "ISO-8859-1", "", "en_GB"},
      // Empty values count as unset.
      {"", "", "", "", "it_IT.UTF-8", "UTF-8", "it_IT", "it_IT"},
      {"", "", "", "", "", "UTF-8", "", ""},
      {"", "ko_KR.euc-kr", "", "", nullptr, "EUC-KR", "", ""},
  };
  for (const EnvCase& c : cases) {
    const LocaleSettings s =
        LocaleSettings::FromValues(c.lc_all, c.lc_ctype, c.lc_collate, c.lc_time, c.lang);
    const std::string label = std::string("LC_ALL=") + (c.lc_all ? c.lc_all : "(unset)") +
                              " LC_CTYPE=" + (c.lc_ctype ? c.lc_ctype : "(unset)") +
                              " LANG=" + (c.lang ? c.lang : "(unset)");
    EXPECT_EQ(s.code_page, c.code_page) << label;
    EXPECT_EQ(s.collation_locale, c.collation_locale) << label;
    EXPECT_EQ(s.time_locale, c.time_locale) << label;
  }
}

// Sets the environment to one locale for a test and puts the old one back afterwards.
class LocaleEnvironment {
 public:
  explicit LocaleEnvironment(const char* lc_all) {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    setenv("LC_ALL", lc_all, 1);
    LocaleSettings::Reload();
  }
  ~LocaleEnvironment() {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) setenv(kNames[i], saved_[i]->c_str(), 1); else unsetenv(kNames[i]);
    }
    LocaleSettings::Reload();
  }

 private:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_CTYPE", "LC_COLLATE", "LC_TIME", "LANG"};
  std::vector<std::optional<std::string>> saved_;
};

TEST(LocaleSettingsReload, FollowsTheEnvironmentAndResetsTheConverter) {
  {
    LocaleEnvironment gbk("zh_CN.GBK");
    EXPECT_EQ(LocaleSettings::Current().code_page, "GBK");
    EXPECT_EQ(LocaleSettings::Current().collation_locale, "zh_CN");
    EXPECT_EQ(DecodeFromCodePage("\xC4\xE3\xBA\xC3"), u"\u4F60\u597D");
  }
  LocaleEnvironment utf8("de_DE.UTF-8");
  EXPECT_EQ(LocaleSettings::Current().code_page, "UTF-8");
  EXPECT_EQ(DecodeFromCodePage("\xC3\xA4"), u"\u00E4");
}

int Sign(int value) { return (value > 0) - (value < 0); }

struct OrderCase {
  const char* a;
  const char* b;
  int expected;  // sign of CompareLocaleIgnoreCase(a, b)
};

void ExpectOrders(const std::vector<OrderCase>& cases) {
  for (const OrderCase& c : cases) {
    EXPECT_EQ(Sign(CompareLocaleIgnoreCase(c.a, c.b)), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(Sign(CompareLocaleIgnoreCase(c.b, c.a)), -c.expected) << c.b << " vs " << c.a;
    const int key_order = Sign(LocaleSortKey(c.a).compare(LocaleSortKey(c.b)));
    EXPECT_EQ(key_order, c.expected) << "sort keys of " << c.a << " vs " << c.b;
  }
}

TEST(CompareLocaleIgnoreCase, IgnoresCaseButNotAccentsInUtf8) {
  LocaleEnvironment env("en_US.UTF-8");
  ExpectOrders({
      {"apple", "APPLE", 0},
      {"a", "B", -1},
      {"B", "a", 1},
      {"", "a", -1},
      {"", "", 0},
      {"", " ", -1},
      {"ab", "abc", -1},
      {"Zebra", "zEBRA", 0},
      {"2", "10", 1},                       // texts, not numbers
      {"item", "Item ", -1},                // the whole length of both texts counts
      {"cote", "c\xC3\xB4te", -1},          // accents differ at secondary strength
      {"C\xC3\x94TE", "c\xC3\xB4te", 0},    // ... their case does not
      {"Muller", "M\xC3\xBCller", -1},
      {"M\xC3\xBCLLER", "m\xC3\xBCller", 0},
      {"\xC3\x9F", "SS", 1},                // sharp s after ss at secondary strength
      {"\xFF", "\xEF\xBF\xBD", 0},          // an invalid byte reads as U+FFFD
      {"a\xFF", "a\xFE", 0},
      {"a\xFF\xFF", "a\xFF", 1},            // one U+FFFD per invalid byte
  });
}

TEST(CompareLocaleIgnoreCase, FollowsTheCollationLocale) {
  {
    LocaleEnvironment swedish("sv_SE.UTF-8");
    ExpectOrders({{"\xC3\xA4", "z", 1}, {"\xC3\x84R", "\xC3\xA4r", 0}});  // ä after z
  }
  LocaleEnvironment german("de_DE.UTF-8");
  ExpectOrders({{"\xC3\xA4", "z", -1}, {"\xC3\xA4", "a", 1}});
}

TEST(CompareLocaleIgnoreCase, DecodesTheSystemCodePage) {
  {
    LocaleEnvironment gbk("zh_CN.GBK");
    ExpectOrders({{"\xC4\xE3\xBA\xC3", "\xC4\xE3\xBA\xC3", 0},
                  {"\xC4\xE3", "\xC4\xE3\xBA\xC3", -1},
                  {"abc", "ABC", 0},
                  {"x\x81 ", "X\xFE ", 0}});  // a lead byte before a blank reads as U+FFFD
    EXPECT_EQ(DecodeFromCodePage("a\x81"), u"a\uFFFD");  // cut off at the end
    EXPECT_EQ(DecodeFromCodePage("\x81 "), u"\uFFFD ");
    EXPECT_EQ(EncodeToCodePage(u"\u4F60\u597D!"), "\xC4\xE3\xBA\xC3!");
  }
  {
    LocaleEnvironment latin1("de_DE.ISO-8859-1");
    ExpectOrders({{"M\xFCller", "M\xDCLLER", 0}, {"Muller", "M\xFCller", -1}});
    EXPECT_EQ(EncodeToCodePage(u"\u00FC\u4F60"), "\xFC\x1A");  // substitute for what it lacks
  }
  {
    // Unassigned bytes read as U+FFFD, also where the code page's own substitute is U+001A.
    LocaleEnvironment korean("ko_KR.EUC-KR");
    EXPECT_EQ(DecodeFromCodePage("\xFFx"), u"\uFFFDx");
    LocaleEnvironment japanese("ja_JP.Shift_JIS");
    EXPECT_EQ(DecodeFromCodePage("\xA0x"), u"\uFFFDx");
  }
  LocaleEnvironment unknown("en_US.NO-SUCH-CODE-PAGE");
  EXPECT_EQ(DecodeFromCodePage("\xC3\xA9"), u"\u00E9");  // read as UTF-8
  EXPECT_EQ(EncodeToCodePage(u"\u00E9"), "\xC3\xA9");
}

// A random text from pieces that stress the collator: letters in both cases, accented
// letters, digits, punctuation, blanks and bytes that are not valid in the code page.
std::string RandomText(std::mt19937& random, const std::vector<std::string>& pieces) {
  std::uniform_int_distribution<int> length(0, 6);
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
  std::string text;
  for (int n = length(random); n > 0; --n) text += pieces[piece(random)];
  return text;
}

void ExpectKeysOrderAsCompare(const std::vector<std::string>& pieces) {
  std::mt19937 random(12345);
  std::vector<std::string> texts;
  std::vector<std::string> keys;
  for (int i = 0; i < 300; ++i) {
    texts.push_back(RandomText(random, pieces));
    keys.push_back(LocaleSortKey(texts.back()));
    ASSERT_EQ(keys.back().find('\0'), std::string::npos);
  }
  int equal_pairs = 0;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t j = 0; j < texts.size(); ++j) {
      const int compared = Sign(CompareLocaleIgnoreCase(texts[i], texts[j]));
      ASSERT_EQ(compared, Sign(keys[i].compare(keys[j])))
          << '"' << texts[i] << "\" vs \"" << texts[j] << '"';
      equal_pairs += (compared == 0 && i != j);
    }
  }
  EXPECT_GT(equal_pairs, 0);  // the pieces make case-only differences likely
}

TEST(LocaleSortKeyProperty, KeyOrderEqualsCompareOrderInUtf8) {
  LocaleEnvironment env("en_US.UTF-8");
  ExpectKeysOrderAsCompare({"a", "A", "b", "B", "e", "\xC3\xA9", "\xC3\x89", "1", "2", " ",
                            "-", ".", "'", "\xE4\xBD\xA0", "z", "Z",
                            // ill-formed: stray, cut off, overlong, surrogate, too large
                            "\xFF", "\x80", "\xC3", "\xF0\x9F", "\xE0\x80", "\xC0\xAF",
                            "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80"});
}

TEST(LocaleSortKeyProperty, KeyOrderEqualsCompareOrderInGbk) {
  LocaleEnvironment env("zh_CN.GBK");
  ExpectKeysOrderAsCompare({"a", "A", "b", "B", "1", " ", "-", "\xC4\xE3", "\xBA\xC3",
                            "\xB0\xA1", "\xA3\xC1", "\xA3\xE1", "\xFF", "\x81"});
}

}  // namespace
}  // namespace quillet
