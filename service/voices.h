// The voices the program offers: the same 48 identifiers and labels as the program's own table.
// A request names a voice by identifier; the label says how it should sound (language, accent,
// male, female or child), which is all the service needs to pick the engine's voice.
//
//   const Voice* v = find_voice("Ruoxi");   // label "温柔女声-通用场景-若兮"
//   find_voice("ruoxi") == nullptr;         // identifiers are matched exactly
#pragma once

#include <span>
#include <string_view>

namespace service {

struct Voice {
  std::string_view id;
  std::string_view label;
};

// All 48 rows, in the program's table order.
std::span<const Voice> voice_table();

// The row with exactly this identifier (case-sensitive), or nullptr.
const Voice* find_voice(std::string_view id);

}  // namespace service
