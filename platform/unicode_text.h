// Conversions between the component layer's UTF-16 strings and the bytes on the network.
//
//   std::string wire = platform::utf16_to_utf8(u"中文");          // "\xE4\xB8\xAD\xE6\x96\x87"
//   std::u16string text = platform::decode_text(wire, "utf-8");  // u"中文"
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A lone surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);

// Bytes in the named charset (any name ICU knows, "gbk" and "iso-8859-1" included) to UTF-16;
// an empty or unknown charset reads the bytes as UTF-8. Malformed bytes become U+FFFD.
std::u16string decode_text(std::string_view bytes, std::string_view charset);

}  // namespace platform
