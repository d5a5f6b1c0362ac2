// Base64 of a byte buffer (RFC 4648, section 4), as used for proxy credentials.
//
//   base64_encode(to_bytes("user:pass"))   == "dXNlcjpwYXNz"
//   base64_encode(to_bytes("a"))           == "YQ=="
#pragma once

#include "runtime/text.h"

// The standard alphabet with "=" padding and no line breaks at any length: 4 x ceil(n / 3)
// characters for n bytes; empty input gives the empty text. Zero bytes in the input are encoded
// like any other.
Text base64_encode(const Bytes& data);
