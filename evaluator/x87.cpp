#include "x87.h"

#include <cmath>
#include <cstring>

namespace calc::x87 {

void EstablishEnvironment() {
  std::uint16_t cw = kControlWord;
  asm volatile("fnclex\n\tfldcw %0" : : "m"(cw));
}

ScopedEnvironment::ScopedEnvironment() {
  asm volatile("fnstcw %0" : "=m"(saved_));
  EstablishEnvironment();
}

ScopedEnvironment::~ScopedEnvironment() { asm volatile("fnclex\n\tfldcw %0" : : "m"(saved_)); }

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

// Each asm statement clears the flags, runs the operation, reads the status
// word and clears it again, so nothing stays pending after it is handled.

long double Add(long double a, long double b, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm("fnclex\n\tfaddp\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  faults.Merge(sw);
  return r;
}

long double Sub(long double a, long double b, Faults& faults) { return Add(a, -b, faults); }

long double Mul(long double a, long double b, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm("fnclex\n\tfmulp\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  faults.Merge(sw);
  return r;
}

long double Div(long double a, long double b, Faults& faults) {
  long double r;
  std::uint16_t sw;
  // st(0) = a, st(1) = b; the quotient st(0) / st(1) replaces them.
  // (AT&T swaps the fdivp and fdivrp mnemonics; a test pins the direction.)
  asm("fnclex\n\tfdivp\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(a), "u"(b) : "st(1)");
  faults.Merge(sw);
  return r;
}

long double Sqrt(long double x, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm("fnclex\n\tfsqrt\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(x));
  faults.Merge(sw);
  return r;
}

long double Ln(long double x, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm("fldln2\n\tfxch\n\tfnclex\n\tfyl2x\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(x));
  faults.Merge(sw);
  return r;
}

long double Log10(long double x, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm("fldlg2\n\tfxch\n\tfnclex\n\tfyl2x\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(x));
  faults.Merge(sw);
  return r;
}

long double Scale(long double x, long double n, Faults& faults) {
  long double r;
  std::uint16_t sw;
  asm("fnclex\n\tfscale\n\tfnstsw %%ax\n\tfnclex" : "=t"(r), "=a"(sw) : "0"(x), "u"(n));
  faults.Merge(sw);
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
