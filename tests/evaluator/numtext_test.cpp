// SPDX-License-Identifier: MIT
#include "numtext.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "numtext_internal.h"
#include "reference.h"
#include "test_util.h"
#include "x87.h"

namespace calc {
namespace {

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// A value or the escaping overflow.
struct StrictOutcomeLike {
  bool threw = false;
  long double value = 0;
};

template <typename F>
StrictOutcomeLike Outcome(F f) {
  StrictOutcomeLike o;
  try {
    o.value = f();
  } catch (const FloatingPointOverflow&) {
    o.threw = true;
  }
  return o;
}

long double Read(const char* text) {
  const ScanResult r = ScanNumber(U(text));
  EXPECT_TRUE(r.ok) << text;
  return r.value;
}

// Values in the general and in the fixed form with two decimals. The forms of
// rows without them are in format_golden.inc; every row is also compared with
// the reference at every precision.
struct FormCase {
  const char* name;
  std::function<long double()> value;
  const char* general = nullptr;
  const char* fixed = nullptr;
};

const FormCase kForms[] = {
    {"0", [] { return Read("0"); }, "0", "0.00"},
    {"-0", [] { return Read("-0"); }, "0", "0.00"},
    {"1", [] { return Read("1"); }},
    {"-2.5", [] { return Read("-2.5"); }},
    {"1000", [] { return Read("1000"); }},
    {"0.1", [] { return Read("0.1"); }},
    {"0.1 + 0.2", [] { return Read("0.1") + Read("0.2"); }},
    {"1 / 3", [] { return 1.0L / 3.0L; }},
    {"2 / 3", [] { return 2.0L / 3.0L; }},
    {"pi", [] { return x87::Pi(); }, "3.14159265358979", "3.14"},
    {"2.675", [] { return Read("2.675"); }},
    {"1.005", [] { return Read("1.005"); }},
    {"99.995", [] { return Read("99.995"); }},
    {"-0.005", [] { return Read("-0.005"); }},
    {"-0.004", [] { return Read("-0.004"); }},
    {"0.0001", [] { return Read("0.0001"); }},
    {"0.000123", [] { return Read("0.000123"); }},
    {"0.00001", [] { return Read("0.00001"); }},
    {"1.5E-7", [] { return Read("1.5E-7"); }},
    {"999999999999999", [] { return Read("999999999999999"); }},
    {"999999999999999.5", [] { return Read("999999999999999.5"); }},
    {"1E15", [] { return Read("1E15"); }},
    {"123456789012345678", [] { return Read("123456789012345678"); }},
    {"1E18", [] { return Read("1E18"); }},
    {"2^64", [] { return 18446744073709551616.0L; }},
    {"1.5E20", [] { return Read("1.5E20"); }},
    {"1E-3000", [] { return Read("1E-3000"); }},
    {"largest finite", [] { return LDBL_MAX; }},
    {"subnormal", [] { return LDBL_TRUE_MIN; }, "0", "0.00"},
    {"just below the normal range", [] { return Read("3.36210314311209E-4932"); }, "0", "0.00"},
    {"9.98E-206", [] { return Read("9.98E-206"); }, "9.98E-206", "0.00"},
    {"-2.5E-10", [] { return Read("-2.5E-10"); }, "-2.5E-10", "0.00"},
};

TEST(NumberText, GeneralForm) {
  for (const FormCase& c : kForms) {
    if (c.general != nullptr) {
      EXPECT_EQ(FormatGeneral(c.value(), 15), U(c.general)) << c.name;
    }
  }
}

TEST(NumberText, FixedFormWithTwoDecimals) {
  for (const FormCase& c : kForms) {
    if (c.fixed != nullptr) {
      EXPECT_EQ(FormatFixed(c.value(), 2), U(c.fixed)) << c.name;
    }
  }
}

// The forms are written through a fixed buffer; the reference builds them
// piece by piece.
TEST(NumberText, FormsMatchTheirReferences) {
  for (const FormCase& c : kForms) {
    const long double v = c.value();
    for (int precision = 0; precision <= 20; ++precision) {
      EXPECT_EQ(FormatGeneral(v, precision), reference::FormatGeneral(v, precision)) << c.name << " P=" << precision;
    }
    for (int decimals = -1; decimals <= 20; ++decimals) {
      EXPECT_EQ(FormatFixed(v, decimals), reference::FormatFixed(v, decimals)) << c.name << " D=" << decimals;
    }
  }
}

// Integers below 10^18 take their digits from the bits, not by scaling.
TEST(NumberText, IntegersMatchTheirReferences) {
  const long double integers[] = {1,
                                  7,
                                  -10,
                                  99,
                                  1000,
                                  123456789012345,
                                  999999999999999,
                                  1000000000000000,
                                  999999999999999999,
                                  -999999999999999999,
                                  100000000000000000,
                                  1000000000000000000,  // 10^18: scaled
                                  576460752303423487,   // 2^59 - 1
                                  576460752303423488,   // 2^59
                                  1152921504606846975,  // 2^60 - 1: scaled
                                  4503599627370497};    // 2^52 + 1
  for (const long double v : integers) {
    for (int precision = 2; precision <= 18; ++precision) {
      EXPECT_EQ(FormatGeneral(v, precision), reference::FormatGeneral(v, precision))
          << static_cast<long long>(v) << " P=" << precision;
    }
    for (int decimals = 0; decimals <= 18; ++decimals) {
      EXPECT_EQ(FormatFixed(v, decimals), reference::FormatFixed(v, decimals))
          << static_cast<long long>(v) << " D=" << decimals;
    }
  }
}

// The evaluator takes the value of a number it has just written from the
// digits; the reader must give the same bits, and the same overflow.
TEST(NumberText, WrittenNumbersReadBackAsTheirText) {
  std::vector<long double> values;
  for (const FormCase& c : kForms) values.push_back(c.value());
  for (const char* text : {"1E-8", "9.99999999999999E-9", "1E8", "100000000.000001", "99999999.9999999", "0.1", "1E-4",
                           "1.18973149535723E4932", "3.3621031431121E-4932", "-7.5E-300", "5E27", "5E28"}) {
    values.push_back(Read(text));
  }
  values.push_back(-LDBL_MAX);
  values.push_back(1.0L / 7);
  for (const long double v : values) {
    for (int precision = 2; precision <= 18; ++precision) {
      GeneralNumber written;
      WriteGeneral(v, precision, written);
      ASSERT_FALSE(written.special);
      const StrictOutcomeLike scanned = Outcome([&] { return ScanNumber(written.text.View()).value; });
      const StrictOutcomeLike read_back = Outcome([&] { return ReadBack(written); });
      const std::string name = ToAscii(written.text.View());
      EXPECT_EQ(scanned.threw, read_back.threw) << name;
      EXPECT_TRUE(SameBits(scanned.value, read_back.value)) << name;
      // Inside the range the evaluator shows positionally the value read
      // back writes as the same text again.
      const long double m = read_back.value < 0 ? -read_back.value : read_back.value;
      if (precision == 15 && m >= Read("1E-8") && m <= Read("1E8")) {
        EXPECT_EQ(WriteGeneral(read_back.value, 15), written.text.View()) << name;
      }
    }
  }
}

TEST(NumberText, InfinityAndNan) {
  const long double inf = __builtin_infl();
  EXPECT_EQ(FormatGeneral(inf, 15), u"INF");
  EXPECT_EQ(FormatGeneral(-inf, 15), u"-INF");
  EXPECT_EQ(FormatGeneral(__builtin_nanl(""), 15), u"NAN");
  EXPECT_EQ(FormatFixed(inf, 2), u"INF");
}

TEST(NumberText, PrecisionIsClamped) {
  EXPECT_EQ(FormatGeneral(1.0L / 3.0L, 1), u"0.33");
  EXPECT_EQ(FormatGeneral(1.0L / 3.0L, 40), u"0.333333333333333333");
}

TEST(NumberText, PowerTablesHoldTheNearestExtendedValues) {
  // glibc's strtold rounds correctly, an independent reference for the tables.
  for (int k = 0; k <= 4608; ++k) {
    if (!(k < 32 || k % 32 == 0)) continue;
    if (k > 480 && k % 512 != 0) continue;
    const std::string text = "1e" + std::to_string(k);
    EXPECT_EQ(ScaleByPowerOfTen(1.0L, k), std::strtold(text.c_str(), nullptr)) << text;
  }
}

TEST(NumberText, ScaleByPowerOfTenLimits) {
  EXPECT_EQ(ScaleByPowerOfTen(0.0L, 5120), __builtin_infl());
  EXPECT_EQ(ScaleByPowerOfTen(-3.0L, 6000), __builtin_infl());
  EXPECT_EQ(ScaleByPowerOfTen(5.0L, -5120), 0.0L);
  EXPECT_EQ(ScaleByPowerOfTen(7.0L, 0), 7.0L);
  EXPECT_THROW(ScaleByPowerOfTen(1.0L, 5000), FloatingPointOverflow);
  EXPECT_EQ(ScaleByPowerOfTen(1.0L, -4950), Read("1E-4950"));
}

struct ScanCase {
  const char* text;
  bool ok;
  const char* general;  // FormatGeneral of the value read
};

TEST(NumberText, StrictReader) {
  const ScanCase cases[] = {
      {"12", true, "12"},
      {"+5", true, "5"},
      {"-5", true, "-5"},
      {"   12", true, "12"},
      {"1.5e3", true, "1500"},
      {"1.5E+3", true, "1500"},
      {"5.", true, "5"},
      {".5", true, "0.5"},
      {".", true, "0"},
      {"E5", true, "0"},
      {"1E3000", true, "1E3000"},
      {"1E-4294967297", true, "0"},
      {"1E4294967297", true, "INF"},
      {"1E6000", true, "INF"},
      {"-1E6000", true, "-INF"},
      {"", false, ""},
      {"-", false, ""},
      {"--5", false, ""},
      {"12 ", false, ""},
      {"1E", false, ""},
      {"1E+", false, ""},
      {"1,5", false, ""},
      {"1.2.3", false, ""},
      {"INF", false, ""},
      {"\t12", false, ""},
      {"$1F", false, ""},
  };
  for (const ScanCase& c : cases) {
    const ScanResult r = ScanNumber(U(c.text));
    EXPECT_EQ(r.ok, c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(FormatGeneral(r.value, 15), U(c.general)) << c.text;
    }
  }
}

TEST(NumberText, StrictReaderCountsFractionDigitsBeforeTheExponent) {
  const std::string text = "0." + std::string(130, '0') + "1E5";
  EXPECT_EQ(FormatGeneral(ScanNumber(U(text)).value, 15), u"1E-126");
}

TEST(NumberText, StrictReaderLetsTheOverflowOut) {
  EXPECT_THROW(ScanNumber(u"1E5000"), FloatingPointOverflow);
  EXPECT_THROW(ScanNumber(U("1" + std::string(5000, '0'))), FloatingPointOverflow);
}

TEST(NumberText, LenientReader) {
  const ScanCase cases[] = {
      {" 2.5 ", true, "2.5"},   {".", true, "0"},       {"1E", true, "1"}, {"1E4000", true, "1E4000"},
      {"-3e-2", true, "-0.03"}, {"1E-6000", false, ""}, {"-", false, ""},  {"1,5", false, ""},
      {"1E5000", false, ""},    {"1E4933", false, ""},  {"", false, ""},   {"E5", false, ""},
  };
  for (const ScanCase& c : cases) {
    const ScanResult r = ReadNumber(U(c.text));
    EXPECT_EQ(r.ok, c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(FormatGeneral(r.value, 15), U(c.general)) << c.text;
    }
  }
  std::uint16_t sw;
  asm volatile("fnstsw %0" : "=am"(sw));
  EXPECT_EQ(sw & 0x3F, 0) << "a failed read leaves no fault pending";
}

struct StrictOutcome {
  bool threw = false;
  ScanResult result;
};

StrictOutcome ReadStrict(ScanResult (*reader)(std::u16string_view), const std::u16string& text) {
  StrictOutcome o;
  try {
    o.result = reader(text);
  } catch (const FloatingPointOverflow&) {
    o.threw = true;
  }
  return o;
}

// The readers gather the leading digits in a 64-bit integer; every row must
// give the bits of the digit-by-digit reference, around the integer's limit
// above all.
TEST(NumberText, ReadersMatchTheirReferences) {
  const std::string texts[] = {"0",
                               "7",
                               "-12.5",
                               ".5",
                               "5.",
                               ".",
                               "E5",
                               "1E",
                               "1E+",
                               "-",
                               "",
                               "  12",
                               "12 ",
                               "1.5e3",
                               "0.1",
                               "2.675",
                               "1844674407370955161",   // the integer's limit
                               "18446744073709551615",  // 2^64 - 1: the last digit rounds
                               "18446744073709551616",
                               "18446744073709551619",
                               "99999999999999999999",
                               "123456789012345678901234567890",
                               "0.00000000000000000000000000001234567890123456789",
                               "1234567890.1234567890123456789E-5",
                               "3.36210314311209E-4932",
                               "1.18973149535723E4932",
                               "1E4933",
                               "1E5000",
                               "1E-4950",
                               std::string(300, '9'),
                               "1" + std::string(5000, '0'),
                               "1E500",
                               "1E499",
                               "1E5001",
                               "-0",
                               "+.E",
                               "1.2.3",
                               "1E4294967297"};
  for (const std::string& t : texts) {
    const std::u16string text = U(t);
    const StrictOutcome fast = ReadStrict(ScanNumber, text);
    const StrictOutcome slow = ReadStrict(reference::ScanNumber, text);
    EXPECT_EQ(fast.threw, slow.threw) << t;
    EXPECT_EQ(fast.result.ok, slow.result.ok) << t;
    EXPECT_TRUE(SameBits(fast.result.value, slow.result.value)) << t;
    const ScanResult lenient = ReadNumber(text);
    const ScanResult lenient_reference = reference::ReadNumber(text);
    EXPECT_EQ(lenient.ok, lenient_reference.ok) << t;
    EXPECT_TRUE(SameBits(lenient.value, lenient_reference.value)) << t;
  }
}

TEST(NumberText, TrimTrailingZeros) {
  EXPECT_EQ(TrimTrailingZeros(u"1000"), u"1000");
  EXPECT_EQ(TrimTrailingZeros(u"2.500"), u"2.5");
  EXPECT_EQ(TrimTrailingZeros(u"3.0"), u"3");
  EXPECT_EQ(TrimTrailingZeros(u"1.5E-7"), u"1.5E-7");
}

TEST(NumberText, ZeroTest) {
  EXPECT_FALSE(IsZeroValue(0, Read("1E-3000")));
  EXPECT_TRUE(IsZeroValue(0, Read("9.99999999999999E-3001")));
  EXPECT_TRUE(IsZeroValue(2, 2));
  EXPECT_FALSE(IsZeroValue(0, __builtin_nanl("")));
  EXPECT_EQ(ZeroThreshold(), Read("1E-3000"));
}

}  // namespace
}  // namespace calc
