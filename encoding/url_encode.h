// Percent-encoding of the bytes of a text, for form bodies and header values.
//
//   url_encode("a b/c", true)           == "a%20b%2Fc"
//   url_encode("ab")                    == "%61%62"
//   url_encode("中", true, true)        == "%E4%B8%AD"   (UTF-8 first; "%D6%D0" without)
#pragma once

#include "runtime/text.h"

// Every byte becomes "%" and two upper-case hexadecimal digits, except, when `keep_unreserved`
// is true, the bytes "-", ".", 0-9, A-Z and a-z, which pass as they are. Note what is encoded even
// then: "/", "_", "~", "*", the space (always "%20", never "+") and every byte of 0x80 and above.
// With `to_utf8` the GBK text is converted to UTF-8 first and the UTF-8 bytes are encoded. The
// empty text gives the empty text.
Text url_encode(const Text& text, bool keep_unreserved = false, bool to_utf8 = false);
