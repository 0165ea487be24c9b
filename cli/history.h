// SPDX-License-Identifier: MIT
// The command line's history on a terminal: where it is kept and how a new
// line joins it. The file holds one expression a line, oldest first, as typed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace calc::cli {

inline constexpr std::size_t kHistoryLimit = 1000;

// The history file in the user's state folder: $XDG_STATE_HOME when it is an
// absolute path, else ~/.local/state; empty when neither can be had.
//   HistoryFile("/s", "/home/a") == "/s/VarnelSoftware/Expression Calculator/cli_history"
//   HistoryFile(nullptr, "/home/a") == "/home/a/.local/state/VarnelSoftware/Expression Calculator/cli_history"
std::string HistoryFile(const char* state_home, const char* home);

// The file's lines that are not blank, the last `limit` of them.
std::vector<std::string> HistoryLines(std::string_view text, std::size_t limit = kHistoryLimit);

// The file's text once `line` is added: after the lines another session may
// have added meanwhile, not again when it repeats the last one, not at all
// when it is blank, and only the last `limit` lines kept.
//   AppendHistoryLine("1+1\n2+2\n", "2+2", 1000) == "1+1\n2+2\n"
std::string AppendHistoryLine(std::string_view text, std::string_view line, std::size_t limit = kHistoryLimit);

}  // namespace calc::cli
