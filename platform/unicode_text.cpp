#include "platform/unicode_text.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>

namespace platform {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter open_converter(std::string_view charset) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(std::string(charset).c_str(), &status));
  if (U_FAILURE(status)) converter.reset();
  if (!converter) {
    status = U_ZERO_ERROR;
    converter.reset(ucnv_open("UTF-8", &status));
    if (U_FAILURE(status)) converter.reset();
  }
  return converter;
}

}  // namespace

std::string utf16_to_utf8(std::u16string_view text) {
  if (text.empty()) return {};
  std::string out(text.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                     static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

std::u16string decode_text(std::string_view bytes, std::string_view charset) {
  if (bytes.empty()) return {};
  Converter converter = open_converter(charset.empty() ? "UTF-8" : charset);
  if (!converter) return {};
  std::u16string out(bytes.size() * 2 + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = ucnv_toUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                                 bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

}  // namespace platform
