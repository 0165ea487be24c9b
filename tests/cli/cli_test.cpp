// SPDX-License-Identifier: MIT
#include "cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "calc_version.h"

namespace calc::cli {
namespace {

// What the front end did, in order: "read", "wait" (a read that would have
// waited), "out:TEXT" and "err:TEXT" for each write.
using Log = std::vector<std::string>;

// Text handed out in pieces. A piece marked `waits` is one the program
// would have had to wait for, as on a pipe fed by a slower writer.
class TextInput : public Input {
 public:
  struct Piece {
    std::string text;
    bool waits = false;
  };
  TextInput(std::vector<Piece> pieces, Log* log = nullptr, std::size_t chunk = 4096)
      : pieces_(std::move(pieces)), log_(log), chunk_(chunk) {}
  explicit TextInput(const std::string& text, std::size_t chunk = 4096) : TextInput({{text}}, nullptr, chunk) {}

  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    ++reads_;
    while (piece_ < pieces_.size() && offset_ == pieces_[piece_].text.size()) ++piece_, offset_ = 0;
    if (piece_ == pieces_.size()) return fail_at_end_ ? -1 : 0;
    if (log_) log_->push_back(pieces_[piece_].waits && offset_ == 0 ? "wait" : "read");
    const std::string& text = pieces_[piece_].text;
    const std::size_t n = std::min({size, chunk_, text.size() - offset_});
    std::copy_n(text.data() + offset_, n, buffer);
    offset_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }
  bool WouldWait() override {
    while (piece_ < pieces_.size() && offset_ == pieces_[piece_].text.size()) ++piece_, offset_ = 0;
    return piece_ < pieces_.size() && pieces_[piece_].waits && offset_ == 0;
  }
  std::string ErrorText() const override { return "Is a directory"; }

  void FailAtEnd() { fail_at_end_ = true; }
  int reads() const { return reads_; }

 private:
  std::vector<Piece> pieces_;
  Log* log_;
  std::size_t chunk_;
  std::size_t piece_ = 0;
  std::size_t offset_ = 0;
  bool fail_at_end_ = false;
  int reads_ = 0;
};

// Endless "2+2" lines, as from `yes 2+2`.
class EndlessInput : public Input {
 public:
  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    const std::size_t n = size - size % 4;
    for (std::size_t i = 0; i < n; i += 4) std::copy_n("2+2\n", 4, buffer + i);
    read_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }
  bool WouldWait() override { return false; }
  std::string ErrorText() const override { return {}; }
  std::size_t read() const { return read_; }

 private:
  std::size_t read_ = 0;
};

// Collects what is written; refuses every write once `capacity` bytes are
// taken, as a full disk or a closed pipe does.
class TextOutput : public Output {
 public:
  explicit TextOutput(std::string name = "out", Log* log = nullptr) : name_(std::move(name)), log_(log) {}
  bool Write(std::string_view bytes) override {
    ++writes_;
    if (text_.size() + bytes.size() > capacity_) return false;
    text_ += bytes;
    if (log_) log_->push_back(name_ + ":" + std::string(bytes));
    return true;
  }
  std::string ErrorText() const override { return "No space left on device"; }

  void Limit(std::size_t capacity) { capacity_ = capacity; }
  const std::string& text() const { return text_; }
  int writes() const { return writes_; }

 private:
  std::string name_;
  Log* log_;
  std::string text_;
  std::size_t capacity_ = std::string::npos;
  int writes_ = 0;
};

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome RunWith(const std::vector<std::string>& args, const std::string& input = "", std::size_t chunk = 4096) {
  TextInput in(input, chunk);
  TextOutput out;
  TextOutput err;
  const int status = cli::Run(args, in, out, err, {});
  return {status, out.text(), err.text()};
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
  EXPECT_EQ(RunWith({"--version"}).out, std::string("exprcalc-cli ") + kVersion + "\n");
}

TEST(Cli, ReadsStandardInputLineByLine) {
  const Outcome o = RunWith({}, "2+2\r\n\n1/0\n  (2 + 2) / 3  \n");
  EXPECT_EQ(o.out, "4\n\n1.33333333333333\n");
  EXPECT_EQ(o.err, "<stdin>:3: Division by zero.\n");
  EXPECT_EQ(o.status, kSomeMessage);
  EXPECT_EQ(RunWith({"-d"}, "1/3").out, "0.33\n");
}

