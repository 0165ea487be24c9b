// SPDX-License-Identifier: MIT
// The expression evaluator: one line of expression text in, a result text or
// one error message out. Every intermediate value is written back into the
// text as 15-digit number text, so results carry exactly those digits.
#pragma once

#include <string>
#include <string_view>

#include "numtext.h"

namespace calc {

struct EvaluationResult {
  std::u16string errorMessage;  // empty when the evaluation succeeded
  std::u16string resultText;    // empty on error, and for an empty expression
};

// The longest working expression, and the longest input looked at at all.
inline constexpr std::size_t kMaxExpressionLength = 255;
inline constexpr std::size_t kMaxInputLength = 4096;

// The expression as the front ends pass it: without the characters up to
// and including U+0020 (spaces and control characters) at either end.
std::u16string_view TrimControlCharacters(std::u16string_view text);

// Told each step of an evaluation as it happens, as the exact working text
// (valid for the call only): the normalised expression, the text after each
// bracket pair is reduced, then the value of the bracket-free rest unless it
// is one number already. A message that arises once a function's argument
// stands written in its brackets adds that text.
//   "1/3*3"        steps "1*INV(3)*3", "1*0.333333333333333*3", "0.999999999999999"
//   "(2+2)/(1-1)"  steps "(2+2)*INV(1+-1)", "4*INV(1+-1)", "4*INV(0)", then the message
class StepObserver {
 public:
  virtual void Step(std::u16string_view text) = 0;

 protected:
  ~StepObserver() = default;
};

// Evaluates one expression. Throws FloatingPointOverflow (and nothing else)
// when a typed number lies beyond the extended range, such as 1E5000. Sets
// the x87 environment it needs for the call and restores the caller's.
// (Each example is a row of tests/data/examples.tsv.)
//   "(2 + 2) / 3"  gives the result "1.33333333333333"
//   "1/3*3"        gives "0.999999999999999": each value carries 15 digits
//   "1e9"          gives "1E9": a plain number outside 1E-8..1E8 comes back as typed
//   "sqrt(-4)"     gives the message "Cannot find root of a -ve no."
//   "3,5*2"        gives the message "Number \"3,5\" is invalid.": a comma only
//                  separates groups of three digits, as in "1,000"
//   "  ,, "        gives neither
// `steps`, when given, is told each step.
EvaluationResult EvaluateExpression(std::u16string_view expression, StepObserver* steps = nullptr);

// The same into `result`, whose strings keep their capacity from call to
// call: a caller that keeps one result evaluates without allocating. Both
// strings are cleared first, also when the overflow escapes.
void EvaluateExpression(std::u16string_view expression, EvaluationResult& result, StepObserver* steps = nullptr);

}  // namespace calc
