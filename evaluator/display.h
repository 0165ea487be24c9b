// SPDX-License-Identifier: MIT
// The window's two display options as pure text rules, shared by the window
// and the command-line front end. The options come in as arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace calc {

// The window's two check boxes, and the command line's -s and -d.
struct DisplayOptions {
  bool separators = false;    // GroupThousands with ','
  bool two_decimals = false;  // TwoDecimals, applied first
};

// A result text holding a '.' rewritten with exactly two decimals. nullopt
// when the text cannot be read back as a number.
std::optional<std::u16string> TwoDecimals(std::u16string_view text);

// The integer digits grouped in threes with `separator`, never directly
// after a leading minus sign.
std::u16string GroupThousands(std::u16string_view text, char16_t separator);

// The message for a result text the two-decimal display could not read.
std::u16string InvalidFloatingPointMessage(std::u16string_view text);

}  // namespace calc
