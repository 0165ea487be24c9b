// SPDX-License-Identifier: MIT
// One calculation as both front ends show it: the evaluator's result under
// the two display options, or its message, or a failure for the generic
// error display.
//
//   PresentCalculation(u"(2 + 2) / 3", {true, true})  -> result  "1.33"
//   PresentCalculation(u"1234.5678", {true, false})   -> result  "1,234.5678"
//   PresentCalculation(u"1/0", {true, true})          -> message "Division by zero."
//   PresentCalculation(u"1E5000", {true, true})       -> failure "Floating point overflow."
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "calcexpr.h"
#include "display.h"

namespace calc {

struct Presentation {
  enum class Kind {
    kResult,   // text is the displayed result
    kMessage,  // text is the evaluator's message, exactly as returned
    kFailure,  // text is what the generic error display shows
  };
  Kind kind = Kind::kResult;
  std::u16string text;
};

// Evaluates an expression (already trimmed) and presents the result: two
// decimals first, then the thousands separators (','). `steps`, when given,
// is told the evaluator's steps.
Presentation PresentCalculation(std::u16string_view expression, DisplayOptions options, StepObserver* steps = nullptr);

// What marks a line as a step where it follows or precedes the result.
inline constexpr std::u16string_view kStepMark = u"\u2192 ";

// The steps of one calculation, kept.
class StepList final : public StepObserver {
 public:
  void Step(std::u16string_view text) override { steps.emplace_back(text); }
  std::vector<std::u16string> steps;
};

// The result line's tooltip: the sentence that explains the result when
// there is one (see explanation.h), the full text shown, then each step
// after the mark, one a line.
//   ResultToolTip(u"1.00", {u"1*INV(3)*3", u"1*0.333333333333333*3", u"0.999999999999999"})
//     -> u"1.00\n→ 1*INV(3)*3\n→ 1*0.333333333333333*3\n→ 0.999999999999999"
//   ResultToolTip(u"23", {u"23.14159265358979"}, u"Values ... write 2*pi.")
//     -> u"Values ... write 2*pi.\n23\n→ 23.14159265358979"
//   ResultToolTip(u"", {}) -> u""
std::u16string ResultToolTip(std::u16string_view shown, const std::vector<std::u16string>& steps,
                             std::u16string_view sentence = {});

// What a screen reader is told when Copy has put the result line's text on
// the clipboard: what was copied.
//   CopiedAnnouncement(u"1.41") -> "Copied 1.41"
//   CopiedAnnouncement(u"") -> "Copied"
std::u16string CopiedAnnouncement(std::u16string_view text);

// The text of the generic error display: the failure's message with "."
// appended when its last character sorts after '.'.
//   GenericErrorText(u"Floating point overflow") -> "Floating point overflow."
//   GenericErrorText(u"Done.") -> "Done."
std::u16string GenericErrorText(std::u16string_view message);

}  // namespace calc
