// SPDX-License-Identifier: MIT
#include "history.h"

namespace calc::cli {

namespace {

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t\r") == std::string_view::npos; }

}  // namespace

std::string HistoryFile(const char* state_home, const char* home) {
  std::string folder;
  // Relative paths in XDG variables are to be ignored.
  if (state_home != nullptr && state_home[0] == '/') {
    folder = state_home;
  } else if (home != nullptr && home[0] != '\0') {
    folder = std::string(home) + "/.local/state";
  } else {
    return {};
  }
  return folder + "/VarnelSoftware/Expression Calculator/cli_history";
}

std::vector<std::string> HistoryLines(std::string_view text, std::size_t limit) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!IsBlank(line)) lines.emplace_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  if (lines.size() > limit) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(limit));
  return lines;
}

std::string AppendHistoryLine(std::string_view text, std::string_view line, std::size_t limit) {
  std::vector<std::string> lines = HistoryLines(text, limit);
  if (!IsBlank(line) && line.find('\n') == std::string_view::npos && (lines.empty() || lines.back() != line)) {
    lines.emplace_back(line);
    if (lines.size() > limit) lines.erase(lines.begin());
  }
  std::string out;
  for (const std::string& kept : lines) out.append(kept).append(1, '\n');
  return out;
}

}  // namespace calc::cli
