#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/transcode.h"

namespace platform {
namespace {

// ICU's own substitution silently drops default-ignorable characters (soft hyphen, zero-width
// space, ...) that the target cannot hold; the system calls put the default character in their
// place like for any other character, so every unconvertible character or lone surrogate gets the
// converter's substitute here: "?" for code page 936, U+FFFD's bytes for UTF-8.
void substitute_every_character(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                                UChar32, UConverterCallbackReason reason, UErrorCode* status) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
  *status = U_ZERO_ERROR;
  ucnv_cbFromUWriteSub(args, 0, status);
}

// A converter with the fast path that goes with it.
struct CodePageConverter {
  UConverter* converter = nullptr;
  FastPath fast = FastPath::none;
};

// ICU converters keep state and are not shareable between threads: one per thread and code page.
CodePageConverter converter_for(unsigned code_page) {
  thread_local Converter gbk;
  thread_local Converter utf8;
  Converter* slot = nullptr;
  const char* name = nullptr;
  FastPath fast = FastPath::none;
  switch (code_page) {
    case CP_ANSI:
    case CP_GBK:
      slot = &gbk;
      name = "windows-936";
      fast = FastPath::code_page_936;
      break;
    case CP_UTF8:
      slot = &utf8;
      name = "UTF-8";
      fast = FastPath::utf8;
      break;
    default:
      return {};
  }
  if (!*slot) {
    UErrorCode status = U_ZERO_ERROR;
    slot->reset(ucnv_open(name, &status));
    if (U_FAILURE(status)) {
      slot->reset();
      return {};
    }
    // Only the code page's own round-trip table is used from UTF-16: the system's best-fit
    // look-alikes (U+00B2 as "2", U+00C0 as the code of "a" with a grave accent, ...) would pass
    // text off as something it is not, so those characters become "?" like any other the code
    // page cannot hold.
    if (slot == &gbk) ucnv_setSubstChars(slot->get(), "?", 1, &status);
    ucnv_setFallback(slot->get(), false);
    ucnv_setFromUCallBack(slot->get(), substitute_every_character, nullptr, nullptr, nullptr,
                          &status);
    if (U_FAILURE(status)) {
      slot->reset();
      return {};
    }
  }
  return {slot->get(), fast};
}

// Copies the converted units out under the calls' capacity rules.
template <typename String>
int deliver(const String& converted, typename String::value_type* output, int capacity) {
  const int needed = static_cast<int>(converted.size());
  if (capacity == 0) return needed;
  if (output == nullptr || capacity < needed) return 0;
  std::memcpy(output, converted.data(), converted.size() * sizeof(typename String::value_type));
  return needed;
}

std::u16string to_utf16(const CodePageConverter& c, std::string_view source) {
  if (c.converter == nullptr) return {};
  return decode_text(c.converter, c.fast, source);
}

std::string from_utf16(const CodePageConverter& c, std::u16string_view source) {
  if (c.converter == nullptr) return {};
  return encode_text<std::string>(c.converter, c.fast, source);
}

}  // namespace

int multi_byte_to_wide_char(unsigned code_page, const char* source, int source_length,
                            char16_t* output, int capacity) {
  const CodePageConverter converter = converter_for(code_page);
  if (!converter.converter || source == nullptr || capacity < 0 || source_length < -1) return 0;
  const bool with_terminator = source_length == -1;
  const std::string_view text(
      source, with_terminator ? std::strlen(source) : static_cast<size_t>(source_length));
  std::u16string converted = to_utf16(converter, text);
  if (with_terminator) converted.push_back(u'\0');
  if (converted.empty()) return 0;
  return deliver(converted, output, capacity);
}

int wide_char_to_multi_byte(unsigned code_page, const char16_t* source, int source_length,
                            char* output, int capacity) {
  const CodePageConverter converter = converter_for(code_page);
  if (!converter.converter || source == nullptr || capacity < 0 || source_length < -1) return 0;
  const bool with_terminator = source_length == -1;
  const std::u16string_view text =
      with_terminator ? std::u16string_view(source)
                      : std::u16string_view(source, static_cast<size_t>(source_length));
  std::string converted = from_utf16(converter, text);
  if (with_terminator) converted.push_back('\0');
  if (converted.empty()) return 0;
  return deliver(converted, output, capacity);
}

std::u16string ansi_to_utf16(std::string_view ansi) {
  return to_utf16(converter_for(CP_ANSI), ansi);
}

std::string utf16_to_ansi(std::u16string_view wide) {
  return from_utf16(converter_for(CP_ANSI), wide);
}

}  // namespace platform
