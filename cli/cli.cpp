// SPDX-License-Identifier: MIT
#include "cli.h"

#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "calc_version.h"
#include "calcexpr.h"
#include "explanation.h"
#include "presentation.h"

namespace calc::cli {

std::size_t CompleteUtf8Prefix(std::string_view text) {
  // A character is at most four bytes: decode from the last lead byte.
  const std::size_t size = text.size();
  for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
    if ((static_cast<unsigned char>(text[size - back]) & 0xC0) == 0x80) continue;  // continuation byte
    Utf8Decoder decoder;
    for (const char c : text.substr(size - back)) decoder.Feed(c);
    return decoder.idle() ? size : size - back;
  }
  return size;
}

std::string ShowControlCharacters(std::string_view utf8, bool visible) {
  if (!visible) return std::string(utf8);
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  const auto escape = [&](unsigned code) {
    out += "\\x";
    out += kHex[code >> 4];
    out += kHex[code & 0xF];
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if ((b < 0x20 && b != '\t') || b == 0x7F) {
      escape(b);
    } else if (b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      escape(static_cast<unsigned char>(utf8[++i]));  // C1: U+0080-U+009F is C2 80-C2 9F
    } else {
      out += utf8[i];
    }
  }
  return out;
}

namespace {

constexpr std::string_view kUsage =
    "Usage: exprcalc-cli [OPTIONS] [--] [EXPRESSION ...]\n"
    "       exprcalc-cli [OPTIONS] -f FILE [-f FILE ...]\n"
    "Evaluates each EXPRESSION; with none, reads expressions line by line from\n"
    "standard input, with line editing and history on a terminal.\n"
    "Results go to standard output, messages to standard error; a message for a\n"
    "line read starts with FILE:LINE: or <stdin>:LINE:.\n"
    "\n"
    "  -f, --file=FILE      read expressions from FILE, one a line (- for standard\n"
    "                       input); may be given more than once\n"
    "  -s, --separators     group the integer digits with commas (1,234)\n"
    "  -d, --two-decimals   show results with a point with two decimals\n"
    "      --steps          before each result or message, the steps that led to\n"
    "                       it, one a line after \"  \u2192 \" on the same stream,\n"
    "                       and last a sentence when a rule of the language\n"
    "                       explains a surprising result\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "  --                   end of options (for expressions starting with '-')\n"
    "\n"
    "Expressions: numbers (1.5, 2E-3), + - * x / ^, brackets, the constant pi and\n"
    "the functions INV EXP SQR SQRT SIN COS TAN ARCSIN ARCCOS ARCTAN LOG LN FACT,\n"
    "angles in degrees, in any letter case: 2 * sqrt(16) + sin(30)^2\n"
    "\n"
    "Exit status: 0 when every expression gave a result or nothing, 1 when any\n"
    "gave a message, 2 for a usage error, 3 when output could not be written,\n"
    "4 when an input could not be read.\n"
    "\n"
    "More in the manual page exprcalc-cli(1): man exprcalc-cli\n";

// Output is written in blocks of about this size.
constexpr std::size_t kBlockSize = 64 * 1024;

// A line of up to this many bytes cannot hold more UTF-16 units than the
// evaluator looks at, plus one, so it is passed on whole.
constexpr std::size_t kShortLine = kMaxInputLength + 1;

struct Options {
  DisplayOptions display;
  bool steps = false;
};

// The two output streams' buffers. Each is written when full, when the
// program is about to wait for input, at the end, and after every line for a
// terminal. The first failed write ends the run.
class Sinks {
 public:
  Sinks(Output& out, Output& err, const Streams& streams) : out_(out), err_(err), streams_(streams) {
    out_text_.reserve(kBlockSize + 256);
  }

  std::string& out() { return out_text_; }
  // Messages join the results' buffer when both go to the same place, so a
  // file or pipe gets them in the order they were made.
  std::string& err() { return joined() ? out_text_ : err_text_; }

  bool ResultDone() { return WriteIfDue(out_, out_text_, streams_.out_each_line); }
  bool MessageDone() {
    if (joined()) return WriteIfDue(out_, out_text_, streams_.err_each_line);
    if (streams_.err_place == Streams::Place::kUnknown) return Flush();
    return WriteIfDue(err_, err_text_, streams_.err_each_line);
  }
  bool Flush() { return Write(out_, out_text_) && Write(err_, err_text_); }

