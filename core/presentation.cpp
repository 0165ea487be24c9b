// SPDX-License-Identifier: MIT
#include "presentation.h"

#include "calcexpr.h"
#include "display.h"

namespace calc {

Presentation PresentCalculation(std::u16string_view expression, bool separators, bool two_decimals) {
  EvaluationResult r;
  try {
    r = EvaluateExpression(expression);
  } catch (const FloatingPointOverflow& e) {
    return {Presentation::Kind::kFailure, GenericErrorText(FromAscii(e.what()))};
  }
  if (!r.errorMessage.empty()) return {Presentation::Kind::kMessage, std::move(r.errorMessage)};
  const std::optional<std::u16string> fixed = TwoDecimals(r.resultText, two_decimals);
  if (!fixed) return {Presentation::Kind::kFailure, GenericErrorText(InvalidFloatingPointMessage(r.resultText))};
  return {Presentation::Kind::kResult, GroupThousands(*fixed, u',', separators)};
}

std::u16string GenericErrorText(std::u16string_view message) {
  std::u16string out(message);
  if (!out.empty() && out.back() > u'.') out += u'.';
  return out;
}

}  // namespace calc
