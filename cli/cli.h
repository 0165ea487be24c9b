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
// asks for a prompt before each line read from `in`.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err, bool interactive);

// The text conversions the front end reads and writes with.
using calc::DecodeUtf8;
using calc::EncodeUtf8;

}  // namespace calc::cli
