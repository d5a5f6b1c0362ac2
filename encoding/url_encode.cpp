#include "encoding/url_encode.h"

#include <algorithm>
#include <array>

#include "encoding/codepage_conversion.h"

namespace {

bool is_unreserved(unsigned char b) {
  return b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
         (b >= 'a' && b <= 'z');
}

// The three-byte escape of every byte value, built once: escaping is then one table look-up per
// byte, so a long text costs no more per byte than a short one.
using Escape = std::array<char, 3>;

const std::array<Escape, 256>& escapes() {
  static const std::array<Escape, 256> table = [] {
    std::array<Escape, 256> escape{};
    for (int b = 0; b < 256; ++b) {
      Text hex = to_hex_text(b);
      if (text_length(hex) < 2) hex = concat_text({"0", hex});
      escape[static_cast<size_t>(b)] = {'%', hex[0], hex[1]};
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
  const std::array<Escape, 256>& escape = escapes();
  Text result(source.size() * 3, '\0');
  char* out = result.data();
  for (const char c : source) {
    const auto b = static_cast<unsigned char>(c);
    if (keep_unreserved && is_unreserved(b)) {
      *out++ = c;
    } else {
      out = std::copy(escape[b].begin(), escape[b].end(), out);
    }
  }
  result.resize(static_cast<size_t>(out - result.data()));
  return result;
}
