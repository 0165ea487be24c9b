// SPDX-License-Identifier: MIT
#include "x87.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "reference.h"

namespace calc::x87 {
namespace {

TEST(X87, OperandOrderOfTheTwoOperandInstructions) {
  Faults f;
  EXPECT_EQ(Div(1.0L, 4.0L, f), 0.25L);
  EXPECT_EQ(Sub(1.0L, 4.0L, f), -3.0L);
  EXPECT_EQ(Scale(3.0L, 4.0L, f), 48.0L);
  EXPECT_FALSE(f.Any());
}

struct FaultCase {
  const char* name;
  long double (*operation)(Faults&);
  bool invalid, divide_by_zero, overflow;
};

TEST(X87, EachProtectedStepReportsItsOwnFault) {
  const FaultCase cases[] = {
      {"1E4000*1E4000", [](Faults& f) { return Mul(1e4000L, 1e4000L, f); }, false, false, true},
      {"max+max", [](Faults& f) { return Add(LDBL_MAX, LDBL_MAX, f); }, false, false, true},
      {"1/0", [](Faults& f) { return Div(1.0L, 0.0L, f); }, false, true, false},
      {"sqrt(-1)", [](Faults& f) { return Sqrt(-1.0L, f); }, true, false, false},
      {"ln(0)", [](Faults& f) { return Ln(0.0L, f); }, false, true, false},
      {"ln(-2)", [](Faults& f) { return Ln(-2.0L, f); }, true, false, false},
      {"log10(0)", [](Faults& f) { return Log10(0.0L, f); }, false, true, false},
      {"exp(11357)", [](Faults& f) { return Exp(11357.0L, f); }, false, false, true},
      {"trunc(1E19)", [](Faults& f) { return static_cast<long double>(TruncToInt64(1e19L, f)); }, true, false, false},
      // Underflow and denormals pass silently.
      {"1E-4000*1E-4000", [](Faults& f) { return Mul(1e-4000L, 1e-4000L, f); }, false, false, false},
      {"exp(-12000)", [](Faults& f) { return Exp(-12000.0L, f); }, false, false, false},
  };
  for (const FaultCase& c : cases) {
    Faults f;
    c.operation(f);
    EXPECT_EQ(f.invalid, c.invalid) << c.name;
    EXPECT_EQ(f.divide_by_zero, c.divide_by_zero) << c.name;
    EXPECT_EQ(f.overflow, c.overflow) << c.name;
  }
}

// The protected steps read the flags after the operation and clear them only
// on a hit; the reference clears them before and after every operation.
TEST(X87, ProtectedStepsMatchTheClearingReference) {
  const long double values[] = {
      0.0L, -0.0L, 1.0L, -2.0L, 10.0L, 1e-4000L, 1e4000L, LDBL_MAX, LDBL_TRUE_MIN, __builtin_infl(), __builtin_nanl(""),
      3.0L};
  // Rows are named by index: converting the operands for a message would
  // itself raise flags.
  for (std::size_t i = 0; i < std::size(values); ++i) {
    for (std::size_t j = 0; j < std::size(values); ++j) {
      const long double a = values[i];
      const long double b = values[j];
      struct Step {
        const char* name;
        long double (*fast)(long double, long double, Faults&);
        long double (*slow)(long double, long double, Faults&);
      };
      const Step steps[] = {
          {"add", [](long double x, long double y, Faults& f) { return Add(x, y, f); }, reference::Add},
          {"mul", [](long double x, long double y, Faults& f) { return Mul(x, y, f); }, reference::Mul},
          {"div", [](long double x, long double y, Faults& f) { return Div(x, y, f); }, reference::Div},
          {"sqrt", [](long double x, long double, Faults& f) { return Sqrt(x, f); },
           [](long double x, long double, Faults& f) { return reference::Sqrt(x, f); }},
          {"ln", [](long double x, long double, Faults& f) { return Ln(x, f); },
           [](long double x, long double, Faults& f) { return reference::Ln(x, f); }},
      };
      for (const Step& step : steps) {
        Faults fast;
        Faults slow;
        const long double r = step.fast(a, b, fast);
        const long double s = step.slow(a, b, slow);
        const std::string row =
            std::string(step.name) + " of values[" + std::to_string(i) + "], values[" + std::to_string(j) + "]";
        EXPECT_EQ(fast.invalid, slow.invalid) << row;
        EXPECT_EQ(fast.divide_by_zero, slow.divide_by_zero) << row;
        EXPECT_EQ(fast.overflow, slow.overflow) << row;
        if (!fast.Any() && r == r) {
          EXPECT_EQ(std::memcmp(&r, &s, 10), 0) << row;
        }
      }
    }
  }
}

TEST(X87, NoFaultStaysPendingAfterAProtectedStep) {
  Faults f;
  Mul(1e4000L, 1e4000L, f);
  std::uint16_t sw;
  asm volatile("fnstsw %0" : "=am"(sw));
  EXPECT_EQ(sw & 0x3F, 0);
}

TEST(X87, ExpFollowsTheX87SequenceNotLibm) {
  // The rounding of x * log2 e shows in the 15th digit here; libm's expl
  // gives ...566E4931.
  Faults f;
  const long double e = Exp(11356.0L, f);
  EXPECT_FALSE(f.Any());
  char text[64];
  std::snprintf(text, sizeof text, "%.14Le", e);
  EXPECT_STREQ(text, "7.04914579998567e+4931");
}

TEST(X87, ScopedEnvironmentRestoresTheCallersControlWord) {
  std::uint16_t single = 0x007F;  // 24-bit precision
  std::uint16_t before;
  asm volatile("fldcw %1\n\tfnstcw %0" : "=m"(before) : "m"(single));
  {
    ScopedEnvironment environment;
    std::uint16_t inside;
    asm volatile("fnstcw %0" : "=m"(inside));
    EXPECT_EQ(inside, kControlWord);
  }
  std::uint16_t after;
  asm volatile("fnstcw %0" : "=m"(after));
  EXPECT_EQ(after, single);
  EstablishEnvironment();
}

TEST(X87, ConstantsFromBitPatterns) {
  EXPECT_EQ(FromBits(0x4000, 0xC90FDAA22168C235u), Pi());
  EXPECT_EQ(FromBits(0x4005, 0xB3FFFFFFAA19C477u), 89.99999999L);
  EXPECT_EQ(FromBits(0x4005, 0xB400000055E63B89u), 90.00000001L);
  EXPECT_EQ(BiasedExponent(1.0L), 16383);
  EXPECT_EQ(BiasedExponent(LDBL_TRUE_MIN), 0);
}

}  // namespace
}  // namespace calc::x87
