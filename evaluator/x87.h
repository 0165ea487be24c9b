// SPDX-License-Identifier: MIT
// The x87 arithmetic layer: every evaluator value is an 80-bit extended value,
// and the operations whose faults the evaluator must see run as x87
// instructions with the exceptions masked and the status word read in the
// same asm statement as the operation, so the compiler cannot reorder them.
#pragma once

#include <cfloat>
#include <cstdint>

namespace calc::x87 {

static_assert(sizeof(long double) >= 10 && LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384,
              "long double must be the x87 80-bit extended format");

// The three faults the evaluator distinguishes; underflow, denormal operands
// and inexact results are never faults.
struct Faults {
  bool invalid = false;
  bool divide_by_zero = false;
  bool overflow = false;

  bool Any() const { return invalid || divide_by_zero || overflow; }
  void Merge(std::uint16_t status_word) {
    invalid |= (status_word & 0x01) != 0;
    divide_by_zero |= (status_word & 0x04) != 0;
    overflow |= (status_word & 0x08) != 0;
  }
};

// 64-bit significand, round to nearest, every exception masked.
inline constexpr std::uint16_t kControlWord = 0x037F;

// The status word's invalid-operation, division-by-zero and overflow flags.
inline constexpr std::uint16_t kFaultFlags = 0x0D;

// Loads kControlWord and clears the status flags. Every executable calls this
// at start; the public evaluator entries also hold a ScopedEnvironment.
void EstablishEnvironment();

// Sets kControlWord for its lifetime and restores the caller's afterwards, so
// a host that changed the precision or rounding cannot change our digits.
// It also clears any fault flag left pending on entry and every flag on exit.
// In between no fault flag stays set: the protected operations clear the
// flags when they raise one, and nothing else the evaluator runs raises one.
// That is what lets a protected step read the flags without clearing first.
class ScopedEnvironment {
 public:
  ScopedEnvironment();
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::uint16_t saved_;
};

// Builds an extended value from its bit pattern.
long double FromBits(std::uint16_t sign_exponent, std::uint64_t significand);
// The biased exponent (0 for zero and subnormals) and sign of a value.
int BiasedExponent(long double x);

// Protected operations: the result as the x87 delivers it with masked
// exceptions, and the faults raised by this one operation merged into
// `faults`.
long double Add(long double a, long double b, Faults& faults);
long double Sub(long double a, long double b, Faults& faults);
long double Mul(long double a, long double b, Faults& faults);
long double Div(long double a, long double b, Faults& faults);
long double Sqrt(long double x, Faults& faults);
// ln 2 * log2 x (fldln2, fyl2x).
long double Ln(long double x, Faults& faults);
// log10 2 * log2 x (fldlg2, fyl2x).
long double Log10(long double x, Faults& faults);
// x * 2^trunc(n) (fscale).
long double Scale(long double x, long double n, Faults& faults);
// e^x as y = x * log2 e, n = round(y), 2^(y - n) - 1 + 1, scaled by 2^n.
long double Exp(long double x, Faults& faults);
// The integer part toward zero as a signed 64-bit integer; an invalid
// operation when it does not fit (the x87 then delivers the indefinite).
std::int64_t TruncToInt64(long double x, Faults& faults);

// Operations the evaluator never needs to protect.
long double Sin(long double radians);       // fsin
long double Cos(long double radians);       // fcos
long double Atan(long double x);            // fpatan of (x, 1)
long double RoundToInteger(long double x);  // frndint, to nearest, ties to even
long double Pi();                           // fldpi

}  // namespace calc::x87
