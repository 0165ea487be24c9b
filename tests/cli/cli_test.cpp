// SPDX-License-Identifier: MIT
#include "cli.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace calc::cli {
namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome RunWith(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  const int status = Run(args, in, out, err, false);
  return {status, out.str(), err.str()};
}

std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size() && (field[i + 1] == 't' || field[i + 1] == '\\')) {
      out += field[i + 1] == 't' ? '\t' : '\\';
      ++i;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Every typed example with its exact expected line.
TEST(Cli, TypedExamplesComeOutExactly) {
  std::ifstream table(EXAMPLES_FILE);
  ASSERT_TRUE(table) << EXAMPLES_FILE;
  std::string line;
  std::getline(table, line);  // header
  int rows = 0;
  while (std::getline(table, line)) {
    if (line.empty()) continue;
    std::vector<std::string> f = SplitTabs(line);
    f.resize(4);
    std::vector<std::string> args;
    std::istringstream options(f[0]);
    for (std::string o; options >> o;) args.push_back(o);
    args.push_back("--");
    const std::string expression = Unescape(f[1]);
    args.push_back(expression);
    const Outcome o = RunWith(args);
    const std::string expected = Unescape(f[3]) + "\n";
    if (f[2] == "out") {
      EXPECT_EQ(o.out, expected) << "row " << rows + 2 << ": " << expression.substr(0, 80);
      EXPECT_EQ(o.err, "") << expression.substr(0, 80);
    } else {
      EXPECT_EQ(o.err, expected) << "row " << rows + 2 << ": " << expression.substr(0, 80);
      EXPECT_EQ(o.out, "") << expression.substr(0, 80);
    }
    ++rows;
  }
  EXPECT_EQ(rows, 311);
}

TEST(Cli, OneLinePerExpressionOnItsStreamAndTheExitStatus) {
  const Outcome o = RunWith({"--", "2+3*4", "1E5*1E4", "1E9", "0.000", "2^3^2", "-2^2", "2E*3", "1E3001*1", "1E5000"});
  EXPECT_EQ(o.out, "14\n1000000000\n1E9\n0.000\n64\n2\n");
  EXPECT_EQ(o.err, "Cannot raise negative no.\n1E3001 magnitude too large. \nFloating point overflow.\n");
  EXPECT_EQ(o.status, kSomeMessage);
}

TEST(Cli, DisplayOptions) {
  const Outcome o =
      RunWith({"-s", "-d", "--", "(2 + 2) / 3", "1234.5678", "2 * sqrt(16) + sin(30)^2", "2/1,000", "1/0", "sin(-30)"});
  EXPECT_EQ(o.out, "1.33\n1,234.57\n8.25\n0.00\n-0.50\n");
  EXPECT_EQ(o.err, "Division by zero.\n");
  EXPECT_EQ(RunWith({"-sd", "1234.5678"}).out, "1,234.57\n");
  EXPECT_EQ(RunWith({"--separators", "--two-decimals", "1234.5678"}).out, "1,234.57\n");
}

TEST(Cli, ExitStatuses) {
  EXPECT_EQ(RunWith({"1+1", "  "}).status, kAllGood);
  EXPECT_EQ(RunWith({"1+1", "  "}).out, "2\n\n");
  EXPECT_EQ(RunWith({"1/0"}).status, kSomeMessage);
  const Outcome unknown = RunWith({"-5+3"});
  EXPECT_EQ(unknown.status, kUsageError);
  EXPECT_NE(unknown.err.find("--"), std::string::npos);
  EXPECT_EQ(RunWith({"--", "-5+3"}).out, "-2\n");
  EXPECT_EQ(RunWith({"--help"}).status, kAllGood);
  EXPECT_NE(RunWith({"-h"}).out.find("Usage"), std::string::npos);
  EXPECT_EQ(RunWith({"--version"}).out, "exprcalc-cli 1.21\n");
}

TEST(Cli, ReadsStandardInputLineByLine) {
  const Outcome o = RunWith({}, "2+2\r\n\n1/0\n  (2 + 2) / 3  \n");
  EXPECT_EQ(o.out, "4\n\n1.33333333333333\n");
  EXPECT_EQ(o.err, "Division by zero.\n");
  EXPECT_EQ(o.status, kSomeMessage);
  EXPECT_EQ(RunWith({"-d"}, "1/3").out, "0.33\n");
}

TEST(Cli, InvalidUtf8IsAMessageNotACrash) {
  for (const std::string bad : {"\xff", "2+\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80"}) {
    const Outcome o = RunWith({"--", bad});
    EXPECT_EQ(o.status, kSomeMessage);
    EXPECT_EQ(o.err, "The expression is not valid UTF-8 text.\n");
  }
  EXPECT_EQ(RunWith({"--", "2\xc3\xa9"}).err, "Invalid character \"\xc3\xa9\".\n");
}

TEST(Cli, Utf8RoundTrip) {
  const std::string text = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";
  const auto decoded = DecodeUtf8(text);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->size(), 5u);
  EXPECT_EQ(EncodeUtf8(*decoded), text);
  EXPECT_EQ(EncodeUtf8(u"\xd800"), "\xef\xbf\xbd");
}

