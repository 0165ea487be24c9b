// SPDX-License-Identifier: MIT
// Number text: the general form (15 significant digits in the evaluator),
// the fixed form, the strict and the lenient reader, and the decimal scaling
// they share. '.' is the decimal point in every locale; no digit grouping.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace calc {

// The one arithmetic fault that leaves the evaluator: the strict reader met a
// number text beyond the extended range (1E5000).
class FloatingPointOverflow : public std::runtime_error {
 public:
  FloatingPointOverflow() : std::runtime_error("Floating point overflow") {}
};

// The general form with `precision` significant digits (clamped to 2..18);
// positional from 0.0001 up to below 10^precision, scientific otherwise.
// Both forms set the x87 environment they need for the call.
//   FormatGeneral(2.5, 15) == "2.5"     FormatGeneral(1.0 / 3, 15) == "0.333333333333333"
//   FormatGeneral(1e-5, 15) == "1E-5"   FormatGeneral(1e15, 15) == "1E15"
std::u16string FormatGeneral(long double value, int precision);

// The fixed form with `decimals` digits after the point (clamped to 0..18);
// beyond 18 integer digits the general form with 18 digits.
//   FormatFixed(2.675, 2) == "2.68"   FormatFixed(-0.004, 2) == "0.00"   FormatFixed(1e18, 2) == "1E18"
std::u16string FormatFixed(long double value, int decimals);

struct ScanResult {
  bool ok = false;
  long double value = 0;
};

// The strict reader: the whole text must be one number. Throws
// FloatingPointOverflow for a text whose value overflows the extended range.
// It runs under the caller's x87 environment (x87::kControlWord, which is
// also the process default on Linux, with no fault flag pending); the
// evaluator holds it throughout.
//   "12", "-1.5e3", ".5", "." and "E5" are numbers; "", "-", "12 " and "1E" are not.
ScanResult ScanNumber(std::u16string_view text);

// The lenient reader of displayed results: trailing spaces allowed, a bare
// exponent marker allowed, fails instead of faulting; sets its own x87
// environment.   " 2.5 " and "1E" are numbers; "E5", "1E5000" and "1E4933" are not.
ScanResult ReadNumber(std::u16string_view text);

// Removes trailing fraction zeros and then a bare trailing point.
std::u16string TrimTrailingZeros(std::u16string text);

// Conversions between UTF-16 number texts (always ASCII) and std::string.
std::string ToAscii(std::u16string_view text);
std::u16string FromAscii(std::string_view text);

}  // namespace calc