  // Tells why output was lost, on standard error if it still can, after
  // writing what the other stream holds.
  int ReportWriteError() {
    Output* failed = failed_;
    const std::string why = failed->ErrorText();
    failed_ = nullptr;
    if (failed == &out_) {
      Write(err_, err_text_);
    } else {
      Write(out_, out_text_);
    }
    err_.Write("exprcalc-cli: write error: " + why + "\n");
    return kWriteError;
  }

 private:
  bool Write(Output& output, std::string& text) {
    if (failed_ != nullptr) return false;
    if (text.empty()) return true;
    const bool written = output.Write(text);
    text.clear();
    if (!written) failed_ = &output;
    return written;
  }

  bool WriteIfDue(Output& output, std::string& text, bool each_line) {
    return text.size() < kBlockSize && !each_line ? true : Write(output, text);
  }
  bool joined() const { return streams_.err_place == Streams::Place::kSame; }

  Output& out_;
  Output& err_;
  const Streams& streams_;
  std::string out_text_;
  std::string err_text_;
  Output* failed_ = nullptr;
};

// A line too long to be passed on whole. Keeps what the length rule looks
// at: the characters from the first one above U+0020 up to the 4,096th UTF-16
// unit, and one more when a character above U+0020 follows (the evaluator
// then refuses the line as too long). The rest is only checked to be UTF-8,
// as the whole line would have been.
class LongLine {
 public:
  void Reset() {
    kept_.clear();
    units_ = 0;
    started_ = skipping_controls_ = full_ = malformed_ = false;
    decoder_ = {};
  }

  void Feed(std::string_view bytes) {
    for (const char c : bytes) {
      if (malformed_) return;
      const Utf8Decoder::Step step = decoder_.Feed(c);
      if (step == Utf8Decoder::Step::kCharacter) {
        Take(decoder_.character());
      } else if (step != Utf8Decoder::Step::kMore) {
        malformed_ = true;
      }
    }
  }

  // False when the line is not UTF-8 (a sequence cut short at its end too).
  bool Finish() { return !malformed_ && decoder_.idle(); }
  std::string_view kept() const { return kept_; }

 private:
  void Take(char32_t code) {
    if (full_) return;
    if (!started_) {
      if (code <= 0x20) return;
      started_ = true;
    }
    const std::size_t units = code >= 0x10000 ? 2 : 1;
    if (skipping_controls_ || units_ + units > kMaxInputLength) {
      // Controls past the limit matter only if something follows them.
      if (code <= 0x20) {
        skipping_controls_ = true;
        return;
      }
      full_ = true;
    }
    calc::AppendUtf8(code, kept_);  // the same bytes: a decoded character has one form
    units_ += units;
  }

  std::string kept_;
  std::size_t units_ = 0;
  bool started_ = false;
  bool skipping_controls_ = false;
  bool full_ = false;
  bool malformed_ = false;
  Utf8Decoder decoder_;
};

// Splits the input into lines without ever holding more than a block of it
// and what the length rule looks at of one line.
class LineReader {
 public:
  enum class Status { kLine, kEnd, kReadFailed, kWriteFailed };

  // `before_wait` runs before a read that would wait; false stops reading.
  LineReader(Input& in, std::function<bool()> before_wait)
      : in_(in), before_wait_(std::move(before_wait)), buffer_(std::make_unique<char[]>(kBlockSize)) {}

  Status Next() {
    malformed_ = false;
    bool long_line = false;
    while (true) {
      const char* start = buffer_.get() + begin_;
      const std::size_t size = end_ - begin_;
      if (const void* found = std::memchr(start, '\n', size)) {
        const auto length = static_cast<std::size_t>(static_cast<const char*>(found) - start);
        begin_ += length + 1;
        return EndLine({start, length}, long_line);
      }
      if (!long_line && size > kShortLine) {
        long_line = true;
        long_.Reset();
      }
      SetAside({start, size}, long_line);
      if (ended_) return long_line ? FinishLongLine() : LastLine();
      if (const std::optional<Status> failed = Fill()) return *failed;
    }
  }

  // The line's bytes (without the line end), valid until the next call.
  std::string_view line() const { return line_; }
  // True when the line is not UTF-8, for a line too long to be kept whole.
  bool malformed() const { return malformed_; }

 private:
  Status FinishLongLine() {
    malformed_ = !long_.Finish();
    line_ = long_.kept();
    return Status::kLine;
  }

