// SPDX-License-Identifier: MIT
// The window's two display options as pure text rules, shared by the window
// and the command-line front end. The options come in as arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace calc {

// With the option on, a result text holding a '.' is rewritten with exactly
// two decimals. nullopt when the text cannot be read back as a number.
std::optional<std::u16string> TwoDecimals(std::u16string_view text, bool enabled);

// With the option on, groups the integer digits in threes with `separator`,
// never directly after a leading minus sign.
std::u16string GroupThousands(std::u16string_view text, char16_t separator, bool enabled);

// The message for a result text the two-decimal display could not read.
std::u16string InvalidFloatingPointMessage(std::u16string_view text);

}  // namespace calc
