// SPDX-License-Identifier: MIT
// The command-line front end: evaluates expressions given as arguments or
// read line by line, one output line per expression.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "utf.h"

namespace calc::cli {

// Exit statuses.
inline constexpr int kAllGood = 0;
inline constexpr int kSomeMessage = 1;
inline constexpr int kUsageError = 2;

// Runs the front end on the arguments after the program name. `interactive`
// asks for a prompt before each line read from `in`; `err_is_terminal` shows
// control characters inside messages visibly (see ShowControlCharacters).
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err, bool interactive,
        bool err_is_terminal = false);

// With `visible`, each control character other than TAB (U+0000-U+001F,
// U+007F and the C1 controls U+0080-U+009F) is written as \xHH, so that a
// typed escape sequence cannot drive the user's terminal: "1\x1B+2". Without
// it the text is returned byte for byte, as pipes and files get it. Works on
// UTF-8 and leaves the bytes of malformed sequences alone.
std::string ShowControlCharacters(std::string_view utf8, bool visible);

// The text conversions the front end reads and writes with.
using calc::DecodeUtf8;
using calc::EncodeUtf8;
// The length of `text` without a UTF-8 sequence cut short at its end, so a
// writer can hold those bytes back until the rest arrives.
std::size_t CompleteUtf8Prefix(std::string_view text);

}  // namespace calc::cli
