#include "http/base64.h"

namespace {

constexpr char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

Text base64_encode(const Bytes& data) {
  Text out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const unsigned group = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    out.push_back(ALPHABET[(group >> 18) & 0x3F]);
    out.push_back(ALPHABET[(group >> 12) & 0x3F]);
    out.push_back(ALPHABET[(group >> 6) & 0x3F]);
    out.push_back(ALPHABET[group & 0x3F]);
  }
  const size_t left = data.size() - i;
  if (left > 0) {
    // The last group is completed with zero bytes; the characters that only they fill become "=".
    const unsigned group = (data[i] << 16) | (left == 2 ? data[i + 1] << 8 : 0);
    out.push_back(ALPHABET[(group >> 18) & 0x3F]);
    out.push_back(ALPHABET[(group >> 12) & 0x3F]);
    out.push_back(left == 2 ? ALPHABET[(group >> 6) & 0x3F] : '=');
    out.push_back('=');
  }
  return out;
}