  // A line up to its line end: passed on whole when short enough.
  Status EndLine(std::string_view bytes, bool long_line) {
    if (!long_line && bytes.size() <= kShortLine) {
      line_ = bytes;
      return Status::kLine;
    }
    if (!long_line) long_.Reset();
    long_.Feed(bytes);
    return FinishLongLine();
  }

  // The block's bytes without a line end: fed to the long line, or moved to
  // the front of the buffer for the rest of their line to follow.
  void SetAside(std::string_view rest, bool long_line) {
    if (long_line) {
      long_.Feed(rest);
      begin_ = end_ = 0;
    } else if (begin_ > 0) {
      std::memmove(buffer_.get(), rest.data(), rest.size());
      begin_ = 0;
      end_ = rest.size();
    }
  }

  // The input's last line, which has no line end.
  Status LastLine() {
    if (end_ == 0) return Status::kEnd;
    line_ = {buffer_.get(), end_};
    begin_ = end_ = 0;
    return Status::kLine;
  }

  // Reads more after the bytes held; the failure, if any.
  std::optional<Status> Fill() {
    if (in_.WouldWait() && !before_wait_()) return Status::kWriteFailed;
    const std::ptrdiff_t got = in_.Read(buffer_.get() + end_, kBlockSize - end_);
    if (got < 0) return Status::kReadFailed;
    if (got == 0) ended_ = true;
    end_ += static_cast<std::size_t>(got);
    return std::nullopt;
  }

  Input& in_;
  std::function<bool()> before_wait_;
  std::unique_ptr<char[]> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
  std::string_view line_;
  bool malformed_ = false;
  LongLine long_;
};

// Appends UTF-16 text as UTF-8; results are ASCII, so that is the short way.
void AppendUtf8(std::u16string_view text, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + text.size());
  char* to = out.data() + start;
  for (const char16_t c : text) {
    if (c >= 0x80) {
      out.resize(start);
      out += EncodeUtf8(text);
      return;
    }
    *to++ = static_cast<char>(c);
  }
}

// Decodes a line into `out`; false when it is not UTF-8. Lines are nearly
// always ASCII, which widens unit by unit.
bool DecodeLine(std::string_view utf8, std::u16string& out) {
  out.resize(utf8.size());
  char16_t* to = out.data();
  for (const char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80) return DecodeUtf8(utf8, out);
    *to++ = static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  return true;
}

// Where a line was read: a message for it starts with "NAME:LINE: ", as GNU
// tools write it, so a bad line among many can be found.
struct Origin {
  std::string_view name;  // as shown: "<stdin>" or the file's name
  std::size_t line = 0;   // 1 for the first line
};

// Evaluates the lines one by one into the sinks, reusing its buffers.
class LineEvaluator final : private StepObserver {
 public:
  LineEvaluator(const Options& options, const Streams& streams, Sinks& sinks)
      : options_(options), streams_(streams), sinks_(sinks) {}

  // Writes the line's one output line. Returns false when it was a message.
  bool Evaluate(std::string_view utf8, bool malformed = false, const Origin* origin = nullptr) {
    invalid_input_ = false;
    if (malformed || !DecodeLine(utf8, text_)) {
      AppendOrigin(origin);
      sinks_.err() += "The expression is not valid UTF-8 text.\n";
      return false;
    }
    steps_.clear();
    texts_.clear();
    const std::u16string_view expression = TrimControlCharacters(text_);
    const Presentation shown = PresentCalculation(expression, options_.display, options_.steps ? this : nullptr);
    // The working ends with what explains a surprising result.
    if (options_.steps) {
      if (const std::optional<Explanation> e = ExplainCalculation(expression, texts_, shown)) {
        Step(SentenceText(e->sentence, *e), false);
      }
    }
    if (shown.kind == Presentation::Kind::kResult) {
      sinks_.out() += steps_;
      AppendUtf8(shown.text, sinks_.out());
      sinks_.out() += '\n';
      return true;
    }
    std::string& err = sinks_.err();
    err += steps_;
    AppendOrigin(origin);
    if (streams_.visible_controls) {
      err += ShowControlCharacters(EncodeUtf8(shown.text), true);
    } else {
      AppendUtf8(shown.text, err);
    }
    err += '\n';
    invalid_input_ = shown.text == u"Invalid input";
    return false;
  }

  // True when the last line gave "Invalid input", the message for a word
  // that is no expression, such as a file name.
  bool invalid_input() const { return invalid_input_; }

  bool Done(bool result) { return result ? sinks_.ResultDone() : sinks_.MessageDone(); }