// Each step on its own line after the mark, before the outcome and on its
// stream, so that a script can tell steps from results.
TEST(Cli, StepsGoBeforeEachOutcomeOnItsStream) {
  // The last line explains a surprising result.
  const std::string third =
      "  \u2192 1*INV(3)*3\n  \u2192 1*0.333333333333333*3\n  \u2192 0.999999999999999\n"
      "  \u2192 Each value in between is cut to 15 digits, so the last digit is off; the exact result is probably 1.\n";
  const std::string zero_steps = "  \u2192 (2+2)*INV(1+-1)\n  \u2192 4*INV(1+-1)\n  \u2192 4*INV(0)\n";
  const std::string zero = zero_steps + "Division by zero.\n";
  const Outcome o = RunWith({"--steps", "-d", "--", "1/3*3", "(2+2)/(1-1)", "  "});
  EXPECT_EQ(o.out, third + "1.00\n\n");
  EXPECT_EQ(o.err, zero);
  EXPECT_EQ(o.status, kSomeMessage);
  EXPECT_EQ(RunWith({"--steps"}, "2pi\n1/3*3\n2+2").out,
            "  \u2192 23.14159265358979\n"
            "  \u2192 Values written side by side join their digits instead of multiplying; write 2*pi.\n"
            "23.1415926535898\n" +
                third + "0.999999999999999\n  \u2192 2+2\n  \u2192 4\n4\n");

  TextInput in("1/3*3\n(2+2)/(1-1)\n1\x1b+2\n");
  TextOutput out;
  TextOutput err;
  Streams joined;
  joined.err_place = Streams::Place::kSame;
  joined.visible_controls = true;
  EXPECT_EQ(cli::Run({"--steps"}, in, out, err, joined), kSomeMessage);
  EXPECT_EQ(out.text(), third + "0.999999999999999\n" + zero_steps + "<stdin>:2: Division by zero.\n" +
                            "  \u2192 1\\x1B+2\n<stdin>:3: Invalid character \"\\x1B\".\n");
}

