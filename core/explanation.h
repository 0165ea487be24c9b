// SPDX-License-Identifier: MIT
// One sentence that says why a calculation came out as it did, when a rule
// of this calculator's language that an ordinary calculator lacks decided
// it, and how to write what was probably meant. Chosen from the expression
// as typed, the steps the evaluator reported and the outcome; it changes
// neither. Only a caller that collects the steps asks for it.
//
//   "10-2^2" -> "A minus sign belongs to the number after it, so -2 was
//               raised to the power; write 10-(2^2)."
//   "2pi"    -> "Values written side by side join their digits instead of
//               multiplying; write 2*pi."
//   "2+2"    -> none
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "presentation.h"

namespace calc {

struct Explanation {
  // The English sentence from the table, the key of its translation. "%1"
  // stands for `write` and "%2" for `piece`; neither is ever translated.
  std::u16string_view sentence;
  std::u16string write;  // the expression as it was probably meant
  std::u16string piece;  // the part of the working the sentence names
};

// The sentence for a calculation of the trimmed `expression` whose steps
// and outcome are given, or none when nothing in it is surprising.
std::optional<Explanation> ExplainCalculation(std::u16string_view expression, const std::vector<std::u16string>& steps,
                                              const Presentation& outcome);

// `sentence` (the English one or its translation) with its pieces filled in.
std::u16string SentenceText(std::u16string_view sentence, const Explanation& explanation);

// The English sentences, for tests and the catalogues.
std::vector<std::u16string_view> ExplanationSentences();

}  // namespace calc
