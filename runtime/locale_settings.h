#pragma once
// The user's locale as Quillet reads it from the environment (never through the C
// library's installed locales, which a machine may lack).
//
// - System code page: the codeset of the first set, non-empty one of LC_ALL, LC_CTYPE,
//   LANG ("zh_CN.GBK" -> "GBK", "en_US.UTF-8" -> "UTF-8"); unset, "C", "POSIX" or no
//   codeset -> "UTF-8". The codeset is upper-cased, and every spelling of UTF-8 ("utf8",
//   "UTF8", "utf-8") becomes "UTF-8".
// - Collation locale: the language_TERRITORY part of the first set, non-empty one of
//   LC_ALL, LC_COLLATE, LANG ("de_DE.UTF-8@euro" -> "de_DE"); unset, C or POSIX -> ""
//   (ICU's root locale). "C.UTF-8" counts as C.
// - Date locale (formats of dates and times): the same rule over LC_ALL, LC_TIME, LANG.

#include <cstdint>
#include <string>

namespace quillet {

struct LocaleSettings {
  std::string code_page;         // ICU converter name, e.g. "UTF-8", "GBK"
  std::string collation_locale;  // e.g. "en_US", "" for the root locale
  std::string time_locale;       // e.g. "de_DE", "" for C/POSIX

  // The settings of the process, read from the environment at the first call.
  static const LocaleSettings& Current();
  // Reads the environment again (tests change it with setenv); also resets the shared
  // converter and collator so that they follow the new settings.
  static void Reload();
  // Settings derived from explicit variable values (nullptr = unset), for tests.
  static LocaleSettings FromValues(const char* lc_all, const char* lc_ctype,
                                   const char* lc_collate, const char* lc_time,
                                   const char* lang);
  // Counts the readings of the environment (the first Current() and every Reload()).
  // Caches built from the settings keep the count they were built at and rebuild
  // themselves when it has moved on.
  static std::uint64_t Generation();
};

}  // namespace quillet
