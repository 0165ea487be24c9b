// Straightforward versions of the routines the evaluator runs in a faster
// form, kept to prove the fast forms identical: the unit tests compare them
// on chosen rows, and fuzz/reference_fuzzer.cpp on arbitrary input.
//   - the protected x87 steps clear the flags before and after every
//     operation (the fast ones read them after and clear only on a hit);
//   - the readers take every digit as one protected multiply and one
//     protected add (the fast ones gather the leading digits in an exact
//     64-bit integer), with each reader's rules written out on its own.
// Header only, so the tests and the fuzz target share it without a library.
#pragma once

#include <cstdint>
#include <string_view>

#include "numtext.h"
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

}  // namespace calc::reference
