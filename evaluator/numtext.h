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

// The general form with `precision` significant digits (clamped to 2..18).
std::u16string FormatGeneral(long double value, int precision);

// The fixed form with `decimals` digits after the point (0..18).
std::u16string FormatFixed(long double value, int decimals);

struct ScanResult {
  bool ok = false;
  long double value = 0;
};

// The strict reader: the whole text must be one number. Throws
// FloatingPointOverflow for a text whose value overflows the extended range.
ScanResult ScanNumber(std::u16string_view text);

// The lenient reader of displayed results: trailing spaces allowed, a bare
// exponent marker allowed, fails instead of faulting.
ScanResult ReadNumber(std::u16string_view text);

// Removes trailing fraction zeros and then a bare trailing point.
std::u16string TrimTrailingZeros(std::u16string text);

// The evaluator's zero test: |b - a| below the extended value nearest 1E-3000.
bool IsZeroValue(long double a, long double b);

// The extended value nearest 1E-3000.
long double ZeroThreshold();

// Conversions between UTF-16 number texts (always ASCII) and std::string.
std::string ToAscii(std::u16string_view text);
std::u16string FromAscii(std::string_view text);

}  // namespace calc
