// Reading a form body the way both of the service's callers write it.
//
// The program sends its fields unencoded: 'value=<text>&voice=Ruoxi&volume=50&speech_rate=0&
// pitch_rate=0&type=1', where the text may itself hold '&', '=', '%', '+' and line breaks. Since
// "value" always comes first and the fixed fields follow it, the text is everything between
// "value=" and the last "&voice=". A browser percent-encodes instead ('+' for a space, '%E8%AF%AD'
// for bytes), possibly in another field order.
//
//   parse_form_body("value=a&b=c&voice=Ruoxi")       // value "a&b=c", voice "Ruoxi"
//   parse_form_body("voice=Ruoxi&value=%E8%AF%AD+1") // value "语 1", voice "Ruoxi"
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace service {

using FormFields = std::map<std::string, std::string, std::less<>>;

// Splits the body into fields. The body counts as percent-encoded when it holds nothing but what a
// browser's form encoder writes (letters, digits, "*-._~!'()", '+', '=', '&', and '%' followed by
// two hex digits) and, in the program's value-first layout, the text part holds no bare '&' or
// '=' (an encoder would have escaped them). Otherwise every byte is taken as it stands. The one
// ambiguity: a text of such characters sent raw reads as encoded, so "1+1" arrives as "1 1".
// Empty pieces between '&'s are skipped. Returns nothing for a malformed body: a piece without
// '=', an empty field name, or the same field twice.
std::optional<FormFields> parse_form_body(std::string_view body);

}  // namespace service
