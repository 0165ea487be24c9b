// SPDX-License-Identifier: MIT
// Straightforward versions of the routines the evaluator runs in a faster
// form, kept to prove the fast forms identical: the unit tests compare them
// on chosen rows, and fuzz/reference_fuzzer.cpp on arbitrary input.
//   - the protected x87 steps clear the flags before and after every
//     operation (the fast ones read them after and clear only on a hit);
//   - the readers take every digit as one protected multiply and one
//     protected add (the fast ones gather the leading digits in an exact
//     64-bit integer), with each reader's rules written out on its own.
//   - the digits of a value go through std::string and the texts are built
//     piece by piece (the fast forms write into fixed buffers and convert the
//     rounded integer without changing the rounding mode).
// Header only, so the tests and the fuzz target share it without a library.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "numtext.h"
#include "numtext_internal.h"
#include "x87.h"

namespace calc::reference {

inline long double Add(long double a, long double b, x87::Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fnclex\n\tfaddp\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  faults.Merge(sw);
  return r;
}

inline long double Mul(long double a, long double b, x87::Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fnclex\n\tfmulp\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  faults.Merge(sw);
  return r;
}

inline long double Div(long double a, long double b, x87::Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fnclex\n\tfdivp\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  faults.Merge(sw);
  return r;
}

inline long double Sqrt(long double x, x87::Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fnclex\n\tfsqrt\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(x));
  faults.Merge(sw);
  return r;
}

inline long double Ln(long double x, x87::Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fldln2\n\tfxch\n\tfnclex\n\tfyl2x\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(x));
  faults.Merge(sw);
  return r;
}

inline bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

inline std::size_t AccumulateDigits(std::u16string_view text, std::size_t& i, long double& x, x87::Faults& faults) {
  const std::size_t start = i;
  while (i < text.size() && IsDigit(text[i])) {
    x = reference::Add(reference::Mul(x, 10.0L, faults), static_cast<long double>(text[i] - u'0'), faults);
    ++i;
  }
  return i - start;
}

// The strict reader: throws FloatingPointOverflow like ScanNumber.
inline ScanResult ScanNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size()) return {};
  x87::Faults faults;
  long double x = 0;
  AccumulateDigits(text, i, x, faults);
  long long fraction_digits = 0;
  if (i < text.size() && text[i] == u'.') {
    ++i;
    fraction_digits = static_cast<long long>(AccumulateDigits(text, i, x, faults));
  }
  if (faults.overflow) throw FloatingPointOverflow();
  long long exponent = 0;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      exponent_negative = text[i] == u'-';
      ++i;
    }
    if (i >= text.size() || !IsDigit(text[i])) return {};
    while (i < text.size() && IsDigit(text[i])) {
      if (exponent < 1'000'000'000'000'000LL) exponent = exponent * 10 + (text[i] - u'0');
      ++i;
    }
    if (exponent_negative) exponent = -exponent;
  }
  if (i != text.size()) return {};
  const long double value = ScaleByPowerOfTen(x, exponent - fraction_digits);
  return {true, negative ? -value : value};
}

// The lenient reader.
inline ScanResult ReadNumber(std::u16string_view text) {
  x87::ScopedEnvironment environment;
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  x87::Faults faults;
  long double x = 0;
  std::size_t consumed = AccumulateDigits(text, i, x, faults);
  long long fraction_digits = 0;
  if (i < text.size() && text[i] == u'.') {
    ++i;
    ++consumed;
    fraction_digits = static_cast<long long>(AccumulateDigits(text, i, x, faults));
  }
  if (consumed == 0) return {};
  long long exponent = 0;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      exponent_negative = text[i] == u'-';
      ++i;
    }
    while (i < text.size() && IsDigit(text[i]) && exponent < 500) {
      exponent = exponent * 10 + (text[i] - u'0');
      ++i;
    }
    if (exponent_negative) exponent = -exponent;
  }
  while (i < text.size() && text[i] == u' ') ++i;
  if (i != text.size()) return {};
  long double value = 0;
  try {
    value = ScaleByPowerOfTen(x, exponent - fraction_digits);
  } catch (const FloatingPointOverflow&) {
    return {};
  }
  if (faults.Any()) return {};
  return {true, negative ? -value : value};
}

// The digits and the two written forms.

