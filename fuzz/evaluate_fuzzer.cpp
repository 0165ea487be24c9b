// SPDX-License-Identifier: MIT
// Feeds arbitrary text to EvaluateExpression and checks what every caller
// relies on: it returns (or lets out the one overflow), gives at most one of
// message and result, and a result always reads back as a number. Told its
// steps, it gives the same outcome; the steps lose brackets one pair at a
// time, and a result's last step is a number. Asking for the working as the
// window and --steps do, with its explaining sentence, changes no outcome,
// and what a sentence offers to write calculates.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "calcexpr.h"
#include "display.h"
#include "explanation.h"
#include "numtext.h"
#include "presentation.h"

namespace {

// Bytes below 0x80 stand for themselves; higher ones for characters beyond
// the 8-bit classes, so both paths of every character test are reached.
std::u16string ToText(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    text += b < 0x80 ? static_cast<char16_t>(b) : static_cast<char16_t>(b < 0xC0 ? b : 0x2000 + b);
  }
  return text;
}

class StepRecorder final : public calc::StepObserver {
 public:
  void Step(std::u16string_view text) override { steps.emplace_back(text); }
  std::vector<std::u16string> steps;
};

void CheckSteps(const std::u16string& text, const calc::EvaluationResult& r) {
  StepRecorder recorder;
  const calc::EvaluationResult observed = calc::EvaluateExpression(text, &recorder);
  if (observed.errorMessage != r.errorMessage || observed.resultText != r.resultText) std::abort();
  std::ptrdiff_t brackets = -1;
  for (const std::u16string& step : recorder.steps) {
    if (step.empty()) std::abort();
    const std::ptrdiff_t now = std::ranges::count(step, u'(');
    if (brackets >= 0 && now != brackets && now != brackets - 1) std::abort();
    brackets = now;
  }
  if (!r.resultText.empty() && (recorder.steps.empty() || !calc::ScanNumber(recorder.steps.back()).ok)) std::abort();
}

void CheckWorking(const std::u16string& text) {
  const std::u16string_view typed = calc::TrimControlCharacters(text);
  const calc::Presentation plain = calc::PresentCalculation(typed, {true, true});
  calc::StepList steps;
  const calc::Presentation shown = calc::PresentCalculation(typed, {true, true}, &steps);
  const std::optional<calc::Explanation> e = calc::ExplainCalculation(typed, steps.steps, shown);
  if (shown.kind != plain.kind || shown.text != plain.text) std::abort();
  if (!e) return;
  if (e->sentence.empty()) std::abort();
  if (!e->write.empty() &&
      calc::PresentCalculation(e->write, {false, false}).kind != calc::Presentation::Kind::kResult) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = ToText(data, size);
  calc::EvaluationResult r;
  try {
    r = calc::EvaluateExpression(text);
  } catch (const calc::FloatingPointOverflow&) {
    return 0;
  }
  if (!r.errorMessage.empty() && !r.resultText.empty()) std::abort();
  CheckSteps(text, r);
  CheckWorking(text);
  if (!r.resultText.empty()) {
    // A result is number text; a typed plain number comes back as typed.
    if (!calc::ScanNumber(r.resultText).ok) std::abort();
    calc::GroupThousands(r.resultText, u',');
    if (const auto shown = calc::TwoDecimals(r.resultText)) calc::GroupThousands(*shown, u',');
  }
  return 0;
}
