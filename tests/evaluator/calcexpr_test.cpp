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

TEST(FlatEngine, ParsesAndReducesFromTheLeft) {
  const ResultCase cases[] = {
      {"2+3*4", "out", "14"},
      {"2*3+4", "out", "10"},
      {"1+2*3+4", "out", "11"},
      {"2X3X4", "out", "24"},
      {"2^3^2", "out", "64"},
      {"2*3^2", "out", "18"},
      {"2^3*4", "out", "32"},
      {"2^-2", "out", "0.25"},
      {"5^0", "out", "1"},
      {"3*-2", "out", "-6"},
      {"1.5E-3*2", "out", "0.003"},
      {"2E+3*2", "out", "4000"},
      {"-2^2", "err", "Cannot raise negative no."},
      {"3+-2^2", "err", "Cannot raise negative no."},
      {"0^2", "err", "Cannot raise negative no."},
      {"0^0.5", "err", "Cannot raise negative no."},
      {"1E3000*1E3000", "err", "Out of bounds"},
      {"10^5000", "err", "Out of bounds"},
      {"10^-5000", "out", "0"},
      {"1E3001", "err", "1E3001 magnitude too large. "},
      {"1E-3001", "err", "1E-3001 magnitude too large. "},
      {"2E5E3", "err", "2E5E3 magnitude too large. "},
      {"1E1E1", "err", "Number \"1E1E1\" is invalid."},
      {"2E-+3", "err", "2E- magnitude too large. "},
      {"2E*3", "out", "2"},
      {"2E", "out", "2"},
      {"2EX3", "out", "2"},
      {"2A+1", "err", "Number \"2A\" is invalid."},
      {"-*3", "err", "Number \"-*\" is invalid."},
      {"E5", "err", "Invalid input"},
      {"EXP", "err", "Invalid input"},
      {"A2+3", "err", "Invalid input"},
      {"", "err", "Invalid input"},
      {"5-", "err", "Invalid expression syntax."},
      {"2++3", "err", "Invalid expression syntax."},
      {"2..5", "err", "Invalid expression syntax."},
      {"1EE2", "err", "Invalid expression syntax."},
      {"+2", "err", "Invalid expression syntax."},
      {"X2", "err", "Invalid expression syntax."},
      {"2^", "err", "Invalid expression syntax."},
      {"2+E5", "err", "Invalid expression syntax."},
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

TEST(Functions, ApplyToTheirCallText) {
  const ResultCase cases[] = {
      {"INV(4)", "out", "0.25"},
      {"INV(3)", "out", "0.333333333333333"},
      {"INV(-8)", "out", "-0.125"},
      {"INV(0)", "err", "Division by zero."},
      {"INV(1E-3000)", "out", "1E3000"},
      {"INV(9.99999999999999E-3001)", "err", "Division by zero."},
      {"EXP(0)", "out", "1"},
      {"EXP(1)", "out", "2.71828182845905"},
      {"EXP(-1)", "out", "0.367879441171442"},
      {"EXP(11356)", "out", "7.04914579998567E4931"},
      {"EXP(11357)", "err", "Out of bounds"},
      {"EXP(-12000)", "out", "0"},
      {"SQR(-1.5)", "out", "2.25"},
      {"SQR(1E2466)", "out", "1E4932"},
      {"SQR(1.1E2466)", "err", "Out of bounds"},
      {"SQRT(2)", "out", "1.4142135623731"},
      {"SQRT(16)", "out", "4"},
      {"SQRT(-4)", "err", "Cannot find root of a -ve no."},
      {"SIN(30)", "out", "0.5"},
      {"SIN(-30)", "out", "-0.5"},
      {"SIN(45)", "out", "0.707106781186548"},
      {"SIN(1000)", "out", "-0.984807753012208"},
      {"SIN(-1000)", "out", "0.984807753012208"},
      {"SIN(1000.5)", "err", "Number to \"sin\" is out of range."},
      {"COS(60)", "out", "0.5"},
      {"COS(-60)", "out", "0.5"},
      {"COS(-1001)", "err", "Number to \"cos\" is out of range."},
      {"TAN(45)", "out", "1"},
      {"TAN(-45)", "out", "-1"},
      {"TAN(60)", "out", "1.73205080756888"},
      {"ARCSIN(0.5)", "out", "30"},
      {"ARCSIN(1)", "out", "90"},
      {"ARCSIN(-1)", "out", "-90"},
      {"ARCSIN(1.5)", "err", "Number out of range."},
      {"ARCCOS(0)", "out", "90"},
      {"ARCCOS(-0.5)", "out", "120"},
      {"ARCCOS(-1)", "out", "180"},
      {"ARCCOS(1)", "out", "0"},
      {"ARCCOS(-1.01)", "err", "Number out of range."},
      {"ARCTAN(1)", "out", "45"},
      {"ARCTAN(1E100)", "out", "90"},
      {"LN(10)", "out", "2.30258509299405"},
      {"LN(-2)", "err", "Out of bounds"},
      {"LN(0)", "err", "Out of bounds"},
      {"FACT(5)", "out", "120"},
      {"FACT(20)", "out", "2.43290200817664E18"},
      {"FACT(170)", "out", "7.257415615308E306"},
      {"FACT(1754)", "out", "1.97926189010501E4930"},
      {"FACT(1755)", "err", "Out of bounds"},
      {"FACT(4294967298)", "err", "Out of bounds"},
      {"FACT(1E19)", "err", "Out of bounds"},
      {"FACT(2.5)", "err", "No. to fact() is not an integer."},
      {"FACT(-2.5)", "err", "No. to fact() is not an integer."},
      {"FOO(2)", "err", "Invalid function - FOO(2)"},
      {"SQRT(", "err", "Invalid function syntax."},
      {"SQRT(4", "err", "Invalid function syntax."},
      {"SQRT(A)", "err", "Invalid function syntax."},
  };
  for (const ResultCase& c : cases) ExpectOutcome(ApplyFunctionText(U(c.input)), c);
}

// Results the evaluator gives instead of plainly wrong ones.
TEST(Functions, MendedResults) {
  const ResultCase cases[] = {
      // Negative angles keep their sign.
      {"SIN(-90)", "out", "-1"},
      // Exact quadrant points instead of the residue of an inexact pi.
      {"SIN(0)", "out", "0"},
      {"SIN(90)", "out", "1"},
      {"SIN(180)", "out", "0"},
      {"SIN(-180)", "out", "0"},
      {"SIN(270)", "out", "-1"},
      {"SIN(360)", "out", "0"},
      {"COS(90)", "out", "0"},
      {"COS(180)", "out", "-1"},
      {"COS(270)", "out", "0"},
      {"COS(-360)", "out", "1"},
      {"TAN(0)", "out", "0"},
      {"TAN(180)", "out", "0"},
      {"TAN(-900)", "out", "0"},
      // Every odd multiple of 90 is a pole of TAN.
      {"TAN(90)", "err", "Number to \"tan\" is out of range."},
      {"TAN(89.999999995)", "err", "Number to \"tan\" is out of range."},
      {"TAN(-90)", "err", "Number to \"tan\" is out of range."},
      {"TAN(270)", "err", "Number to \"tan\" is out of range."},
      {"TAN(-270)", "err", "Number to \"tan\" is out of range."},
      {"TAN(450.000000005)", "err", "Number to \"tan\" is out of range."},
      {"TAN(89.99999999)", "out", "5729577951.4681"},
      {"TAN(90.00000001)", "out", "-5729577949.68849"},
      // LOG divides by ln 10 at full precision.
      {"LOG(10)", "out", "1"},
      {"LOG(100)", "out", "2"},
      {"LOG(1000)", "out", "3"},
      {"LOG(2)", "out", "0.301029995663981"},
      {"LOG(1)", "out", "0"},
      {"LOG(0)", "err", "Out of bounds"},
      {"LOG(-2)", "err", "Out of bounds"},
      // FACT refuses negative integers.
      {"FACT(-3)", "err", "Number out of range."},
      {"FACT(-1E20)", "err", "Number out of range."},
      {"FACT(0)", "out", "1"},
      {"FACT(1)", "out", "1"},
  };
  for (const ResultCase& c : cases) ExpectOutcome(ApplyFunctionText(U(c.input)), c);
}

TEST(Validation, NamesTheFirstProblem) {
  const ResultCase cases[] = {
      {"2 # 3", "err", "Invalid character \"#\"."},
      {"2=3", "err", "Invalid character \"=\"."},
      {"2)+(3", "err", "Brackets in wrong order."},
      {")(", "err", "Brackets in wrong order."},
      {"2)", "err", "Too many right brackets."},
      {"(2+3))", "err", "Too many right brackets."},
      {"((2)", "err", "Too many left brackets."},
      {"(2)#)", "err", "Invalid character \"#\"."},
      {"())#", "err", "Brackets in wrong order."},
      {"1,000+2", "out", "1002"},
      {"abc", "err", "Invalid input"},
      {"2\t3", "err", "Invalid character \"\t\"."},
  };
  for (const ResultCase& c : cases) ExpectOutcome(EvaluateExpression(U(c.input)), c);
  EXPECT_EQ(EvaluateExpression(u"2\u00e9").errorMessage, u"Invalid character \"\u00e9\".");
  EXPECT_EQ(EvaluateExpression(u"5\u20ac").errorMessage, u"Invalid character \"\u20ac\".");
  // A character beyond the basic plane is named whole.
  EXPECT_EQ(EvaluateExpression(u"1+\U0001F600").errorMessage, u"Invalid character \"\U0001F600\".");
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(Driver, WorkingLengthLimits) {
  const ResultCase cases[] = {
      // 254 characters whose plain substitution makes 255: evaluated.
      {"(1E5)" + Repeat("+1", 124) + "1", "out", "100134"},
      // 255 characters whose substitution makes 256.
      {"(1E5)" + Repeat("+1", 125), "err", "Expression too long."},
      // A function substitution that grows past 255.
      {"INV(3)" + Repeat("+1", 122), "err", "Expression too long."},
      // Flat texts of 255 and 256 characters.
      {"123" + Repeat("+1", 126), "out", "249"},
      {"12" + Repeat("+1", 127), "err", "Expression too long."},
      // Growth during normalisation.
      {Repeat("PI+", 20) + "1", "err", "Expression too long."},
      {"1" + std::string(300, ' ') + "+1", "out", "2"},
      // Commas vanish before any length is counted.
      {std::string(4096, ','), "out", ""},
      {std::string(4097, ','), "err", "Expression too long."},
      {std::string(5000, ' '), "out", ""},
      {std::string(100000, '('), "err", "Expression too long."},
  };
  for (const ResultCase& c : cases) ExpectOutcome(EvaluateExpression(U(c.input)), c);
}

TEST(Driver, DeepestThenLeftmostPairFirstAndTheFirstErrorStands) {
  EXPECT_EQ(EvaluateExpression(u"SQRT(-1)+INV(0)").errorMessage, u"Cannot find root of a -ve no.");
  EXPECT_EQ(EvaluateExpression(u"INV(0)+SQRT(SQRT(-1))").errorMessage, u"Cannot find root of a -ve no.");
  EXPECT_EQ(EvaluateExpression(u"(2E*3)+(2+5)").resultText, u"9");
}

TEST(Driver, PlainNumbersOutsideTheRangeComeBackAsTyped) {
  const ResultCase cases[] = {
      {"1e9", "out", "1E9"},
      {"0.000", "out", "0.000"},
      {"-0", "out", "-0"},
      {"007", "out", "7"},
      {"1.50", "out", "1.5"},
      {"1E8", "out", "100000000"},
      {"1E-8", "out", "1E-8"},
      {".", "out", "."},
      {"E5", "out", "E5"},
      {"1E6000", "out", "1E6000"},
      {"0*1", "out", "0"},
      {"-0*1", "out", "0"},
      {"1E5*1E4", "out", "1000000000"},
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

// The examples in calcexpr.h.
TEST(Driver, HeaderExamples) {
  const ResultCase cases[] = {
      {"(2 + 2) / 3", "out", "1.33333333333333"},
      {"1/3*3", "out", "0.999999999999999"},
      {"1e9", "out", "1E9"},
      {"sqrt(-4)", "err", "Cannot find root of a -ve no."},
      {"  ,, ", "out", ""},
  };
  for (const ResultCase& c : cases) ExpectOutcome(EvaluateExpression(U(c.input)), c);
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

TEST(Driver, ReportsEachStepAsTheTextItHolds) {
  struct StepsCase {
    ResultCase outcome;
    std::vector<std::string> steps;
  };
  const StepsCase cases[] = {
      // The examples in calcexpr.h.
      {{"1/3*3", "out", "0.999999999999999"}, {"1*INV(3)*3", "1*0.333333333333333*3", "0.999999999999999"}},
      {{"(2+2)/(1-1)", "err", "Division by zero."}, {"(2+2)*INV(1+-1)", "4*INV(1+-1)", "4*INV(0)"}},
      // Functions; the final step is the flat text's value.
      {{"2*sqrt(16)+sin(30)^2", "out", "8.25"}, {"2*SQRT(16)+SIN(30)^2", "2*4+SIN(30)^2", "2*4+0.5^2", "8.25"}},
      // Deepest pair first, then the leftmost; a bare number left needs no final step.
      {{"((1+2)*(3+4))", "out", "21"}, {"((1+2)*(3+4))", "(3*(3+4))", "(3*7)", "21"}},
      {{"sqrt(sqrt(8*2))", "out", "2"}, {"SQRT(SQRT(8*2))", "SQRT(4)", "2"}},
      {{"(2 + 2) / 3", "out", "1.33333333333333"},
       {"(2+2)*INV(3)", "4*INV(3)", "4*0.333333333333333", "1.33333333333333"}},
      // Joined digits.
      {{"2pi", "out", "23.1415926535898"}, {"23.14159265358979"}},
      {{"(2)(3)", "out", "23"}, {"(2)(3)", "2(3)", "23"}},
      {{"1.50", "out", "1.5"}, {"1.50"}},
      // A message adds the text it arose in only when that text is new.
      {{"exp(10^5)", "err", "Out of bounds"}, {"EXP(10^5)", "EXP(100000)"}},
      {{"sqrt(-4)", "err", "Cannot find root of a -ve no."}, {"SQRT(-4)"}},
      {{"1+(2*)", "err", "Invalid expression syntax."}, {"1+(2*)"}},
      {{"(1+1)*(5*)", "err", "Invalid expression syntax."}, {"(1+1)*(5*)", "2*(5*)"}},
      {{"2+#", "err", "Invalid character \"#\"."}, {"2+#"}},
      {{"  ,, ", "out", ""}, {}},
      {{std::string(300, '1'), "err", "Expression too long."}, {}},
  };
  for (const StepsCase& c : cases) {
    StepRecorder recorder;
    ExpectOutcome(EvaluateExpression(U(c.outcome.input), &recorder), c.outcome);
    EXPECT_EQ(recorder.steps, Texts(c.steps)) << c.outcome.input;
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

TEST(Driver, ResultsCarryOnlyFifteenDigits) {
  EXPECT_EQ(EvaluateExpression(u"1/3*3").resultText, u"0.999999999999999");
  EXPECT_EQ(EvaluateExpression(u"2 * sqrt(16) + sin(30)^2").resultText, u"8.25");
}

}  // namespace
}  // namespace calc
