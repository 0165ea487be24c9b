// SPDX-License-Identifier: MIT
#include "history.h"

#include <gtest/gtest.h>

#include <string>

namespace calc::cli {
namespace {

TEST(History, KeptInTheUsersStateFolder) {
  const std::string tail = "/VarnelSoftware/Expression Calculator/cli_history";
  struct Case {
    const char* name;
    const char* state_home;
    const char* home;
    std::string file;
  };
  const Case cases[] = {
      {"XDG_STATE_HOME", "/s/state", "/home/a", "/s/state" + tail},
      {"no XDG_STATE_HOME", nullptr, "/home/a", "/home/a/.local/state" + tail},
      {"empty XDG_STATE_HOME", "", "/home/a", "/home/a/.local/state" + tail},
      {"relative XDG_STATE_HOME is ignored", "state", "/home/a", "/home/a/.local/state" + tail},
      {"neither", nullptr, nullptr, ""},
      {"empty HOME", nullptr, "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(HistoryFile(c.state_home, c.home), c.file) << c.name;
}

TEST(History, ANewLineJoinsTheFile) {
  struct Case {
    const char* name;
    std::string text;
    std::string line;
    std::size_t limit;
    std::string joined;
  };
  const Case cases[] = {
      {"first line", "", "6*7", 1000, "6*7\n"},
      {"after another session's lines", "1+1\n2+2\n", "6*7", 1000, "1+1\n2+2\n6*7\n"},
      {"file without a last line end", "1+1", "6*7", 1000, "1+1\n6*7\n"},
      {"the last line again", "6*7\n1+1\n", "1+1", 1000, "6*7\n1+1\n"},
      {"an older line again", "6*7\n1+1\n", "6*7", 1000, "6*7\n1+1\n6*7\n"},
      {"blank line", "1+1\n", "  \t", 1000, "1+1\n"},
      {"blank and CR LF lines in the file dropped", "1+1\r\n\n  \n2+2\n", "3", 1000, "1+1\n2+2\n3\n"},
      {"the oldest goes at the limit", "1\n2\n3\n", "4", 3, "2\n3\n4\n"},
      {"a longer file cut to the limit", "1\n2\n3\n4\n5\n", "6", 3, "4\n5\n6\n"},
      {"spaces kept as typed", "", " sqrt( 16 ) ", 1000, " sqrt( 16 ) \n"},
  };
  for (const Case& c : cases) EXPECT_EQ(AppendHistoryLine(c.text, c.line, c.limit), c.joined) << c.name;
}

TEST(History, AtMostAThousandLines) {
  std::string text;
  for (int i = 0; i < 1500; ++i) text += std::to_string(i) + "\n";
  const std::vector<std::string> lines = HistoryLines(AppendHistoryLine(text, "x"));
  ASSERT_EQ(lines.size(), 1000u);
  EXPECT_EQ(lines.front(), "501");
  EXPECT_EQ(lines.back(), "x");
}

}  // namespace
}  // namespace calc::cli
