#pragma once
// The locale comparison of soString keys: both byte texts are decoded from the system
// code page (runtime/code_page.h; invalid bytes become U+FFFD) and compared with an ICU
// collator for the collation locale at strength SECONDARY (case ignored, accents not), over
// the whole of both texts. The collator is created once per thread on first use from
// LocaleSettings::Current() and re-created after LocaleSettings::Reload(). A collation
// locale that ICU does not know falls back to the root collation.
// Texts longer than 2^31 - 1 bytes cannot be handed to ICU: EOutOfMemory ("Out of memory").

#include <string>
#include <string_view>

namespace quillet {

// <0, 0 or >0 as `a` sorts before, equal to or after `b`.
int CompareLocaleIgnoreCase(std::string_view a, std::string_view b);

// The ICU sort key of a text under the same collator: for any a, b,
// CompareLocaleIgnoreCase(a, b) has the sign of the byte comparison (memcmp, shorter
// first) of their sort keys. Two texts compare equal exactly when their keys are equal.
// The key holds no zero byte (ICU's terminating zero is not part of it).
std::string LocaleSortKey(std::string_view text);

}  // namespace quillet
