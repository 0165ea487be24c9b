// SPDX-License-Identifier: MIT
// The evaluator's messages in the user's language. The evaluator and the
// command line keep their English texts; the window finds which message a
// text is, with its piece, and says it through the catalogue.
//
//   TranslateMessage(u"Division by zero.")            -> Tr(u"Division by zero.")
//   TranslateMessage(u"Number \"2A\" is invalid.")     -> Tr(u"Number \"%1\" is invalid.", u"2A")
//   TranslateMessage(u"Something else")               -> u"Something else"
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace calc {

// Every message the result line and the generic error display can show for
// a calculation, "%1" standing for its piece (a number, a character, a call).
std::span<const std::u16string_view> MessagePatterns();

std::u16string TranslateMessage(std::u16string_view english);

}  // namespace calc
