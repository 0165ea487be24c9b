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

// Evaluates one expression. Throws FloatingPointOverflow (and nothing else)
// when a typed number lies beyond the extended range, such as 1E5000.
EvaluationResult EvaluateExpression(std::u16string_view expression);

// The building blocks, exposed for tests.
std::u16string UpperCaseAscii(std::u16string_view text);
void RemoveSpaces(std::u16string& text);
// Rewrites the upper-cased expression into the small language the later
// stages know. Returns false (text unspecified) when the text reaches
// kMaxExpressionLength + 1 characters or more.
bool NormaliseExpression(std::u16string& expression);
std::u16string TrimSpaces(std::u16string_view text);
std::u16string RemoveCharacter(std::u16string_view text, char16_t ch);

// Evaluates a bracket-free text alone: the flat engine with its own state.
EvaluationResult EvaluateFlatText(std::u16string_view text);
// Applies one built-in function to a call text such as "SIN(30)".
EvaluationResult ApplyFunctionText(std::u16string_view call_text);

// The number text of a value as the evaluator writes it back (15 digits).
std::u16string FormatNumber(long double value);

}  // namespace calc
