#pragma once
// The system code page: the 8-bit text of cells, files and window fields decoded to UTF-16
// and encoded back. The code page is LocaleSettings::Current().code_page; a code page that
// ICU does not know is read as UTF-8. The converter is created once per thread on first use
// and again after LocaleSettings::Reload().
// Texts longer than 2^31 - 1 units cannot be handed to ICU: EOutOfMemory ("Out of memory").

#include <string>
#include <string_view>

namespace quillet {

// Decodes bytes of the system code page to UTF-16; every unassigned, illegal or cut-off
// byte sequence becomes U+FFFD.
std::u16string DecodeFromCodePage(std::string_view bytes);
// The same into `out`, reusing its storage (no allocation once it is large enough).
void DecodeFromCodePage(std::string_view bytes, std::u16string& out);
// Encodes UTF-16 to the code page; characters it cannot hold become its substitute.
std::string EncodeToCodePage(std::u16string_view text);
// Whether the code page is UTF-8, so that its bytes may go to ICU as they are.
bool CodePageIsUtf8();

}  // namespace quillet
