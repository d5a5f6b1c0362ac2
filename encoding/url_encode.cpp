#include "encoding/url_encode.h"

#include <array>

#include "encoding/codepage_conversion.h"

namespace {

bool is_unreserved(unsigned char b) {
  return b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
         (b >= 'a' && b <= 'z');
}

// The three-byte escape of every byte value, built once: escaping is then one table look-up per
// byte, so a long text costs no more per byte than a short one.
const std::array<Text, 256>& escapes() {
  static const std::array<Text, 256> table = [] {
    std::array<Text, 256> escape;
    for (int b = 0; b < 256; ++b) {
      Text hex = to_hex_text(b);
      if (text_length(hex) < 2) hex = concat_text({"0", hex});
      escape[static_cast<size_t>(b)] = concat_text({"%", hex});
    }
    return escape;
  }();
  return table;
}

}  // namespace

Text url_encode(const Text& text, bool keep_unreserved, bool to_utf8) {
  if (text.empty()) return {};
  Text converted;
  if (to_utf8) converted = ::to_utf8(text);
  const Text& source = to_utf8 ? converted : text;
  const std::array<Text, 256>& escape = escapes();
  Text result;
  result.reserve(source.size() * 3);
  for (const char c : source) {
    const auto b = static_cast<unsigned char>(c);
    if (keep_unreserved && is_unreserved(b)) {
      result.push_back(c);
    } else {
      result.append(escape[b]);
    }
  }
  return result;
}
