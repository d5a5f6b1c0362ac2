#include "http/base64.h"

namespace {

constexpr char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

Text base64_encode(const Bytes& data) {
  Text out((data.size() + 2) / 3 * 4, '=');
  char* at = out.data();
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const unsigned group = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    *at++ = ALPHABET[(group >> 18) & 0x3F];
    *at++ = ALPHABET[(group >> 12) & 0x3F];
    *at++ = ALPHABET[(group >> 6) & 0x3F];
    *at++ = ALPHABET[group & 0x3F];
  }
  if (const size_t left = data.size() - i; left > 0) {
    // The last group is completed with zero bytes; the characters only they fill stay "=".
    const unsigned group = (data[i] << 16) | (left == 2 ? data[i + 1] << 8 : 0);
    *at++ = ALPHABET[(group >> 18) & 0x3F];
    *at++ = ALPHABET[(group >> 12) & 0x3F];
    if (left == 2) *at = ALPHABET[(group >> 6) & 0x3F];
  }
  return out;
}
