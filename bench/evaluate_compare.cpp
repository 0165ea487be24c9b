// SPDX-License-Identifier: MIT
// EvaluateExpression side by side with muparser (when the build found it) on
// sixteen everyday expressions, interleaved round by round so both see the
// same machine; then how the time per call grows with the input length, and
// the slowest of a set of hard inputs.
//
// Usage: evaluate_compare [ROUNDS]   (default 15)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "calcexpr.h"
#include "x87.h"

#ifdef CALC_HAVE_MUPARSER
#include <muParser.h>

#include <cmath>
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct Expression {
  const char* ours;
  const char* muparser;  // log -> log10, pi -> _pi
};

constexpr Expression kExpressions[] = {
    {"2+3*4", "2+3*4"},
    {"(2+2)/3", "(2+2)/3"},
    {"2*sqrt(16)+sin(30)^2", "2*sqrt(16)+sin(30)^2"},
    {"((1+2)*(3+4))/((5-6)*(7+8))", "((1+2)*(3+4))/((5-6)*(7+8))"},
    {"1/3+1/7+1/11", "1/3+1/7+1/11"},
    {"(1+2+3+4+5+6+7+8+9+10)*2", "(1+2+3+4+5+6+7+8+9+10)*2"},
    {"3.5E3/7", "3.5E3/7"},
    {"2^10+3^2", "2^10+3^2"},
    {"sqrt(2)*sqrt(3)", "sqrt(2)*sqrt(3)"},
    {"sin(30)*cos(60)+tan(45)", "sin(30)*cos(60)+tan(45)"},
    {"ln(10)+log(1000)", "ln(10)+log10(1000)"},
    {"2*pi*3", "2*_pi*3"},
    {"1.5E-3*4E2-0.25", "1.5E-3*4E2-0.25"},
    {"(((2+3)*4-5)/3)^2", "(((2+3)*4-5)/3)^2"},
    {"exp(1)^2-ln(10)", "exp(1)^2-ln(10)"},
    {"12.5*(3-1.25)/(2+0.5)", "12.5*(3-1.25)/(2+0.5)"},
};

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Nanoseconds per call of `f` over `calls` calls.
template <typename F>
double NsPerCall(int calls, F&& f) {
  const auto start = Clock::now();
  for (int i = 0; i < calls; ++i) f();
  const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
  return elapsed.count() / calls;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

volatile std::size_t g_sink;  // keeps the results alive

double OurNs(const std::u16string& text, int calls) {
  return NsPerCall(calls, [&] {
    const calc::EvaluationResult r = calc::EvaluateExpression(text);
    g_sink = r.resultText.size() + r.errorMessage.size();
  });
}

#ifdef CALC_HAVE_MUPARSER
constexpr double kDegree = 3.14159265358979323846 / 180;
double SinDeg(double x) { return std::sin(x * kDegree); }
double CosDeg(double x) { return std::cos(x * kDegree); }
double TanDeg(double x) { return std::tan(x * kDegree); }
#endif

void CompareSixteen(int rounds) {
  constexpr int kCalls = 2000;
  const std::size_t n = std::size(kExpressions);
  std::vector<std::vector<double>> ours(n), theirs(n);
  std::vector<std::u16string> texts;
  for (const Expression& e : kExpressions) texts.push_back(Wide(e.ours));
#ifdef CALC_HAVE_MUPARSER
  mu::Parser parser;
  parser.DefineFun("sin", SinDeg);
  parser.DefineFun("cos", CosDeg);
  parser.DefineFun("tan", TanDeg);
#endif
  // Round 0 warms the caches and is not counted.
  for (int round = -1; round < rounds; ++round) {
    for (std::size_t i = 0; i < n; ++i) {
      const double o = OurNs(texts[i], kCalls);
      if (round >= 0) ours[i].push_back(o);
#ifdef CALC_HAVE_MUPARSER
      const std::string text = kExpressions[i].muparser;
      const double t = NsPerCall(kCalls, [&] {
        parser.SetExpr(text);
        g_sink = static_cast<std::size_t>(parser.Eval());
      });
      if (round >= 0) theirs[i].push_back(t);
#endif
    }
  }
#ifdef CALC_HAVE_MUPARSER
  std::printf(
      "EvaluateExpression against muparser %s parse+eval (one reused parser, SetExpr + Eval,\n"
      "trigonometry in degrees); median ns per call over %d interleaved rounds:\n\n",
      mu::ParserVersion.c_str(), rounds);
  std::printf("%-30s %10s %10s %7s\n", "expression", "ours ns", "muparser", "ratio");
#else
  std::printf(
      "muparser was not found when this program was built (install libmuparser-dev for the\n"
      "side-by-side comparison); EvaluateExpression alone, median ns per call over %d rounds:\n\n",
      rounds);
  std::printf("%-30s %10s\n", "expression", "ours ns");
#endif
  double sum_ours = 0;
  double sum_theirs = 0;
  double sum_ratio = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double o = Median(ours[i]);
    sum_ours += o;
#ifdef CALC_HAVE_MUPARSER
    const double t = Median(theirs[i]);
    sum_theirs += t;
    sum_ratio += o / t;
    std::printf("%-30s %10.0f %10.0f %7.2f\n", kExpressions[i].ours, o, t, o / t);
#else
    std::printf("%-30s %10.0f\n", kExpressions[i].ours, o);
#endif
  }
#ifdef CALC_HAVE_MUPARSER
  std::printf("%-30s %10.0f %10.0f %7.2f\n", "mean per expression", sum_ours / n, sum_theirs / n,
              sum_ours / sum_theirs);
  std::printf("%-30s %10s %10s %7.2f\n\n", "mean of the ratios", "", "", sum_ratio / n);
#else
  std::printf("%-30s %10.0f\n\n", "mean per expression", sum_ours / n);
  (void)sum_theirs;
  (void)sum_ratio;
#endif
}