inline DecimalDigitsResult DecimalDigits(long double value, int precision, int decimals) {
  DecimalDigitsResult r;
  if (x87::BiasedExponent(value) == 0) return r;  // zero or subnormal

  const long double magnitude = value < 0 ? -value : value;
  const long long e2 = x87::BiasedExponent(value) - 16383;
  // floor(e2 * 19728 / 65536), rounding toward minus infinity.
  const long long product = e2 * 19728;
  long long estimate = product >= 0 ? product / 65536 : -((-product + 65535) / 65536);
  int exponent = static_cast<int>(estimate + 1);

  long double w = x87::RoundToInteger(ScaleByPowerOfTen(magnitude, 18 - exponent));
  if (w < 1e17L) {
    --exponent;
    w = x87::RoundToInteger(ScaleByPowerOfTen(magnitude, 18 - exponent));
  }
  if (w >= 1e18L) {
    w = w / 10.0L;
    ++exponent;
  }
  w = x87::RoundToInteger(w);

  std::uint64_t n = static_cast<std::uint64_t>(w);
  char c[18];
  for (int i = 17; i >= 0; --i) {
    c[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }

  int k = decimals == kUnlimitedDecimals ? precision : exponent + decimals;
  if (k < 0) return DecimalDigitsResult{};
  if (k > precision) k = precision;

  std::string digits;
  if (k >= 18) {
    digits.assign(c, 18);
  } else {
    digits.assign(c, static_cast<std::size_t>(k));
    if (c[k] >= '5') {
      int i = k - 1;
      while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') {
        digits[static_cast<std::size_t>(i)] = '0';
        --i;
      }
      if (i < 0) {
        // The carry passed the first digit: all were '9' and are now '0'.
        digits.resize(1);
        digits[0] = '1';
        ++exponent;
      } else {
        ++digits[static_cast<std::size_t>(i)];
      }
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) return DecimalDigitsResult{};

  r.exponent = exponent;
  r.negative = value < 0;
  r.digits = std::move(digits);
  return r;
}

// Infinity and NaN, which only the strict reader can produce.
inline bool FormatSpecial(long double value, std::u16string& out) {
  if (value != value) {
    out = u"NAN";
    return true;
  }
  if (value == __builtin_infl()) {
    out = u"INF";
    return true;
  }
  if (value == -__builtin_infl()) {
    out = u"-INF";
    return true;
  }
  return false;
}

inline std::u16string FormatGeneral(long double value, int precision) {
  if (precision < 2) precision = 2;
  if (precision > 18) precision = 18;
  std::u16string out;
  if (FormatSpecial(value, out)) return out;

  const DecimalDigitsResult d = reference::DecimalDigits(value, precision, kUnlimitedDecimals);
  if (d.digits.empty()) return u"0";
  const int e = d.exponent;
  const std::string& digits = d.digits;
  if (d.negative) out += u'-';

  if (e > precision || e < -3) {
    out += static_cast<char16_t>(digits[0]);
    if (digits.size() > 1) {
      out += u'.';
      out += FromAscii(std::string_view(digits).substr(1));
    }
    out += u'E';
    const int shown = e - 1;
    if (shown < 0) out += u'-';
    out += FromAscii(std::to_string(shown < 0 ? -shown : shown));
  } else if (e <= 0) {
    out += u"0.";
    out.append(static_cast<std::size_t>(-e), u'0');
    out += FromAscii(digits);
  } else {
    const auto integer_digits = static_cast<std::size_t>(e);
    if (digits.size() <= integer_digits) {
      out += FromAscii(digits);
      out.append(integer_digits - digits.size(), u'0');
    } else {
      out += FromAscii(std::string_view(digits).substr(0, integer_digits));
      out += u'.';
      out += FromAscii(std::string_view(digits).substr(integer_digits));
    }
  }
  return out;
}

inline std::u16string FormatFixed(long double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  std::u16string out;
  if (FormatSpecial(value, out)) return out;

  const DecimalDigitsResult d = reference::DecimalDigits(value, 18, decimals);
  if (d.exponent > 18) return reference::FormatGeneral(value, 18);
  const int e = d.exponent;
  const std::string& digits = d.digits;
  if (d.negative) out += u'-';

  std::size_t used = 0;
  if (e <= 0) {
    out += u'0';
  } else {
    const auto integer_digits = static_cast<std::size_t>(e);
    used = std::min(integer_digits, digits.size());
    out += FromAscii(std::string_view(digits).substr(0, used));
    out.append(integer_digits - used, u'0');
  }
  if (decimals > 0) {
    out += u'.';
    std::u16string fraction;
    if (e < 0) fraction.append(static_cast<std::size_t>(std::min(-e, decimals)), u'0');
    fraction += FromAscii(std::string_view(digits).substr(used));
    fraction.resize(static_cast<std::size_t>(decimals), u'0');
    out += fraction;
  }
  return out;
}

}  // namespace calc::reference
