// SPDX-License-Identifier: MIT
// Number text's building blocks that the evaluator, the tests, the fuzz
// targets and the benchmarks reach; callers use numtext.h only.
#pragma once

#include <cstddef>
#include <cstdint>
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

// A number text in place, long enough for either form ("-", 18 digits, '.'
// and 18 decimals).
class NumberText {
 public:
  static constexpr std::size_t kCapacity = 40;

  std::u16string_view View() const { return {text_, size_}; }
  std::size_t Size() const { return size_; }
  void Clear() { size_ = 0; }
  void Put(char16_t c) { text_[size_++] = c; }
  void Put(const char* ascii, int count) {
    for (int i = 0; i < count; ++i) text_[size_++] = static_cast<char16_t>(ascii[i]);
  }
  void Put(std::u16string_view text) {
    for (char16_t c : text) text_[size_++] = c;
  }
  void Repeat(char16_t c, int count) {
    for (int i = 0; i < count; ++i) text_[size_++] = c;
  }

 private:
  char16_t text_[kCapacity];
  std::size_t size_ = 0;
};

// A value written in the general form: its text, and the digits that text
// holds, from which the value the strict reader gives for it follows without
// reading the text again.
struct GeneralNumber {
  NumberText text;
  bool special = false;       // "INF", "-INF" or "NAN", which are no number text
  std::uint64_t integer = 0;  // the significant digits, 0 for "0"
  int count = 0;              // how many there are
  int exponent = 0;           // value = 0.digits * 10^exponent
  bool negative = false;
};

// FormatGeneral under the caller's x87 environment, in place: the evaluator,
// which holds one for the whole evaluation, writes every value through this.
void WriteGeneral(long double value, int precision, GeneralNumber& out);
std::u16string WriteGeneral(long double value, int precision);

// ScanNumber(number.text.View()).value for a number that is not special, with
// the same rounding and the same FloatingPointOverflow: both are the digits
// as an integer scaled by one call of ScaleByPowerOfTen.
long double ReadBack(const GeneralNumber& number);

// The evaluator's zero test: |b - a| below the extended value nearest 1E-3000.
bool IsZeroValue(long double a, long double b);

// The extended value nearest 1E-3000.
long double ZeroThreshold();

}  // namespace calc
