// SPDX-License-Identifier: MIT
#include "display.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace calc {
namespace {

struct DisplayCase {
  const char* result;
  bool decimals;
  bool separators;
  const char* shown;
};

TEST(Display, DecimalsThenSeparators) {
  const DisplayCase cases[] = {
      {"123", true, true, "123"},
      {"1234", true, true, "1,234"},
      {"1234567", true, true, "1,234,567"},
      {"100000000", true, true, "100,000,000"},
      {"-123", true, true, "-123"},
      {"-1234", true, true, "-1,234"},
      {"-123456", true, true, "-123,456"},
      {"1234.5678", true, true, "1,234.57"},
      {"12345.678", true, true, "12,345.68"},
      {"-1234567.891", true, true, "-1,234,567.89"},
      {"0.333333333333333", true, true, "0.33"},
      {"99.999", true, true, "100.00"},
      {"2.5E-10", true, true, "0.00"},
      {"-2.5E-10", true, true, "0.00"},
      {"1.23456789012346E15", true, true, "1,234,567,890,123,460.00"},
      {"1E-9", true, true, "1E-9"},
      {"123.456", true, true, "123.46"},
      {"-123.456", true, true, "-123.46"},
      {"", true, true, ""},
      {"1234.5678", false, true, "1,234.5678"},
      {"1.5E20", false, true, "1.5E20"},
      {"1E20", false, true, "1E20"},
      {"1234.5678", true, false, "1234.57"},
      {"1234.5678", false, false, "1234.5678"},
  };
  for (const DisplayCase& c : cases) {
    std::u16string shown = U(c.result);
    if (c.decimals) {
      const auto fixed = TwoDecimals(shown);
      ASSERT_TRUE(fixed.has_value()) << c.result;
      shown = *fixed;
    }
    if (c.separators) shown = GroupThousands(shown, u',');
    EXPECT_EQ(shown, U(c.shown)) << c.result << " decimals=" << c.decimals << " separators=" << c.separators;
  }
}

TEST(Display, UnreadableResultIsReported) {
  EXPECT_FALSE(TwoDecimals(u"1.5,5").has_value());
  EXPECT_EQ(InvalidFloatingPointMessage(u"1.5,5"), u"'1.5,5' is not a valid floating point value");
}

}  // namespace
}  // namespace calc
