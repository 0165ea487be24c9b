// SPDX-License-Identifier: MIT
// Formatting a value and reading the text back must give the same text
// again, and the lenient reader must read the general form like the strict
// one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "numtext.h"
#include "x87.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 10) return 0;
  std::uint64_t significand = 0;
  std::uint16_t sign_exponent = 0;
  std::memcpy(&significand, data, 8);
  std::memcpy(&sign_exponent, data + 8, 2);
  // Keep to values the x87 produces: normals carry the integer bit.
  if ((sign_exponent & 0x7FFF) != 0) significand |= 1ull << 63;
  if ((sign_exponent & 0x7FFF) == 0x7FFF) return 0;
  const long double v = calc::x87::FromBits(sign_exponent, significand);

  calc::x87::ScopedEnvironment environment;
  const std::u16string general = calc::FormatGeneral(v, 15);
  const calc::ScanResult back = calc::ScanNumber(general);
  if (!back.ok) std::abort();
  // Just above the normal range the 15-digit text can read back as a
  // subnormal, which is written "0" by design.
  const bool normal = calc::x87::BiasedExponent(back.value) != 0 || back.value == 0;
  if (normal && calc::FormatGeneral(back.value, 15) != general) std::abort();
  const calc::ScanResult lenient = calc::ReadNumber(general);
  if (!lenient.ok || lenient.value != back.value) std::abort();
  calc::FormatFixed(v, 2);
  calc::TrimTrailingZeros(general);
  return 0;
}
