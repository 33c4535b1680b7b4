#include "runtime/collation.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucol.h>

#include <climits>
#include <cstdint>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/locale_settings.h"

namespace quillet {
namespace {

// Owns one ICU handle; copy deleted, move empties the source, closes quietly.
template <typename T, void (*Close)(T*)>
class IcuHandle {
 public:
  IcuHandle() = default;
  explicit IcuHandle(T* handle) : handle_(handle) {}
  IcuHandle(const IcuHandle&) = delete;
  IcuHandle& operator=(const IcuHandle&) = delete;
  IcuHandle(IcuHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  IcuHandle& operator=(IcuHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~IcuHandle() { Reset(); }
  T* get() const { return handle_; }

 private:
  void Reset() noexcept {
    if (handle_ != nullptr) Close(handle_);
    handle_ = nullptr;
  }
  T* handle_ = nullptr;
};

using Converter = IcuHandle<UConverter, ucnv_close>;
using Collator = IcuHandle<UCollator, ucol_close>;

[[noreturn]] void ThrowIcu(const char* what, UErrorCode status) {
  if (status == U_MEMORY_ALLOCATION_ERROR) throw EOutOfMemory();
  throw Exception(std::string(what) + ": " + u_errorName(status));
}

int32_t IcuLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT32_MAX)) throw EOutOfMemory();
  return static_cast<int32_t>(length);
}

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

// The converter and collator of this thread, with reusable buffers.
struct CollationState {
  std::uint64_t generation = 0;
  Converter converter;
  Collator collator;
  bool ascii_compatible = false;
  bool utf8 = false;  // texts go to the collator as they are
  std::u16string first;
  std::u16string second;
  std::string key;

  void Decode(std::string_view bytes, std::u16string& out) const {
    if (ascii_compatible && IsAscii(bytes)) {
      out.assign(bytes.begin(), bytes.end());
      return;
    }
    DecodeWithConverter(converter.get(), bytes, out);
  }
};

void Rebuild(CollationState& state, std::uint64_t generation) {
  const LocaleSettings& settings = LocaleSettings::Current();
  state.converter = OpenConverter(settings.code_page);
  state.collator = OpenCollator(settings.collation_locale);
  state.ascii_compatible = ReadsAsciiAsItself(state.converter.get());
  state.utf8 = ucnv_getType(state.converter.get()) == UCNV_UTF8;
  state.generation = generation;  // only once everything is open
}

CollationState& State() {
  thread_local CollationState state;
  const std::uint64_t generation = LocaleSettings::Generation();
  if (state.generation != generation) Rebuild(state, generation);
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
  state.Decode(a, state.first);
  state.Decode(b, state.second);
  return ucol_strcoll(state.collator.get(), state.first.data(), IcuLength(state.first.size()),
                      state.second.data(), IcuLength(state.second.size()));
}

std::string LocaleSortKey(std::string_view text) {
  CollationState& state = State();
  state.Decode(text, state.first);
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

std::u16string DecodeFromCodePage(std::string_view bytes) {
  std::u16string decoded;
  State().Decode(bytes, decoded);
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

}  // namespace quillet
