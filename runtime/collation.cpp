#include "runtime/collation.h"

#include <unicode/ucol.h>

#include <cstdint>

#include "runtime/code_page.h"
#include "runtime/icu_handle.h"
#include "runtime/locale_settings.h"

namespace quillet {
namespace {

using Collator = IcuHandle<UCollator, ucol_close>;

Collator OpenCollator(const std::string& locale) {
  UErrorCode status = U_ZERO_ERROR;
  Collator collator(ucol_open(locale.c_str(), &status));
  if (U_FAILURE(status)) {  // a malformed locale name: use the root collation
    status = U_ZERO_ERROR;
    collator = Collator(ucol_open("", &status));
    if (U_FAILURE(status)) ThrowIcu("ucol_open", status);
  }
  status = U_ZERO_ERROR;
  ucol_setAttribute(collator.get(), UCOL_STRENGTH, UCOL_SECONDARY, &status);
  if (U_FAILURE(status)) ThrowIcu("ucol_setAttribute", status);
  return collator;
}

// The collator of this thread, with reusable buffers.
struct CollationState {
  std::uint64_t generation = 0;
  Collator collator;
  bool utf8 = false;  // texts go to the collator as they are
  std::u16string first;
  std::u16string second;
  std::string key;
};

CollationState& State() {
  thread_local CollationState state;
  const std::uint64_t generation = LocaleSettings::Generation();
  if (state.generation == generation) return state;
  state.collator = OpenCollator(LocaleSettings::Current().collation_locale);
  state.utf8 = CodePageIsUtf8();
  state.generation = generation;  // only once everything is open
  return state;
}

}  // namespace

int CompareLocaleIgnoreCase(std::string_view a, std::string_view b) {
  CollationState& state = State();
  if (state.utf8) {  // ICU reads each ill-formed sequence as U+FFFD, as the converter does
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult order = ucol_strcollUTF8(
        state.collator.get(), a.data(), IcuLength(a.size()), b.data(), IcuLength(b.size()),
        &status);
    if (U_FAILURE(status)) ThrowIcu("ucol_strcollUTF8", status);
    return order;
  }
  DecodeFromCodePage(a, state.first);
  DecodeFromCodePage(b, state.second);
  return ucol_strcoll(state.collator.get(), state.first.data(), IcuLength(state.first.size()),
                      state.second.data(), IcuLength(state.second.size()));
}

std::string LocaleSortKey(std::string_view text) {
  CollationState& state = State();
  DecodeFromCodePage(text, state.first);
  const int32_t length = IcuLength(state.first.size());
  if (state.key.size() < 64) state.key.resize(64);
  int32_t needed = 0;
  for (;;) {  // ICU gives the length it needs, terminating zero included
    needed = ucol_getSortKey(state.collator.get(), state.first.data(), length,
                             reinterpret_cast<uint8_t*>(state.key.data()),
                             IcuLength(state.key.size()));
    if (needed <= 0) ThrowIcu("ucol_getSortKey", U_INTERNAL_PROGRAM_ERROR);
    if (static_cast<std::size_t>(needed) <= state.key.size()) break;
    state.key.resize(static_cast<std::size_t>(needed));
  }
  return std::string(state.key.data(), static_cast<std::size_t>(needed) - 1);
}

}  // namespace quillet
