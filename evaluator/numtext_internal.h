// SPDX-License-Identifier: MIT
// Number text's building blocks that the evaluator, the tests, the fuzz
// targets and the benchmarks reach; callers use numtext.h only.
#pragma once

#include <string>
#include <string_view>

#include "numtext.h"

namespace calc {

// x * 10^n through three tables of the extended values nearest to the powers
// of ten. n >= 5120 gives +infinity and n <= -5120 gives 0 whatever x is.
// Throws FloatingPointOverflow when a finite product leaves the range.
long double ScaleByPowerOfTen(long double x, long long n);

struct DecimalDigitsResult {
  int exponent = 0;  // value = 0.d1d2d3... * 10^exponent
  bool negative = false;
  std::string digits;  // 0 to 18 digits, no leading or trailing '0'
};

inline constexpr int kUnlimitedDecimals = -1;

// Digits of a finite value rounded first to 18 significant digits and then at
// the cut (precision, or exponent + decimals), halves away from zero.
DecimalDigitsResult DecimalDigits(long double value, int precision, int decimals);

// FormatGeneral under the caller's x87 environment: the evaluator, which
// holds one for the whole evaluation, writes every value through this.
std::u16string WriteGeneral(long double value, int precision);

// The evaluator's zero test: |b - a| below the extended value nearest 1E-3000.
bool IsZeroValue(long double a, long double b);

// The extended value nearest 1E-3000.
long double ZeroThreshold();

}  // namespace calc
