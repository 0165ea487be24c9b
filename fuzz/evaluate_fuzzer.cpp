// SPDX-License-Identifier: MIT
// Feeds arbitrary text to EvaluateExpression and checks what every caller
// relies on: it returns (or lets out the one overflow), gives at most one of
// message and result, and a result always reads back as a number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calcexpr.h"
#include "display.h"
#include "numtext.h"

namespace {

// Bytes below 0x80 stand for themselves; higher ones for characters beyond
// the 8-bit classes, so both paths of every character test are reached.
std::u16string ToText(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    text += b < 0x80 ? static_cast<char16_t>(b) : static_cast<char16_t>(b < 0xC0 ? b : 0x2000 + b);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = ToText(data, size);
  calc::EvaluationResult r;
  try {
    r = calc::EvaluateExpression(text);
  } catch (const calc::FloatingPointOverflow&) {
    return 0;
  }
  if (!r.errorMessage.empty() && !r.resultText.empty()) std::abort();
  if (!r.resultText.empty()) {
    // A result is number text; a typed plain number comes back as typed.
    if (!calc::ScanNumber(r.resultText).ok) std::abort();
    calc::GroupThousands(r.resultText, u',');
    if (const auto shown = calc::TwoDecimals(r.resultText)) calc::GroupThousands(*shown, u',');
  }
  return 0;
}