std::string Repeat(const std::string& text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

// A message for an argument as it reads for line `line` of standard input.
std::string ReadAs(const std::string& message, int line) {
  return message.empty() ? message : "<stdin>:" + std::to_string(line) + ": " + message;
}

// However a line arrives and however long it is, it comes out as it would
// have whole, while only its first 4,097 UTF-16 units are kept: the line
// given as an argument is the reference.
TEST(CliInput, LongLinesComeOutAsTheWholeLineWould) {
  const std::string at_limit = std::string("2").append(4093, ' ') + "+2";  // 4,096 units
  struct Case {
    const char* name;
    std::string line;
    std::string expected;  // the one output line, for a few rows
  };
  const Case cases[] = {
      {"at the limit", at_limit, "4\n"},
      {"one past the limit", at_limit + ",", "Expression too long.\n"},
      {"a million digits", std::string(1000000, '9'), "Expression too long.\n"},
      {"leading spaces", std::string(100000, ' ') + "2+2", "4\n"},
      {"leading controls", Repeat("\t\r\x01", 30000) + "2+2", "4\n"},
      {"trailing spaces and CR", "2+2" + std::string(100000, ' ') + "\r", "4\n"},
      {"at the limit, then spaces", at_limit + std::string(10000, ' '), "4\n"},
      {"at the limit, spaces, one more", at_limit + std::string(10000, ' ') + "1", "Expression too long.\n"},
      {"spaces inside past the limit", std::string("2").append(5000, ' ') + "+2", "Expression too long.\n"},
      {"NULs only", std::string(5000, '\0'), "\n"},
      {"4-byte character at the limit", "2+2" + std::string(4091, ',') + "\xf0\x9f\x98\x80", ""},
      {"4-byte character past it", "2+2" + std::string(4092, ',') + "\xf0\x9f\x98\x80", "Expression too long.\n"},
      {"3-byte character at the limit", "2+2" + std::string(4092, ',') + "\xe2\x82\xac", ""},
      {"malformed far out", std::string(100000, '1') + "\xff", "The expression is not valid UTF-8 text.\n"},
      {"cut sequence at the end", std::string(5000, '1') + "\xe2\x82", "The expression is not valid UTF-8 text.\n"},
      {"cut sequence after spaces", std::string(10000, ' ') + "\xc3", "The expression is not valid UTF-8 text.\n"},
      {"surrogate", std::string(5000, '1') + "\xed\xa0\x80" + "1", "The expression is not valid UTF-8 text.\n"},
      {"overlong", std::string(5000, ' ') + "\xc0\xaf", "The expression is not valid UTF-8 text.\n"},
      {"beyond U+10FFFF", std::string(5000, '1') + "\xf4\x90\x80\x80", "The expression is not valid UTF-8 text.\n"},
  };
  for (const Case& c : cases) {
    const Outcome whole = RunWith({"--", c.line, "1+1"});
    if (!c.expected.empty()) {
      const Outcome alone = RunWith({"--", c.line});
      EXPECT_EQ(alone.out + alone.err, c.expected) << c.name;
    }
    for (const std::size_t chunk : {1u, 7u, 4096u, 1u << 20}) {
      if (chunk == 1 && c.line.size() > 20000) continue;
      const Outcome read = RunWith({}, c.line + "\n1+1\n", chunk);
      EXPECT_EQ(read.out, whole.out) << c.name << ", read " << chunk << " bytes at a time";
      EXPECT_EQ(read.err, ReadAs(whole.err, 1)) << c.name << ", read " << chunk << " bytes at a time";
      EXPECT_EQ(read.status, whole.status) << c.name;
      const Outcome last = RunWith({}, "1+1\n" + c.line, chunk);  // no line end before the end of the input
      const Outcome last_whole = RunWith({"--", "1+1", c.line});
      EXPECT_EQ(last.out + last.err, last_whole.out + ReadAs(last_whole.err, 2)) << c.name << ", last line, " << chunk;
    }
  }
}

// Results and messages reach their streams before the program waits for
// input, and otherwise in blocks; a terminal gets each line as it is made.
TEST(CliOutput, WrittenBeforeEachWaitAndInBlocksElsewhere) {
  Streams separate;
  Streams joined;
  joined.err_place = Streams::Place::kSame;
  Streams unknown;
  unknown.err_place = Streams::Place::kUnknown;
  Streams terminal;
  terminal.out_each_line = terminal.err_each_line = true;
  terminal.err_place = Streams::Place::kSame;
  Streams typing = terminal;
  typing.prompt = true;
  const std::string zero2 = "<stdin>:2: Division by zero.\n";
  const std::string zero4 = "<stdin>:4: Division by zero.\n";
  struct Case {
    const char* name;
    Streams streams;
    Log log;
  };
  const Case cases[] = {
      {"file or pipe", separate, {"read", "out:4\n6\n", "err:" + zero2 + zero4, "wait", "read", "out:9\n16\n"}},
      {"both to one file or pipe", joined, {"read", "out:4\n" + zero2 + "6\n" + zero4, "wait", "read", "out:9\n16\n"}},
      {"perhaps both to one pipe",
       unknown,
       {"read", "out:4\n", "err:" + zero2, "out:6\n", "err:" + zero4, "wait", "read", "out:9\n16\n"}},
      {"terminal",
       terminal,
       {"read", "out:4\n", "out:" + zero2, "out:6\n", "out:" + zero4, "wait", "out:9\n", "read", "out:16\n"}},
      {"typed on a terminal",
       typing,
       {"out:> ", "read", "out:4\n", "out:> ", "out:" + zero2, "out:> ", "out:6\n", "out:> ", "out:" + zero4, "out:> ",
        "wait", "out:9\n", "out:> ", "read", "out:16\n", "out:> ", "out:\n"}},
  };
  for (const Case& c : cases) {
    Log log;
    TextInput in({{"2+2\n1/0\n3+3\n1/0\n"}, {"3*3\n", true}, {"4*4\n"}}, &log);
    TextOutput out("out", &log);
    TextOutput err("err", &log);
    EXPECT_EQ(cli::Run({}, in, out, err, c.streams), kSomeMessage) << c.name;
    EXPECT_EQ(log, c.log) << c.name;
  }
}

TEST(CliOutput, ManyLinesTakeFewWrites) {
  const std::size_t lines = 100000;
  TextInput in(Repeat("1+1\n", lines), 1 << 16);
  TextOutput out;
  TextOutput err;
  EXPECT_EQ(cli::Run({}, in, out, err, {}), kAllGood);
  EXPECT_EQ(out.text(), Repeat("2\n", lines));
  EXPECT_LE(out.writes(), 4);
}

TEST(CliErrors, LostOutputIsOneMessageAndItsOwnStatus) {
  const std::string lost = "exprcalc-cli: write error: No space left on device\n";
  {
    TextInput in("");
    TextOutput out;
    TextOutput err;
    out.Limit(0);
    EXPECT_EQ(cli::Run({"--", "2+2", "1/0"}, in, out, err, {}), kWriteError);
    EXPECT_EQ(err.text(), "Division by zero.\n" + lost);
  }
  {
    TextInput in("");
    TextOutput out;
    TextOutput err;
    out.Limit(0);
    EXPECT_EQ(cli::Run({"--help"}, in, out, err, {}), kWriteError);
    EXPECT_EQ(err.text(), lost);
  }
  {
    // Messages lost: the results still arrive.
    TextInput in("1/0\n2+2\n");
    TextOutput out;
    TextOutput err;
    err.Limit(0);
    EXPECT_EQ(cli::Run({}, in, out, err, {}), kWriteError);
    EXPECT_EQ(out.text(), "4\n");
  }
  {
    // An endless input stops at the first refused write, as at a closed pipe.
    EndlessInput in;
    TextOutput out;
    TextOutput err;
    out.Limit(100000);
    EXPECT_EQ(cli::Run({}, in, out, err, {}), kWriteError);
    EXPECT_EQ(err.text(), lost);
    EXPECT_LT(in.read(), 1000000u);
  }
}

TEST(CliErrors, UnreadableInputIsAMessageAfterTheLinesReadBefore) {
  for (const Streams::Place place : {Streams::Place::kApart, Streams::Place::kSame, Streams::Place::kUnknown}) {
    TextInput in("2+2\n1/0\n1+");
    in.FailAtEnd();
    TextOutput out;
    TextOutput err;
    Streams streams;
    streams.err_place = place;
    EXPECT_EQ(cli::Run({}, in, out, err, streams), kReadError);
    EXPECT_EQ(out.text() + err.text(), "4\n<stdin>:2: Division by zero.\nexprcalc-cli: read error: Is a directory\n")
        << static_cast<int>(place);
  }
}

TEST(Cli, InvalidUtf8IsAMessageNotACrash) {
  for (const std::string bad : {"\xff", "2+\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80"}) {
    const Outcome o = RunWith({"--", bad});
    EXPECT_EQ(o.status, kSomeMessage);
    EXPECT_EQ(o.err, "The expression is not valid UTF-8 text.\n");
  }
  EXPECT_EQ(RunWith({"--", "2\xc3\xa9"}).err, "Invalid character \"\xc3\xa9\".\n");
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
  TextInput in("");
  TextOutput out;
  TextOutput err;
  Streams terminal;
  terminal.visible_controls = true;
  EXPECT_EQ(cli::Run({"--", "1\x1b+2", "2\xc2\x9b"}, in, out, err, terminal), kSomeMessage);
  EXPECT_EQ(err.text(), "Invalid character \"\\x1B\".\nInvalid character \"\\x9B\".\n");
  TextOutput usage;
  EXPECT_EQ(cli::Run({"-\x1b"}, in, out, usage, terminal), kUsageError);
  EXPECT_NE(usage.text().find("'-\\x1B'"), std::string::npos) << usage.text();
  // Through a pipe the message carries the character as typed.
  EXPECT_EQ(RunWith({"--", "1\x1b+2"}).err, "Invalid character \"\x1b\".\n");
}

// Files by name, as -f opens them: a name missing from the table cannot be
// opened, and "unreadable" opens but fails at its first read.
class TextFiles : public Files {
 public:
  explicit TextFiles(std::vector<std::pair<std::string, std::string>> files) : files_(std::move(files)) {}
  std::unique_ptr<Input> Open(const std::string& name, std::string& why) override {
    for (const auto& [file, text] : files_) {
      if (file != name) continue;
      auto input = std::make_unique<TextInput>(text);
      if (name == "unreadable") input->FailAtEnd();
      return input;
    }
    why = "No such file or directory";
    return nullptr;
  }
  bool IsFile(const std::string& name) override {
    return std::any_of(files_.begin(), files_.end(), [&](const auto& file) { return file.first == name; });
  }

 private:
  std::vector<std::pair<std::string, std::string>> files_;
};

// A message for a line read from a file or standard input names where it
// came from; -f reads files in the order given.
TEST(CliSources, MessagesForLinesReadNameTheirFileAndLine) {
  TextFiles files({{"a.txt", "2+2\n1/0\n"},
                   {"b.txt", "1234.5\n\nsqrt(-1)"},
                   {"unreadable", ""},
                   {"exprs.txt", "2+2\n"},
                   {"x.csv", ""},
                   {"e\x1b", "1/0\n"}});
  Streams terminal;
  terminal.visible_controls = true;
  const std::string a_err = "a.txt:2: Division by zero.\n";
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string out;
    std::string err;
    int status;
    Streams streams = {};
  };
  const Case cases[] = {
      {{}, "2+2\n1/0\n", "4\n", "<stdin>:2: Division by zero.\n", kSomeMessage},
      {{"-f", "a.txt"}, "", "4\n", a_err, kSomeMessage},
      {{"-fa.txt"}, "", "4\n", a_err, kSomeMessage},
      {{"--file=a.txt"}, "", "4\n", a_err, kSomeMessage},
      {{"--file", "a.txt"}, "", "4\n", a_err, kSomeMessage},
      {{"-sdf", "b.txt"}, "", "1,234.50\n\n", "b.txt:3: Cannot find root of a -ve no.\n", kSomeMessage},
      {{"-f", "a.txt", "-f", "-"}, "1/0\n2", "4\n2\n", a_err + "<stdin>:1: Division by zero.\n", kSomeMessage},
      {{"--steps", "-f", "a.txt"}, "", "  \u2192 2+2\n  \u2192 4\n4\n", "  \u2192 1*INV(0)\n" + a_err, kSomeMessage},
      {{"-f", "e\x1b"}, "", "", "e\\x1B:1: Division by zero.\n", kSomeMessage, terminal},
      {{"-f", "a.txt", "-f", "missing"},
       "",
       "4\n",
       a_err + "exprcalc-cli: missing: No such file or directory\n",
       kReadError},
      {{"-f", "unreadable"}, "", "", "exprcalc-cli: unreadable: Is a directory\n", kReadError},
      {{"--", "1/0", "2+2"}, "", "4\n", "Division by zero.\n", kSomeMessage},
      // A file's name as an expression: a hint when it gives "Invalid input".
      {{"exprs.txt", "notes.txt", "x.csv"},
       "",
       "",
       "Invalid input\nexprcalc-cli: 'exprs.txt' is a file: use -f to evaluate its lines\nInvalid input\n"
       "Invalid expression syntax.\n",
       kSomeMessage},
      {{"-f"}, "", "", "exprcalc-cli: option '-f' needs a file name\nTry 'exprcalc-cli --help'.\n", kUsageError},
      {{"-sf"}, "", "", "exprcalc-cli: option '-sf' needs a file name\nTry 'exprcalc-cli --help'.\n", kUsageError},
      {{"-f", "a.txt", "1+1"},
       "",
       "",
       "exprcalc-cli: give expressions or -f FILE, not both\nTry 'exprcalc-cli --help'.\n",
       kUsageError},
  };
  for (const Case& c : cases) {
    const std::string name = testing::PrintToString(c.args);
    TextInput in(c.input);
    TextOutput out;
    TextOutput err;
    EXPECT_EQ(cli::Run(c.args, in, out, err, c.streams, &files), c.status) << name;
    EXPECT_EQ(out.text(), c.out) << name;
    EXPECT_EQ(err.text(), c.err) << name;
  }
}

// The help names the whole language in a few lines of a narrow terminal,
// and where the rest is.
TEST(Cli, HelpNamesTheLanguageAndTheManualPage) {
  const std::string help = RunWith({"--help"}).out;
  for (const char* word : {"+ - * x / ^", " pi ", "INV", "EXP", "SQR", "SQRT", "SIN", "COS", "TAN", "ARCSIN", "ARCCOS",
                           "ARCTAN", "LOG", "LN", "FACT", "degrees", "-f, --file=FILE", "exprcalc-cli(1)"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
  std::u16string text;
  ASSERT_TRUE(DecodeUtf8(help, text));
  std::size_t column = 0;
  for (const char16_t c : text) {
    column = c == u'\n' ? 0 : column + 1;
    EXPECT_LE(column, 79u) << help;
  }
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