 private:
  // Kept until the outcome is known: the steps go before it, on its stream.
  // A step holding a control character ends in a message.
  void Step(std::u16string_view text) override { Step(text, true); }
  void Step(std::u16string_view text, bool kept) {
    if (kept) texts_.emplace_back(text);
    steps_ += "  ";
    AppendUtf8(kStepMark, steps_);
    if (streams_.visible_controls) {
      steps_ += ShowControlCharacters(EncodeUtf8(text), true);
    } else {
      AppendUtf8(text, steps_);
    }
    steps_ += '\n';
  }

  void AppendOrigin(const Origin* origin) {
    if (origin == nullptr) return;
    std::string& err = sinks_.err();
    err += origin->name;
    err += ':';
    err += std::to_string(origin->line);
    err += ": ";
  }

  const Options& options_;
  const Streams& streams_;
  Sinks& sinks_;
  std::u16string text_;
  std::string steps_;
  std::vector<std::u16string> texts_;  // the steps as the evaluator wrote them
  bool invalid_input_ = false;
};

int Finish(Sinks& sinks, int status) { return sinks.Flush() ? status : sinks.ReportWriteError(); }

// The options ahead of the expressions; `status` is set when they end the
// run at once (help, version, a usage error).
struct Parsed {
  Options options;
  std::vector<std::string> files;  // the -f files in order, "-" for standard input
  std::size_t first = 0;           // the first expression
  std::optional<int> status;
};

std::optional<int> UsageError(Sinks& sinks, const std::string& why) {
  sinks.err() += "exprcalc-cli: " + why + "\nTry 'exprcalc-cli --help'.\n";
  return kUsageError;
}

Parsed ParseOptions(const std::vector<std::string>& args, Sinks& sinks, const Streams& streams) {
  Parsed parsed;
  Options& options = parsed.options;
  std::size_t& first = parsed.first;
  const auto shown = [&streams](const std::string& text) {
    return ShowControlCharacters(text, streams.visible_controls);
  };
  // The file of -f: the rest of its word from `rest` when `attached`, else
  // the next word.
  const auto take_file = [&](const std::string& option, bool attached, std::size_t rest) {
    if (attached) {
      parsed.files.push_back(args[first].substr(rest));
    } else if (first + 1 < args.size()) {
      parsed.files.push_back(args[++first]);
    } else {
      parsed.status = UsageError(sinks, "option '" + shown(option) + "' needs a file name");
      return false;
    }
    return true;
  };
  for (; first < args.size(); ++first) {
    const std::string& a = args[first];
    if (a == "--") {
      ++first;
      break;
    }
    if (a.size() < 2 || a[0] != '-') break;
    // Short options go together, as in -sd; -f takes the rest of its word or
    // the next word as its file (-sf FILE, -fFILE).
    const std::size_t f = a[1] != '-' ? a.find('f', 1) : std::string::npos;
    const std::string_view flags = std::string_view(a).substr(1, f == std::string::npos ? f : f - 1);
    const bool bundle = a[1] != '-' && flags.find_first_not_of("sdh") == std::string_view::npos;
    if (a == "--separators") {
      options.display.separators = true;
    } else if (a == "--two-decimals") {
      options.display.two_decimals = true;
    } else if (a == "--steps") {
      options.steps = true;
    } else if (a == "--help" || (bundle && flags.find('h') != std::string_view::npos)) {
      sinks.out() += kUsage;
      parsed.status = kAllGood;
      return parsed;
    } else if (a == "--version") {
      sinks.out() += "exprcalc-cli " + std::string(kVersion) + "\n";
      parsed.status = kAllGood;
      return parsed;
    } else if (bundle) {
      options.display.separators |= flags.find('s') != std::string_view::npos;
      options.display.two_decimals |= flags.find('d') != std::string_view::npos;
      if (f != std::string::npos && !take_file(a.substr(0, f + 1), f + 1 < a.size(), f + 1)) return parsed;
    } else if (a == "--file" || a.starts_with("--file=")) {
      if (!take_file("--file", a.size() > 6, 7)) return parsed;
    } else {
      parsed.status =
          UsageError(sinks, "unknown option '" + shown(a) + "' (write -- before an expression that starts with '-')");
      return parsed;
    }
  }
  if (!parsed.files.empty() && first < args.size()) {
    parsed.status = UsageError(sinks, "give expressions or -f FILE, not both");
  }
  return parsed;
}

