#include "runtime/locale_settings.h"

#include <atomic>
#include <cstdlib>
#include <string_view>

namespace quillet {
namespace {

std::atomic<std::uint64_t> generation{0};

// The first of the values that is set and not empty; nullptr when there is none.
const char* FirstSet(const char* first, const char* second, const char* third) {
  for (const char* value : {first, second, third}) {
    if (value != nullptr && value[0] != '\0') return value;
  }
  return nullptr;
}

// "ll_TT.CODESET@modifier": the part before the codeset and the modifier.
std::string_view NamePart(std::string_view value) {
  return value.substr(0, value.find_first_of(".@"));
}

// The part between '.' and '@', empty when there is no '.'.
std::string_view CodesetPart(std::string_view value) {
  const std::size_t dot = value.find('.');
  if (dot == std::string_view::npos) return {};
  const std::string_view rest = value.substr(dot + 1);
  return rest.substr(0, rest.find('@'));
}

bool IsPosixName(std::string_view name) { return name == "C" || name == "POSIX"; }

// Upper-cased codeset; any spelling of UTF-8 becomes "UTF-8".
std::string NormalizeCodeset(std::string_view codeset) {
  std::string upper;
  std::string letters_and_digits;
  for (char c : codeset) {
    const char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    upper.push_back(u);
    if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')) letters_and_digits.push_back(u);
  }
  if (letters_and_digits == "UTF8") return "UTF-8";
  return upper;
}

std::string CodePageOf(const char* value) {
  if (value == nullptr) return "UTF-8";
  const std::string_view codeset = CodesetPart(value);
  if (codeset.empty()) return "UTF-8";
  return NormalizeCodeset(codeset);
}

std::string LocaleNameOf(const char* value) {
  if (value == nullptr) return "";
  const std::string_view name = NamePart(value);
  if (IsPosixName(name)) return "";
  return std::string(name);
}

LocaleSettings& CurrentSettings() {
  static LocaleSettings settings = [] {
    LocaleSettings read = LocaleSettings::FromValues(
        std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LC_COLLATE"),
        std::getenv("LC_TIME"), std::getenv("LANG"));
    generation.fetch_add(1);
    return read;
  }();
  return settings;
}

}  // namespace

const LocaleSettings& LocaleSettings::Current() { return CurrentSettings(); }

void LocaleSettings::Reload() {
  LocaleSettings& settings = CurrentSettings();
  settings = FromValues(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"),
                        std::getenv("LC_COLLATE"), std::getenv("LC_TIME"),
                        std::getenv("LANG"));
  generation.fetch_add(1);
}

LocaleSettings LocaleSettings::FromValues(const char* lc_all, const char* lc_ctype,
                                          const char* lc_collate, const char* lc_time,
                                          const char* lang) {
  LocaleSettings settings;
  settings.code_page = CodePageOf(FirstSet(lc_all, lc_ctype, lang));
  settings.collation_locale = LocaleNameOf(FirstSet(lc_all, lc_collate, lang));
  settings.time_locale = LocaleNameOf(FirstSet(lc_all, lc_time, lang));
  return settings;
}

std::uint64_t LocaleSettings::Generation() {
  CurrentSettings();  // the first reading counts
  return generation.load();
}

}  // namespace quillet
