// SPDX-License-Identifier: MIT
#include "presentation.h"

#include "calcexpr.h"
#include "display.h"
#include "translation.h"

namespace calc {

Presentation PresentCalculation(std::u16string_view expression, DisplayOptions options, StepObserver* steps) {
  EvaluationResult r;
  try {
    r = EvaluateExpression(expression, steps);
  } catch (const FloatingPointOverflow& e) {
    return {Presentation::Kind::kFailure, GenericErrorText(FromAscii(e.what()))};
  }
  if (!r.errorMessage.empty()) return {Presentation::Kind::kMessage, std::move(r.errorMessage)};
  // An option that is off leaves the text as it is: no copy for it.
  Presentation shown{Presentation::Kind::kResult, std::move(r.resultText)};
  if (options.two_decimals) {
    std::optional<std::u16string> fixed = TwoDecimals(shown.text);
    if (!fixed) return {Presentation::Kind::kFailure, GenericErrorText(InvalidFloatingPointMessage(shown.text))};
    shown.text = std::move(*fixed);
  }
  if (options.separators) shown.text = GroupThousands(shown.text, u',');
  return shown;
}

std::u16string ResultToolTip(std::u16string_view shown, const std::vector<std::u16string>& steps,
                             std::u16string_view sentence) {
  std::u16string tip(sentence);
  if (!tip.empty()) tip += u'\n';
  tip += shown;
  for (const std::u16string& step : steps) {
    tip += u'\n';
    tip += kStepMark;
    tip += step;
  }
  return tip;
}

std::u16string GenericErrorText(std::u16string_view message) {
  std::u16string out(message);
  if (!out.empty() && out.back() > u'.') out += u'.';
  return out;
}

std::u16string CopiedAnnouncement(std::u16string_view text) {
  // TRANSLATORS: What a screen reader says after Copy when the result line was empty.
  if (text.empty()) return std::u16string(Tr(u"Copied"));
  // TRANSLATORS: What a screen reader says after Copy: %1 is the text copied, such as 1,234.57.
  return Tr(u"Copied %1", text);
}

}  // namespace calc
