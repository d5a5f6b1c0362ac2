// Remainder, bit operations and shifts on 32-bit values.
#include <cmath>
#include <cstdint>

#include "runtime/fatal_error.h"
#include "runtime/text.h"

double modulo(double a, double b) {
  if (b == 0) fatal_error(0, "不能求余数于零");
  return std::fmod(a, b);
}

int bit_and(int a, int b) { return a & b; }

// The shift count is taken mod 32, as the processor's shift instructions do.
int shift_left(int v, int n) {
  return static_cast<int>(static_cast<std::uint32_t>(v) << (static_cast<unsigned>(n) & 31u));
}

int shift_right(int v, int n) { return v >> (static_cast<unsigned>(n) & 31u); }