TEST(Cli, CompleteUtf8PrefixHoldsBackACutCharacter) {
  struct Case {
    const char* text;
    std::size_t whole;
  };
  const Case cases[] = {
      {"", 0},
      {"abc", 3},
      {"a\xc3", 1},
      {"a\xc3\xa9", 3},
      {"\xe2\x82", 0},
      {"1\xe2\x82\xac", 4},
      {"\xf0\x9f\x98", 0},
      {"\xf0\x9f\x98\x80", 4},
      {"\x80\x80\x80\x80\x80", 5},  // no lead byte in reach: malformed, passed on
      {"a\xff", 2},
  };
  for (const Case& c : cases) EXPECT_EQ(CompleteUtf8Prefix(c.text), c.whole) << testing::PrintToString(c.text);
}

TEST(Cli, ControlCharactersShowVisiblyOnlyOnATerminal) {
  struct Case {
    const char* name;
    std::string text;
    bool visible;
    std::string shown;
  };
  const Case cases[] = {
      {"escape", "1\x1b+2", true, "1\\x1B+2"},
      {"escape to a pipe", "1\x1b+2", false, "1\x1b+2"},
      {"tab stays", "a\tb", true, "a\tb"},
      {"NUL", std::string("a\0b", 3), true, "a\\x00b"},
      {"CR LF and BEL", "\r\n\a", true, "\\x0D\\x0A\\x07"},
      {"DEL", "\x7f", true, "\\x7F"},
      {"first C1 (U+0080)", "\xc2\x80", true, "\\x80"},
      {"CSI (U+009B)", "x\xc2\x9b", true, "x\\x9B"},
      {"C1 to a file", "\xc2\x9b", false, "\xc2\x9b"},
      {"no-break space is no control", "\xc2\xa0\xc3\xa9", true, "\xc2\xa0\xc3\xa9"},
      {"malformed bytes stay", "\xc2", true, "\xc2"},
      {"lead byte before ASCII",
       "\xc2"
       "A\x1b",
       true,
       "\xc2"
       "A\\x1B"},
      {"backslash stays", "\\x1B", true, "\\x1B"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShowControlCharacters(c.text, c.visible), c.shown) << c.name;
}

TEST(Cli, MessagesOnATerminalShowControlCharacters) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(calc::cli::Run({"--", "1\x1b+2", "2\xc2\x9b"}, in, out, err, false, true), kSomeMessage);
  EXPECT_EQ(err.str(), "Invalid character \"\\x1B\".\nInvalid character \"\\x9B\".\n");
  std::ostringstream usage;
  EXPECT_EQ(calc::cli::Run({"-\x1b"}, in, out, usage, false, true), kUsageError);
  EXPECT_NE(usage.str().find("'-\\x1B'"), std::string::npos) << usage.str();
  // Through a pipe the message carries the character as typed.
  EXPECT_EQ(RunWith({"--", "1\x1b+2"}).err, "Invalid character \"\x1b\".\n");
}

// The real executable, through a pipe, as a user runs it.
#ifdef _WIN32
// Through cmd.exe: the arguments reach wmain as UTF-16 and the output comes
// back as UTF-8 bytes with bare LF line ends, as on Linux.
TEST(Cli, ExecutableContract) {
  std::wstring executable;
  for (const char c : std::string(CLI_EXECUTABLE)) executable += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  // cmd /c drops the outer pair of quotes.
  const std::wstring command = L"\"\"" + executable + L"\" -- 2+3 1/0 2\u00E9 -1 2>&1\"";
  FILE* pipe = _wpopen(command.c_str(), L"rb");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = _pclose(pipe);
  EXPECT_EQ(output, "5\nDivision by zero.\nInvalid character \"\xc3\xa9\".\n-1\n");
  EXPECT_EQ(status, kSomeMessage);
}
#else
TEST(Cli, ExecutableContract) {
  const std::string command = std::string("'") + CLI_EXECUTABLE + "' -- '2+3' '1/0' 2>&1; echo \"status $?\"";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
  pclose(pipe);
  EXPECT_EQ(output, "5\nDivision by zero.\nstatus 1\n");
}
#endif

}  // namespace
}  // namespace calc::cli
