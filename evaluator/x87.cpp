// SPDX-License-Identifier: MIT
#include "x87.h"

#include <cmath>
#include <cstring>

namespace calc::x87 {

namespace {

std::uint16_t StatusWord() {
  std::uint16_t sw;
  asm volatile("fnstsw %0" : "=am"(sw));
  return sw;
}

// FNCLEX costs far more than the arithmetic it guards, so the flags are
// cleared only when one is set.
void ClearFlagsIfAny(std::uint16_t mask) {
  if ((StatusWord() & mask) != 0) asm volatile("fnclex");
}

// Every flag the status word keeps: the faults, denormal, underflow, inexact.
constexpr std::uint16_t kAllFlags = 0x3F;

// Flags are sticky: a step that reads none of the fault flags raised none,
// because none was pending before it (see ScopedEnvironment). A hit is merged
// and cleared at once, so nothing stays pending after it.
inline void Settle(std::uint16_t sw, Faults& faults) {
  if ((sw & kFaultFlags) != 0) {
    asm volatile("fnclex");
    faults.Merge(sw);
  }
}

}  // namespace

void EstablishEnvironment() {
  std::uint16_t cw = kControlWord;
  asm volatile("fnclex\n\tfldcw %0" : : "m"(cw));
}

ScopedEnvironment::ScopedEnvironment() {
  asm volatile("fnstcw %0" : "=m"(saved_));
  if (saved_ != kControlWord) {
    std::uint16_t cw = kControlWord;
    asm volatile("fldcw %0" : : "m"(cw));
  }
  ClearFlagsIfAny(kFaultFlags);
}

ScopedEnvironment::~ScopedEnvironment() {
  ClearFlagsIfAny(kAllFlags);
  if (saved_ != kControlWord) asm volatile("fldcw %0" : : "m"(saved_));
}

long double FromBits(std::uint16_t sign_exponent, std::uint64_t significand) {
  long double x = 0;
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &significand, 8);
  std::memcpy(bytes + 8, &sign_exponent, 2);
  std::memcpy(&x, bytes, sizeof x);
  return x;
}

int BiasedExponent(long double x) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &x, sizeof x);
  std::uint16_t se = 0;
  std::memcpy(&se, bytes + 8, 2);
  return se & 0x7FFF;
}

// Each asm statement runs the operation and reads the status word, so the
// compiler cannot move anything between the two.

long double Add(long double a, long double b, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("faddp\n\tfnstsw %%ax" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  Settle(sw, faults);
  return r;
}

long double Sub(long double a, long double b, Faults& faults) { return Add(a, -b, faults); }

long double Mul(long double a, long double b, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fmulp\n\tfnstsw %%ax" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  Settle(sw, faults);
  return r;
}

long double Div(long double a, long double b, Faults& faults) {
  long double r;
  std::uint16_t sw;
  // st(0) = a, st(1) = b; the quotient st(0) / st(1) replaces them.
  // (AT&T swaps the fdivp and fdivrp mnemonics; a test pins the direction.)
  asm volatile("fdivp\n\tfnstsw %%ax" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  Settle(sw, faults);
  return r;
}

long double Sqrt(long double x, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fsqrt\n\tfnstsw %%ax" : "=t"(r), "=a"(sw) : "0"(x));
  Settle(sw, faults);
  return r;
}

long double Ln(long double x, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fldln2\n\tfxch\n\tfyl2x\n\tfnstsw %%ax" : "=t"(r), "=a"(sw) : "0"(x));
  Settle(sw, faults);
  return r;
}

long double Log10(long double x, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fldlg2\n\tfxch\n\tfyl2x\n\tfnstsw %%ax" : "=t"(r), "=a"(sw) : "0"(x));
  Settle(sw, faults);
  return r;
}

long double Scale(long double x, long double n, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm volatile("fscale\n\tfnstsw %%ax" : "=t"(r), "=a"(sw) : "0"(x), "u"(n));
  Settle(sw, faults);
  return r;
}

namespace {

long double Log2e() {
  long double r;
  asm("fldl2e" : "=t"(r));
  return r;
}

long double F2xm1(long double x) {
  long double r;
  asm("f2xm1" : "=t"(r) : "0"(x));
  return r;
}

}  // namespace

long double Exp(long double x, Faults& faults) {
  const long double y = Mul(x, Log2e(), faults);
  const long double n = RoundToInteger(y);
  const long double f = Sub(y, n, faults);
  const long double t = Add(F2xm1(f), 1.0L, faults);
  return Scale(t, n, faults);
}

std::int64_t TruncToInt64(long double x, Faults& faults) {
  const long double t = std::trunc(x);
  // -2^63 <= t < 2^63, and NaN fails both tests.
  if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L)) {
    faults.invalid = true;
    return INT64_MIN;  // the x87 integer indefinite
  }
  return static_cast<std::int64_t>(t);
}

long double Sin(long double radians) {
  long double r;
  asm("fsin" : "=t"(r) : "0"(radians));
  return r;
}

long double Cos(long double radians) {
  long double r;
  asm("fcos" : "=t"(r) : "0"(radians));
  return r;
}

long double Atan(long double x) {
  long double r;
  asm("fld1\n\tfpatan" : "=t"(r) : "0"(x));
  return r;
}

long double RoundToInteger(long double x) {
  long double r;
  asm("frndint" : "=t"(r) : "0"(x));
  return r;
}

long double Pi() {
  long double r;
  asm("fldpi" : "=t"(r));
  return r;
}

}  // namespace calc::x87
