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
// decimals first, then the thousands separators (',').
Presentation PresentCalculation(std::u16string_view expression, DisplayOptions options);

// The text of the generic error display: the failure's message with "."
// appended when its last character sorts after '.'.
//   GenericErrorText(u"Floating point overflow") -> "Floating point overflow."
//   GenericErrorText(u"Done.") -> "Done."
std::u16string GenericErrorText(std::u16string_view message);

}  // namespace calc
