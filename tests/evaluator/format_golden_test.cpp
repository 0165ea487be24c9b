// SPDX-License-Identifier: MIT
// The general and fixed forms against a table computed with exact rationals
// by tools/gen_format_golden.py, independently of the C++ digit code.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "numtext.h"
#include "test_util.h"
#include "x87.h"

namespace calc {
namespace {

struct FormatGolden {
  std::uint16_t sign_exponent;
  std::uint64_t significand;
  const char* general15;
  const char* general18;
  const char* fixed2;
};

#include "format_golden.inc"

TEST(NumberText, FormsMatchTheExactRationalTable) {
  for (const FormatGolden& row : kFormatGolden) {
    const long double v = x87::FromBits(row.sign_exponent, row.significand);
    char name[48];
    std::snprintf(name, sizeof name, "0x%04X %016llX", row.sign_exponent,
                  static_cast<unsigned long long>(row.significand));
    EXPECT_EQ(FormatGeneral(v, 15), U(row.general15)) << name;
    EXPECT_EQ(FormatGeneral(v, 18), U(row.general18)) << name;
    EXPECT_EQ(FormatFixed(v, 2), U(row.fixed2)) << name;
  }
}

}  // namespace
}  // namespace calc