// Answers -f where the program has no files to open.
class NoFiles final : public Files {
 public:
  std::unique_ptr<Input> Open(const std::string&, std::string& why) override {
    why = "No such file or directory";
    return nullptr;
  }
  bool IsFile(const std::string&) override { return false; }
};

int EvaluateArguments(const std::vector<std::string>& args, std::size_t first, LineEvaluator& evaluator, Sinks& sinks,
                      Files& files, const Streams& streams) {
  bool all_good = true;
  for (std::size_t i = first; i < args.size(); ++i) {
    const bool result = evaluator.Evaluate(args[i]);
    all_good &= result;
    // A file's name given where its expressions were meant.
    if (evaluator.invalid_input() && files.IsFile(args[i])) {
      sinks.err() += "exprcalc-cli: '" + ShowControlCharacters(args[i], streams.visible_controls) +
                     "' is a file: use -f to evaluate its lines\n";
    }
    if (!evaluator.Done(result)) return sinks.ReportWriteError();
  }
  return Finish(sinks, all_good ? kAllGood : kSomeMessage);
}

constexpr std::string_view kStandardInput = "<stdin>";

// Evaluates the lines of one input named `name` (as shown); the status that
// ends the run early, if any.
std::optional<int> EvaluateLines(Input& in, std::string_view name, bool standard_input, const Streams& streams,
                                 LineEvaluator& evaluator, Sinks& sinks, bool& all_good) {
  const bool prompt = standard_input && streams.prompt;
  LineReader reader(in, [&sinks] { return sinks.Flush(); });
  Origin origin{name, 0};
  while (true) {
    if (prompt) {
      sinks.out() += "> ";
      if (!sinks.Flush()) return sinks.ReportWriteError();
    }
    const LineReader::Status status = reader.Next();
    if (status == LineReader::Status::kEnd) break;
    if (status == LineReader::Status::kWriteFailed) return sinks.ReportWriteError();
    if (status == LineReader::Status::kReadFailed) {
      if (standard_input) {
        sinks.err() += "exprcalc-cli: read error: " + in.ErrorText() + "\n";
      } else {
        sinks.err() += "exprcalc-cli: " + std::string(name) + ": " + in.ErrorText() + "\n";
      }
      return Finish(sinks, kReadError);
    }
    ++origin.line;
    const bool result = evaluator.Evaluate(reader.line(), reader.malformed(), &origin);
    all_good &= result;
    if (!evaluator.Done(result)) return sinks.ReportWriteError();
  }
  if (prompt) sinks.out() += '\n';
  return std::nullopt;
}

// The -f files in order, "-" being standard input.
int EvaluateFiles(const std::vector<std::string>& names, Input& in, Files& files, const Streams& streams,
                  LineEvaluator& evaluator, Sinks& sinks) {
  bool all_good = true;
  for (const std::string& name : names) {
    std::optional<int> stopped;
    if (name == "-") {
      stopped = EvaluateLines(in, kStandardInput, true, streams, evaluator, sinks, all_good);
    } else {
      const std::string shown = ShowControlCharacters(name, streams.visible_controls);
      std::string why;
      const std::unique_ptr<Input> file = files.Open(name, why);
      if (file == nullptr) {
        sinks.err() += "exprcalc-cli: " + shown + ": " + why + "\n";
        return Finish(sinks, kReadError);
      }
      stopped = EvaluateLines(*file, shown, false, streams, evaluator, sinks, all_good);
    }
    if (stopped) return *stopped;
  }
  return Finish(sinks, all_good ? kAllGood : kSomeMessage);
}

}  // namespace

int Run(const std::vector<std::string>& args, Input& in, Output& out, Output& err, const Streams& streams,
        Files* files) {
  NoFiles no_files;
  Files& opener = files != nullptr ? *files : no_files;
  Sinks sinks(out, err, streams);
  const Parsed parsed = ParseOptions(args, sinks, streams);
  if (parsed.status) return Finish(sinks, *parsed.status);
  LineEvaluator evaluator(parsed.options, streams, sinks);
  if (!parsed.files.empty()) return EvaluateFiles(parsed.files, in, opener, streams, evaluator, sinks);
  if (parsed.first < args.size()) return EvaluateArguments(args, parsed.first, evaluator, sinks, opener, streams);
  bool all_good = true;
  if (const std::optional<int> stopped = EvaluateLines(in, kStandardInput, true, streams, evaluator, sinks, all_good)) {
    return *stopped;
  }
  return Finish(sinks, all_good ? kAllGood : kSomeMessage);
}

}  // namespace calc::cli
