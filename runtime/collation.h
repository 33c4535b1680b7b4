#pragma once
// The locale comparison of soString keys: both byte texts are decoded from the system
// code page (invalid bytes become U+FFFD) and compared with an ICU collator for the
// collation locale at strength SECONDARY (case ignored, accents not), over the whole of
// both texts. The collator and converter are created once per thread on first use from
// LocaleSettings::Current() and re-created after LocaleSettings::Reload().
// A code page that ICU does not know is read as UTF-8; a collation locale that ICU does
// not know falls back to the root collation.
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

// Decodes bytes of the system code page to UTF-16 (invalid bytes become U+FFFD), and
// encodes UTF-16 to the code page (characters it cannot hold become its substitute).
std::u16string DecodeFromCodePage(std::string_view bytes);
std::string EncodeToCodePage(std::u16string_view text);

}  // namespace quillet
