// The charsets the stream component reads and writes text in, by the names its users pass.
//
// Names are matched without regard to letter case: "UTF-8"; "GBK", "GB2312" and "cp936" (all
// Windows code page 936, GBK with the euro sign and the user-defined areas); "GB18030"; "Big5"
// (Windows code page 950); "Unicode", "UTF-16" and "UTF-16LE" (little-endian UTF-16);
// "UTF-16BE" and "unicodeFFFE"; "ASCII" and "US-ASCII"; "ISO-8859-1"; "windows-1252".
//
//   std::optional<platform::StreamCharset> gbk = platform::StreamCharset::find("gbk");
//   std::vector<std::uint8_t> bytes = gbk->encode(u"中文");   // D6 D0 CE C4
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/transcode.h"

namespace platform {

class StreamCharset {
 public:
  // Nothing for a name this list does not hold.
  static std::optional<StreamCharset> find(std::string_view name);

  struct Decoded {
    std::u16string text;
    std::size_t consumed = 0;  // bytes the text was decoded from
  };
  // Decodes `bytes`, all of them or only as many as the first `max_units` UTF-16 units take (a
  // surrogate pair is never split, so one more unit may come back). A byte-order mark at the
  // start is dropped when `at_start` (it marks the encoding, it is not text). Bytes that are not
  // valid in the charset become U+FFFD or the charset's substitute.
  Decoded decode(std::span<const std::uint8_t> bytes, std::optional<std::size_t> max_units,
                 bool at_start) const;
  // Each character the charset cannot hold becomes one "?" (or the charset's substitute).
  std::vector<std::uint8_t> encode(std::u16string_view text) const;

 private:
  StreamCharset(const char* converter_name, FastPath fast)
      : converter_name_(converter_name), fast_(fast) {}
  const char* converter_name_;
  FastPath fast_;
};

}  // namespace platform
