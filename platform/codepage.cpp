#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <cstring>
#include <memory>
#include <string>

namespace platform {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

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

// ICU converters keep state and are not shareable between threads: one per thread and code page.
UConverter* converter_for(unsigned code_page) {
  thread_local Converter gbk;
  thread_local Converter utf8;
  Converter* slot = nullptr;
  const char* name = nullptr;
  switch (code_page) {
    case CP_ANSI:
    case CP_GBK:
      slot = &gbk;
      name = "windows-936";
      break;
    case CP_UTF8:
      slot = &utf8;
      name = "UTF-8";
      break;
    default:
      return nullptr;
  }
  if (!*slot) {
    UErrorCode status = U_ZERO_ERROR;
    slot->reset(ucnv_open(name, &status));
    if (U_FAILURE(status)) {
      slot->reset();
      return nullptr;
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
      return nullptr;
    }
  }
  ucnv_reset(slot->get());
  return slot->get();
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

// Runs one whole-buffer ICU conversion into a string of `room` units, sized again exactly when
// that was too small, and cuts the string to what was written. Empty on failure.
template <typename String, typename Convert>
String convert_into(size_t room, Convert convert) {
  String out(room, typename String::value_type{});
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = convert(out.data(), static_cast<int32_t>(out.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<size_t>(n), typename String::value_type{});
    status = U_ZERO_ERROR;
    n = convert(out.data(), static_cast<int32_t>(out.size()), &status);
  }
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

// Every multi-byte character, and every byte that is not one, gives at most one UTF-16 unit per
// byte it spans, so the source's length is room enough.
std::u16string to_utf16(UConverter* converter, std::string_view source) {
  return convert_into<std::u16string>(
      source.size(), [&](char16_t* out, int32_t room, UErrorCode* status) {
        return ucnv_toUChars(converter, out, room, source.data(),
                             static_cast<int32_t>(source.size()), status);
      });
}

// A UTF-16 unit needs at most two bytes in code page 936 and three in UTF-8 (a surrogate pair,
// two units, needs four).
std::string from_utf16(UConverter* converter, std::u16string_view source) {
  const size_t bytes_per_unit = static_cast<size_t>(ucnv_getMaxCharSize(converter)) > 2 ? 3 : 2;
  return convert_into<std::string>(
      source.size() * bytes_per_unit, [&](char* out, int32_t room, UErrorCode* status) {
        return ucnv_fromUChars(converter, out, room, source.data(),
                               static_cast<int32_t>(source.size()), status);
      });
}

}  // namespace

int multi_byte_to_wide_char(unsigned code_page, const char* source, int source_length,
                            char16_t* output, int capacity) {
  UConverter* converter = converter_for(code_page);
  if (converter == nullptr || source == nullptr || capacity < 0 || source_length < -1) return 0;
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
  UConverter* converter = converter_for(code_page);
  if (converter == nullptr || source == nullptr || capacity < 0 || source_length < -1) return 0;
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
  UConverter* converter = converter_for(CP_ANSI);
  if (converter == nullptr) return {};
  return to_utf16(converter, ansi);
}

std::string utf16_to_ansi(std::u16string_view wide) {
  UConverter* converter = converter_for(CP_ANSI);
  if (converter == nullptr) return {};
  return from_utf16(converter, wide);
}

}  // namespace platform
