// SPDX-License-Identifier: MIT
// EvaluateExpression side by side with muparser (when the build found it) on
// sixteen everyday expressions, interleaved round by round so both see the
// same machine, with the heap allocations per call; then how the time per
// call grows with the input length, and the slowest of a set of hard inputs.
//
// Times are the thread's CPU time, so a round in which another process took
// the core counts only what ran; the ratio of each round is taken on its own
// and the median of those is reported beside the medians of the times.
//
// Usage: evaluate_compare [ROUNDS]   (default 15)
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "calcexpr.h"
#include "x87.h"

#ifdef CALC_HAVE_MUPARSER
#include <muParser.h>

#include <cmath>
#endif

// Every heap allocation of the program passes here and is counted. (Kept out
// of line, so the compiler does not pair malloc and free across them.)
namespace {
std::size_t g_allocations = 0;
}  // namespace

[[gnu::noinline]] void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

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

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU nanoseconds per call of `f` over `calls` calls.
template <typename F>
double NsPerCall(int calls, F&& f) {
  const double start = ThreadSeconds();
  for (int i = 0; i < calls; ++i) f();
  return (ThreadSeconds() - start) * 1e9 / calls;
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

// Heap allocations of one call of `f`, after one call to warm up.
template <typename F>
std::size_t AllocationsPerCall(F&& f) {
  f();
  const std::size_t before = g_allocations;
  f();
  return g_allocations - before;
}

void CompareSixteen(int rounds) {
  constexpr int kCalls = 2000;
  const std::size_t n = std::size(kExpressions);
  std::vector<std::vector<double>> ours(n), theirs(n), ratios(n);
  std::vector<double> mean_ratios;  // per round: the sixteen times summed, ours over theirs
  std::vector<std::u16string> texts;
  for (const Expression& e : kExpressions) texts.push_back(Wide(e.ours));
#ifdef CALC_HAVE_MUPARSER
  mu::Parser parser;
  parser.DefineFun("sin", SinDeg);
  parser.DefineFun("cos", CosDeg);
  parser.DefineFun("tan", TanDeg);
  auto theirs_ns = [&](std::size_t i) {
    const std::string text = kExpressions[i].muparser;
    return NsPerCall(kCalls, [&] {
      parser.SetExpr(text);
      g_sink = static_cast<std::size_t>(parser.Eval());
    });
  };
#endif
  // Round -1 warms the caches and is not counted; the two sides take turns
  // at going first.
  for (int round = -1; round < rounds; ++round) {
    double round_ours = 0;
    double round_theirs = 0;
    for (std::size_t i = 0; i < n; ++i) {
      double o = 0;
      double t = 0;
#ifdef CALC_HAVE_MUPARSER
      if (round % 2 == 0) {
        o = OurNs(texts[i], kCalls);
        t = theirs_ns(i);
      } else {
        t = theirs_ns(i);
        o = OurNs(texts[i], kCalls);
      }
#else
      o = OurNs(texts[i], kCalls);
#endif
      if (round < 0) continue;
      ours[i].push_back(o);
      theirs[i].push_back(t);
      ratios[i].push_back(t > 0 ? o / t : 0);
      round_ours += o;
      round_theirs += t;
    }
    if (round >= 0) mean_ratios.push_back(round_theirs > 0 ? round_ours / round_theirs : 0);
  }

  // Allocations: the returning call, and the call into a kept result.
  std::vector<std::size_t> allocations(n), reused(n);
  calc::EvaluationResult kept;
  for (std::size_t i = 0; i < n; ++i) {
    allocations[i] = AllocationsPerCall([&] { g_sink = calc::EvaluateExpression(texts[i]).resultText.size(); });
    reused[i] = AllocationsPerCall([&] {
      calc::EvaluateExpression(texts[i], kept);
      g_sink = kept.resultText.size();
    });
  }

#ifdef CALC_HAVE_MUPARSER
  std::printf(
      "EvaluateExpression against muparser %s parse+eval (one reused parser, SetExpr + Eval,\n"
      "trigonometry in degrees); median CPU ns per call over %d interleaved rounds, the median\n"
      "of the rounds' ratios, and heap allocations per call (returning a result; into a kept one):\n\n",
      mu::ParserVersion.c_str(), rounds);
  std::printf("%-30s %9s %9s %6s %6s %7s\n", "expression", "ours ns", "muparser", "ratio", "allocs", "reused");
#else
  std::printf(
      "muparser was not found when this program was built (install libmuparser-dev for the\n"
      "side-by-side comparison); EvaluateExpression alone, median CPU ns per call over %d rounds,\n"
      "and heap allocations per call (returning a result; into a kept one):\n\n",
      rounds);
  std::printf("%-30s %9s %6s %7s\n", "expression", "ours ns", "allocs", "reused");
#endif
  double sum_ours = 0;
  double sum_theirs = 0;
  double sum_ratio = 0;
  double worst_ratio = 0;
  double sum_allocations = 0;
  double sum_reused = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double o = Median(ours[i]);
    sum_ours += o;
    sum_allocations += static_cast<double>(allocations[i]);
    sum_reused += static_cast<double>(reused[i]);
#ifdef CALC_HAVE_MUPARSER
    const double t = Median(theirs[i]);
    const double r = Median(ratios[i]);
    sum_theirs += t;
    sum_ratio += r;
    worst_ratio = std::max(worst_ratio, r);
    std::printf("%-30s %9.0f %9.0f %6.2f %6zu %7zu\n", kExpressions[i].ours, o, t, r, allocations[i], reused[i]);
#else
    std::printf("%-30s %9.0f %6zu %7zu\n", kExpressions[i].ours, o, allocations[i], reused[i]);
#endif
  }
#ifdef CALC_HAVE_MUPARSER
  std::printf("%-30s %9.0f %9.0f %6.2f %6.1f %7.1f\n", "mean per expression", sum_ours / n, sum_theirs / n,
              Median(mean_ratios), sum_allocations / n, sum_reused / n);
  std::printf("%-30s %9s %9s %6.2f\n", "mean of the ratios", "", "", sum_ratio / n);
  std::printf("%-30s %9s %9s %6.2f\n\n", "highest ratio", "", "", worst_ratio);
#else
  std::printf("%-30s %9.0f %6.1f %7.1f\n\n", "mean per expression", sum_ours / n, sum_allocations / n, sum_reused / n);
  (void)sum_theirs;
  (void)sum_ratio;
  (void)worst_ratio;
  (void)mean_ratios;
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
