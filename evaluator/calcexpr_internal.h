// SPDX-License-Identifier: MIT
// The evaluator's building blocks that its own tests, fuzz targets and
// benchmarks reach; callers use calcexpr.h, numtext.h and display.h only.
#pragma once

#include <string>
#include <string_view>

#include "calcexpr.h"
#include "numtext_internal.h"

namespace calc {

// ---------------------------------------------------------------------------
// Named constants of the evaluator.

// The extended values nearest pi and pi/2 (pi's is the x87's own, FLDPI).
inline constexpr long double kPi = 3.14159265358979323846264338327950288L;
inline constexpr long double kHalfPi = kPi / 2;
inline constexpr long double kDegreesPerHalfTurn = 180;
// SIN, COS and TAN refuse arguments beyond +-kTrigArgumentBound degrees.
inline constexpr long double kTrigArgumentBound = 1000;
// TAN refuses a distance from the nearest multiple of 180 strictly between
// these two, the pole at 90 degrees.
inline constexpr long double kTanPoleLow = 89.99999999L;
inline constexpr long double kTanPoleHigh = 90.00000001L;
// A number token's exponent may be at most this in magnitude.
inline constexpr long double kMaxTokenExponent = 3000;
// Final results in [kPlainRangeLow, kPlainRangeHigh] are re-formatted.
inline constexpr long double kPlainRangeLow = 1e-8L;
inline constexpr long double kPlainRangeHigh = 1e8L;

// ---------------------------------------------------------------------------
// The stages of one evaluation.

// Rewrites an expression into the small language the later stages know:
// upper-cased, without commas and spaces, PI as its number text, pairs of
// minus signs dropped, subtractions marked "+-" and divisions as "*INV(".
// Returns false (text unspecified) when the text reaches
// kMaxExpressionLength + 1 characters or more.
bool NormaliseExpression(std::u16string_view expression, std::u16string& normalised);

// Evaluates a bracket-free text alone: the flat engine with its own state.
EvaluationResult EvaluateFlatText(std::u16string_view text);

// Applies one built-in function to a call text such as "SIN(30)".
EvaluationResult ApplyFunctionText(std::u16string_view call_text);

// Both give "Expression too long." for a text beyond the working capacity,
// longer than any the evaluator passes them.

}  // namespace calc
