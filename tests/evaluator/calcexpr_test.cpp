// SPDX-License-Identifier: MIT
#include "calcexpr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calcexpr_internal.h"
#include "test_util.h"
#include "x87.h"

namespace calc {
namespace {

struct TextCase {
  const char* input;
  const char* expected;
};

TEST(Normalisation, RewritesIntoTheSmallLanguage) {
  const TextCase cases[] = {
      {"(2 + 2) / 3", "(2+2)*INV(3)"},
      {"PI*2", "3.14159265358979*2"},
      {"2PI", "23.14159265358979"},
      {"PPII", "P3.14159265358979I"},
      {"5-3", "5+-3"},
      {"1E-5-2", "1E-5+-2"},
      {"(2)-3", "(2)+-3"},
      {"2X-3", "2X-3"},
      {"3-", "3-"},
      {"2--3", "2+3"},
      {"--3", "3"},
      {"2*--3", "2*3"},
      {"2---3", "2+-3"},
      {"2----3", "2+3"},
      {"(--3)", "(+3)"},
      {"----", ""},
      {"1/2/4", "1*INV(2)*INV(4)"},
      {"1/(2+3)", "1*INV(2+3)"},
      {"1/(2)/(3)", "1*INV(2)*INV(3)"},
      {"1/SQRT(4)", "1*INV(SQRT(4))"},
      {"1/SQRT(4/2)", "1*INV(SQRT(4*INV(2)))"},
      {"1/-(2)", "1*INV(-(2))"},
      {"1/-2", "1*INV(-)2"},
      {"1/2E-3", "1*INV(2E-3)"},
      {"1/2E+5", "1*INV(2)E+5"},
      {"8/2^3", "8*INV(2)^3"},
      {"2/+3", "2*INV()+3"},
      // Commas go first, so a grouped divisor stays one number.
      {"2/1,000", "2*INV(1000)"},
      {"P,I+P I", "3.14159265358979+3.14159265358979"},
      {"2x(3)-sqrt(4)", "2X(3)+-SQRT(4)"},
      {"-,-3", "3"},
      {"6/", "6/"},
      // An unclosed group is scanned to the end; the brackets stay unbalanced.
      {"1/SQRT(4", "1*INV(SQRT(4)"},
      {"1/SQRT((4)", "1*INV(SQRT((4))"},
  };
  for (const TextCase& c : cases) {
    std::u16string text;
    ASSERT_TRUE(NormaliseExpression(U(c.input), text)) << c.input;
    EXPECT_EQ(text, U(c.expected)) << c.input;
  }
}

TEST(Normalisation, UpperCasesAsciiLettersOnly) {
  std::u16string text;
  ASSERT_TRUE(NormaliseExpression(u"pi Pi pI 2x3 \u00e9", text));
  EXPECT_EQ(text, u"3.141592653589793.141592653589793.141592653589792X3\u00e9");
}

TEST(Normalisation, RefusesGrowthPastTheWorkingLength) {
  std::u16string text;
  const std::string fits = "1" + std::string(240, ' ') + "PI";  // 16 characters after the passes
  EXPECT_TRUE(NormaliseExpression(U(fits), text));
  EXPECT_FALSE(NormaliseExpression(U(std::string(2000, 'P') + std::string(2000, 'I')), text));
  std::u16string divisions;
  for (int i = 0; i < 50; ++i) divisions += u"1/2+";
  divisions += u"1";
  EXPECT_FALSE(NormaliseExpression(divisions, text));  // 201 characters become 451
  // Exactly the working length after each pass, and one more.
  const struct {
    std::string input;
    bool fits;
  } edges[] = {
      {std::string(255, '7'), true},
      {std::string(256, '7'), false},
      {"1" + std::string(16, '-') + std::string(253, '2'), true},  // "1+" and 253 digits
      {"1" + std::string(16, '-') + std::string(254, '2'), false},
      {std::string(249, '2') + "-2-2", true},  // each '-' gains a '+'
      {std::string(250, '2') + "-2-2", false},
      {std::string(248, '2') + "/2", true},  // "*INV(2)"
      {std::string(249, '2') + "/2", false},
  };
  for (const auto& edge : edges) EXPECT_EQ(NormaliseExpression(U(edge.input), text), edge.fits) << edge.input.size();
}

struct ResultCase {
  std::string input;
  const char* stream;  // "out" or "err"
  std::string expected;
};

void ExpectOutcome(const EvaluationResult& r, const ResultCase& c) {
  if (std::string(c.stream) == "out") {
    EXPECT_EQ(r.errorMessage, u"") << c.input;
    EXPECT_EQ(r.resultText, U(c.expected)) << c.input;
  } else {
    EXPECT_EQ(r.errorMessage, U(c.expected)) << c.input;
    EXPECT_EQ(r.resultText, u"") << c.input;
  }
}

// The typed rows are in tests/data/examples.tsv; these flat texts are ones
// that normalisation and validation never hand over as they stand.
TEST(FlatEngine, ParsesAndReducesFromTheLeft) {
  const ResultCase cases[] = {
      {"1E3001", "err", "1E3001 magnitude too large. "},
      {"1E-3001", "err", "1E-3001 magnitude too large. "},
      {"E5", "err", "Invalid input"},
      {"", "err", "Invalid input"},
      {"+2", "err", "Invalid expression syntax."},
      {"2/3", "out", "2"},  // no level takes '/': the parse ends there
      {"12" +
           [] {
             std::string s;
             for (int i = 0; i < 126; ++i) s += "+1";
             return s;
           }(),
       "out", "138"},
  };
  for (const ResultCase& c : cases) ExpectOutcome(EvaluateFlatText(U(c.input)), c);
}

TEST(FlatEngine, TextsBeyondTheWorkingCapacityAreRefused) {
  std::u16string flat = u"1";
  while (flat.size() < 1000) flat += u"+1";
  EXPECT_EQ(EvaluateFlatText(flat).errorMessage, u"Expression too long.");
  EXPECT_EQ(ApplyFunctionText(u"FOO(" + flat + u")").errorMessage, u"Expression too long.");
}

TEST(FlatEngine, TheNumberReaderOverflowLeavesTheEngine) {
  EXPECT_THROW(EvaluateFlatText(u"2E1E5000"), FloatingPointOverflow);
}

// Call texts the typed path never hands over as they stand (the number
// reader or the bracket check stops them first); the typed rows are in
// tests/data/examples.tsv.
TEST(Functions, ApplyToTheirCallText) {
  const ResultCase cases[] = {
      {"INV(9.99999999999999E-3001)", "err", "Division by zero."},
      {"SQRT(", "err", "Invalid function syntax."},
      {"SQRT(4", "err", "Invalid function syntax."},
      {"SQRT(A)", "err", "Invalid function syntax."},
  };
  for (const ResultCase& c : cases) ExpectOutcome(ApplyFunctionText(U(c.input)), c);
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The typed lengths at each limit are rows of tests/data/examples.tsv; these
// are the ones too long for a table.
TEST(Driver, WorkingLengthLimits) {
  const ResultCase cases[] = {
      // Growth during normalisation.
      {Repeat("PI+", 20) + "1", "err", "Expression too long."},
      {std::string(5000, ' '), "out", ""},
      {std::string(100000, '('), "err", "Expression too long."},
  };
  for (const ResultCase& c : cases) ExpectOutcome(EvaluateExpression(U(c.input)), c);
}

TEST(Driver, CommasOnlySeparateDigitGroups) {
  const ResultCase cases[] = {
      // Groups of three after one to three digits, then a point, an
      // exponent or the number's end.
      {"1,000+1", "out", "1001"},
      {"1,234,567.89", "out", "1234567.89"},
      {"2,469,135.78*1", "out", "2469135.78"},  // a result pasted with its separators
      {"2/1,000", "out", "0.002"},
      {"-12,345e-3", "out", "-12.345"},
      {"(1,000)(2)", "out", "10002"},
      // Anything else names the number as typed.
      {"3,5*2", "err", "Number \"3,5\" is invalid."},
      {"1,0000", "err", "Number \"1,0000\" is invalid."},
      {"1234,567", "err", "Number \"1234,567\" is invalid."},
      {"1.234,5", "err", "Number \"1.234,5\" is invalid."},
      {"1,000,", "err", "Number \"1,000,\" is invalid."},
      {"1, 000", "err", "Number \"1,\" is invalid."},
      {"1e5,000", "err", "Number \"1e5,000\" is invalid."},
      {",5", "err", "Number \",5\" is invalid."},
      {"sqrt(4,5)", "err", "Number \"4,5\" is invalid."},
      {"2+,", "err", "Number \",\" is invalid."},
      // The first such number; a comma among only spaces is no number.
      {"1,5+2,5", "err", "Number \"1,5\" is invalid."},
      {" , ,", "out", ""},
      // However long the number, the message names all of it.
      {std::string("1").append(4000, ','), "err", std::string("Number \"1").append(4000, ',') + "\" is invalid."},
  };
  for (const ResultCase& c : cases) ExpectOutcome(EvaluateExpression(U(c.input)), c);
}

TEST(Driver, TypedNumbersBeyondTheRangeEscapeAsOverflow) {
  EXPECT_THROW(EvaluateExpression(u"1E5000"), FloatingPointOverflow);
  EXPECT_THROW(EvaluateExpression(u"2E1E5000"), FloatingPointOverflow);
  // The evaluator is usable again straight after.
  EXPECT_EQ(EvaluateExpression(u"1+1").resultText, u"2");
}

TEST(Driver, AKeptResultIsFilledAfreshEachTime) {
  EvaluationResult kept;
  EvaluateExpression(u"1/0", kept);
  EXPECT_EQ(kept.errorMessage, u"Division by zero.");
  EXPECT_EQ(kept.resultText, u"");
  EvaluateExpression(u"(2 + 2) / 3", kept);
  EXPECT_EQ(kept.errorMessage, u"");
  EXPECT_EQ(kept.resultText, u"1.33333333333333");
  EXPECT_THROW(EvaluateExpression(u"1E5000", kept), FloatingPointOverflow);
  EXPECT_EQ(kept.errorMessage, u"");
  EXPECT_EQ(kept.resultText, u"");
}

class StepRecorder final : public StepObserver {
 public:
  void Step(std::u16string_view text) override { steps.emplace_back(text); }
  std::vector<std::u16string> steps;
};

std::vector<std::u16string> Texts(const std::vector<std::string>& ascii) {
  std::vector<std::u16string> texts;
  for (const std::string& a : ascii) texts.push_back(U(a));
  return texts;
}

// What each expression gives is in tests/data/examples.tsv; here, the steps
// that led to it.
TEST(Driver, ReportsEachStepAsTheTextItHolds) {
  struct StepsCase {
    std::string input;
    std::vector<std::string> steps;
  };
  const StepsCase cases[] = {
      // The examples in calcexpr.h.
      {"1/3*3", {"1*INV(3)*3", "1*0.333333333333333*3", "0.999999999999999"}},
      {"(2+2)/(1-1)", {"(2+2)*INV(1+-1)", "4*INV(1+-1)", "4*INV(0)"}},
      // Functions; the final step is the flat text's value.
      {"2*sqrt(16)+sin(30)^2", {"2*SQRT(16)+SIN(30)^2", "2*4+SIN(30)^2", "2*4+0.5^2", "8.25"}},
      // Deepest pair first, then the leftmost; a bare number left needs no final step.
      {"((1+2)*(3+4))", {"((1+2)*(3+4))", "(3*(3+4))", "(3*7)", "21"}},
      {"sqrt(sqrt(8*2))", {"SQRT(SQRT(8*2))", "SQRT(4)", "2"}},
      {"(2 + 2) / 3", {"(2+2)*INV(3)", "4*INV(3)", "4*0.333333333333333", "1.33333333333333"}},
      // Joined digits.
      {"2pi", {"23.14159265358979"}},
      {"(2)(3)", {"(2)(3)", "2(3)", "23"}},
      {"1.50", {"1.50"}},
      // A message adds the text it arose in only when that text is new.
      {"exp(10^5)", {"EXP(10^5)", "EXP(100000)"}},
      {"sqrt(-4)", {"SQRT(-4)"}},
      {"1+(2*)", {"1+(2*)"}},
      {"(1+1)*(5*)", {"(1+1)*(5*)", "2*(5*)"}},
      {"2+#", {"2+#"}},
      {"  ,, ", {}},
      {std::string(300, '1'), {}},
  };
  for (const StepsCase& c : cases) {
    StepRecorder recorder;
    EvaluateExpression(U(c.input), &recorder);
    EXPECT_EQ(recorder.steps, Texts(c.steps)) << c.input;
  }
}

TEST(Driver, StepsBeforeAnEscapingOverflowAreReported) {
  StepRecorder recorder;
  EXPECT_THROW(EvaluateExpression(u"1e5000", &recorder), FloatingPointOverflow);
  EXPECT_EQ(recorder.steps, Texts({"1E5000"}));
}

TEST(Functions, NamedConstantsAreTheExtendedValuesMeant) {
  EXPECT_EQ(kPi, x87::Pi());
  EXPECT_EQ(kHalfPi, x87::FromBits(0x3FFF, 0xC90FDAA22168C235u));
  EXPECT_EQ(kTanPoleLow, x87::FromBits(0x4005, 0xB3FFFFFFAA19C477u));
  EXPECT_EQ(kTanPoleHigh, x87::FromBits(0x4005, 0xB400000055E63B89u));
  EXPECT_EQ(kPlainRangeLow, ScanNumber(u"1E-8").value);
}

}  // namespace
}  // namespace calc
