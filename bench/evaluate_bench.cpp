// SPDX-License-Identifier: MIT
// Time per expression of EvaluateExpression over the driver's worked
// examples and the longest flat sum the working expression holds.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "calcexpr.h"
#include "display.h"
#include "x87.h"

namespace {

const std::vector<std::u16string>& WorkedExamples() {
  static const std::vector<std::u16string> examples = {
      u"2+3*4",   u"(2 + 2) / 3", u"5-3", u"-(2+3)", u"sqrt(16)+1", u"1/0",       u"( )", u"(2)(3)",
      u"2/1,000", u"1.50",        u"1e9", u"0.000",  u"2X(3)",      u"2XSQRT(4)", u"pi",  u"1E5*1E4",
  };
  return examples;
}

std::u16string FlatSum254() {
  std::u16string text = u"12";
  for (int i = 0; i < 126; ++i) text += u"+1";
  return text;
}

void BM_WorkedExamples(benchmark::State& state) {
  const auto& examples = WorkedExamples();
  for (auto _ : state) {
    for (const auto& e : examples) benchmark::DoNotOptimize(calc::EvaluateExpression(e));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long long>(examples.size()));
}
BENCHMARK(BM_WorkedExamples);

// Numbers with separators, pasted from a result: the commas are checked.
void BM_GroupedNumbers(benchmark::State& state) {
  const std::u16string text = u"1,234,567.89*2+2,469,135.78/1,000";
  for (auto _ : state) benchmark::DoNotOptimize(calc::EvaluateExpression(text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GroupedNumbers);

void BM_FlatSum254(benchmark::State& state) {
  const std::u16string text = FlatSum254();
  for (auto _ : state) benchmark::DoNotOptimize(calc::EvaluateExpression(text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FlatSum254);

void BM_TypicalWithDisplay(benchmark::State& state) {
  const std::u16string text = u"2 * sqrt(16) + sin(30)^2";
  for (auto _ : state) {
    const auto r = calc::EvaluateExpression(text);
    benchmark::DoNotOptimize(calc::GroupThousands(*calc::TwoDecimals(r.resultText), u','));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TypicalWithDisplay);

void BM_LongestRefusedInput(benchmark::State& state) {
  const std::u16string text(4096, u'(');
  for (auto _ : state) benchmark::DoNotOptimize(calc::EvaluateExpression(text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LongestRefusedInput);

void BM_PiExpansion4096(benchmark::State& state) {
  std::u16string text;
  while (text.size() < 4096) text += u"PI";
  for (auto _ : state) benchmark::DoNotOptimize(calc::EvaluateExpression(text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PiExpansion4096);

}  // namespace

int main(int argc, char** argv) {
  calc::x87::EstablishEnvironment();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
