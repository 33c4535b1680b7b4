#include "runtime/code_page.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <cstdint>

#include "runtime/icu_handle.h"
#include "runtime/locale_settings.h"

namespace quillet {
namespace {

using Converter = IcuHandle<UConverter, ucnv_close>;

// To-Unicode callback: every unassigned, illegal or irregular sequence reads as U+FFFD
// (ICU's own substitute would be U+001A for some single-byte code pages).
void U_CALLCONV SubstituteReplacement(const void*, UConverterToUnicodeArgs* args,
                                      const char*, int32_t, UConverterCallbackReason reason,
                                      UErrorCode* status) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
  static const UChar kReplacement = 0xFFFD;
  *status = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, status);
}

Converter OpenConverter(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name.empty() ? "UTF-8" : name.c_str(), &status));
  if (U_FAILURE(status)) {  // a code page ICU does not know is read as UTF-8
    status = U_ZERO_ERROR;
    converter = Converter(ucnv_open("UTF-8", &status));
    if (U_FAILURE(status)) ThrowIcu("ucnv_open", status);
  }
  status = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter.get(), SubstituteReplacement, nullptr, nullptr, nullptr,
                      &status);
  if (U_FAILURE(status)) ThrowIcu("ucnv_setToUCallBack", status);
  return converter;
}

bool IsAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Decodes with the converter into `out` (reused: no allocation once it is large enough).
void DecodeWithConverter(UConverter* converter, std::string_view bytes, std::u16string& out) {
  const int32_t length = IcuLength(bytes.size());
  out.resize(bytes.size() + 1);  // enough for every ASCII-compatible code page
  UErrorCode status = U_ZERO_ERROR;
  int32_t written = ucnv_toUChars(converter, out.data(), IcuLength(out.size()), bytes.data(),
                                  length, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<std::size_t>(written) + 1);
    status = U_ZERO_ERROR;
    written = ucnv_toUChars(converter, out.data(), IcuLength(out.size()), bytes.data(),
                            length, &status);
  }
  if (U_FAILURE(status)) ThrowIcu("ucnv_toUChars", status);
  out.resize(static_cast<std::size_t>(written));
}

// True when the code page reads every byte 0x00-0x7F as the same code point, so that an
// all-ASCII text can be widened without the converter.
bool ReadsAsciiAsItself(UConverter* converter) {
  std::string ascii;
  for (int byte = 0; byte < 0x80; ++byte) ascii.push_back(static_cast<char>(byte));
  std::u16string decoded;
  DecodeWithConverter(converter, ascii, decoded);
  if (decoded.size() != ascii.size()) return false;
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    if (decoded[i] != static_cast<char16_t>(ascii[i])) return false;
  }
  return true;
}

// The converter of this thread and what it was found to do.
struct CodePageState {
  std::uint64_t generation = 0;
  Converter converter;
  bool ascii_compatible = false;
  bool utf8 = false;
};

CodePageState& State() {
  thread_local CodePageState state;
  const std::uint64_t generation = LocaleSettings::Generation();
  if (state.generation == generation) return state;
  state.converter = OpenConverter(LocaleSettings::Current().code_page);
  state.ascii_compatible = ReadsAsciiAsItself(state.converter.get());
  state.utf8 = ucnv_getType(state.converter.get()) == UCNV_UTF8;
  state.generation = generation;  // only once everything is open
  return state;
}

}  // namespace

void DecodeFromCodePage(std::string_view bytes, std::u16string& out) {
  const CodePageState& state = State();
  if (state.ascii_compatible && IsAscii(bytes)) {
    out.assign(bytes.begin(), bytes.end());
    return;
  }
  DecodeWithConverter(state.converter.get(), bytes, out);
}

std::u16string DecodeFromCodePage(std::string_view bytes) {
  std::u16string decoded;
  DecodeFromCodePage(bytes, decoded);
  return decoded;
}

std::string EncodeToCodePage(std::u16string_view text) {
  UConverter* converter = State().converter.get();
  const int32_t length = IcuLength(text.size());
  std::string encoded(text.size() * 2 + 1, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t written = ucnv_fromUChars(converter, encoded.data(), IcuLength(encoded.size()),
                                    text.data(), length, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    encoded.resize(static_cast<std::size_t>(written) + 1);
    status = U_ZERO_ERROR;
    written = ucnv_fromUChars(converter, encoded.data(), IcuLength(encoded.size()),
                              text.data(), length, &status);
  }
  if (U_FAILURE(status)) ThrowIcu("ucnv_fromUChars", status);
  encoded.resize(static_cast<std::size_t>(written));
  return encoded;
}

bool CodePageIsUtf8() { return State().utf8; }

}  // namespace quillet