void Growth(int rounds) {
  constexpr int kCalls = 500;
  std::printf("Growth with the input length (median ns per call):\n\n");
  std::printf("%-34s %6s %10s %10s\n", "input", "chars", "ns", "ns/char");
  auto row = [&](const std::string& label, const std::string& text) {
    const std::u16string wide = Wide(text);
    std::vector<double> samples;
    for (int r = 0; r < rounds; ++r) samples.push_back(OurNs(wide, kCalls));
    const double ns = Median(samples);
    std::printf("%-34s %6zu %10.0f %10.1f\n", label.c_str(), text.size(), ns, ns / static_cast<double>(text.size()));
  };
  for (int terms : {8, 16, 32, 64, 127}) {  // 12+1+1...: 16 to 254 characters
    std::string text = "12";
    for (int i = 1; i < terms; ++i) text += "+1";
    row("flat sum 12+1+...+1", text);
  }
  for (int depth : {5, 10, 20, 40, 60}) {
    row("nested brackets (((...1+1...)))",
        std::string(static_cast<std::size_t>(depth), '(') + "1+1" + std::string(static_cast<std::size_t>(depth), ')'));
  }
  std::printf("\n");
}

void Slowest(int rounds) {
  constexpr int kCalls = 200;
  // Inputs that make the evaluator do the most per call: the longest flat
  // texts with the most tokens, nested function calls, long digit runs,
  // long refused inputs.
  std::vector<std::pair<std::string, std::string>> inputs;
  // Repeats `unit` after `first` while the working expression, which grows
  // by `growth` characters per unit, stays within 255.
  auto repeat = [](std::string first, const std::string& unit, std::size_t growth) {
    std::size_t working = first.size() + growth;
    while (working + unit.size() + growth <= 255) {
      first += unit;
      working += unit.size() + growth;
    }
    return first;
  };
  inputs.push_back({"product of 15-digit factors", repeat("1.23456789012345", "*1.00000000000001", 0)});
  inputs.push_back({"chain of powers 2^1.1^1.1...", repeat("2", "^1.1", 0)});
  inputs.push_back({"flat sum of 127 terms", repeat("12", "+1", 0)});
  {
    std::string s;
    for (int i = 0; i < 25; ++i) s += "sqrt(";
    s += "2";
    for (int i = 0; i < 25; ++i) s += ")";
    inputs.push_back({"25 nested sqrt()", s});
  }
  inputs.push_back({"1/3/3/3... (an INV per division)", repeat("1", "/3", 16)});
  inputs.push_back({"1/sin(1)/sin(1)...", repeat("1", "/sin(1)", 5 + 18)});
  // FACT(1754) multiplies 1753 times. Its value is beyond the exponent a
  // number token may have, so in a sum FACT(999) stands in for it.
  inputs.push_back({"fact(1754)", "fact(1754)"});
  inputs.push_back({"fact(999)+fact(999)+...", repeat("fact(999)", "+fact(999)", 12)});
  inputs.push_back({"many bracket pairs 1/((((1+1)))+1)", repeat("1", "+1/((((1+1)))+1)", 12)});
  inputs.push_back({"4096 '(' (refused)", std::string(4096, '(')});
  inputs.push_back({"250-digit number", std::string(250, '7')});
  std::printf("Hard inputs (median ns per call):\n\n");
  std::printf("%-34s %6s %10s  %s\n", "input", "chars", "ns", "outcome");
  for (const auto& [label, text] : inputs) {
    const std::u16string wide = Wide(text);
    std::vector<double> samples;
    for (int r = 0; r < rounds; ++r) samples.push_back(OurNs(wide, kCalls));
    const calc::EvaluationResult res = calc::EvaluateExpression(wide);
    const std::u16string& shown = res.errorMessage.empty() ? res.resultText : res.errorMessage;
    std::printf("%-34s %6zu %10.0f  %s\n", label.c_str(), text.size(), Median(samples), calc::ToAscii(shown).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  calc::x87::EstablishEnvironment();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  CompareSixteen(rounds);
  Growth(rounds);
  Slowest(rounds);
  return 0;
}
