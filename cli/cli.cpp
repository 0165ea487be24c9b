// SPDX-License-Identifier: MIT
#include "cli.h"

#include <istream>
#include <ostream>

#include "calc_version.h"
#include "calcexpr.h"
#include "presentation.h"

namespace calc::cli {

std::size_t CompleteUtf8Prefix(std::string_view text) {
  // Look back over at most three continuation bytes for the lead byte.
  const std::size_t size = text.size();
  for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
    const auto b = static_cast<unsigned char>(text[size - back]);
    if ((b & 0xC0) == 0x80) continue;  // continuation byte
    const std::size_t needed = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
    return needed > back ? size - back : size;
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
    "Evaluates each EXPRESSION; with none, reads expressions line by line from\n"
    "standard input. Results go to standard output, messages to standard error.\n"
    "\n"
    "  -s, --separators     group the integer digits with commas (1,234)\n"
    "  -d, --two-decimals   show results with a point with two decimals\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "  --                   end of options (for expressions starting with '-')\n"
    "\n"
    "Exit status: 0 when every expression gave a result or nothing, 1 when any\n"
    "gave a message, 2 for a usage error.\n";

struct Options {
  bool separators = false;
  bool two_decimals = false;
  bool visible_controls = false;
};

// Evaluates one expression and writes its one line. Returns false when the
// line was a message.
bool EvaluateLine(std::string_view utf8, const Options& options, std::ostream& out, std::ostream& err) {
  const std::optional<std::u16string> decoded = DecodeUtf8(utf8);
  if (!decoded) {
    err << "The expression is not valid UTF-8 text.\n";
    return false;
  }
  const Presentation shown =
      PresentCalculation(TrimControlCharacters(*decoded), options.separators, options.two_decimals);
  if (shown.kind != Presentation::Kind::kResult) {
    err << ShowControlCharacters(EncodeUtf8(shown.text), options.visible_controls) << '\n' << std::flush;
    return false;
  }
  out << EncodeUtf8(shown.text) << '\n' << std::flush;
  return true;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err, bool interactive,
        bool err_is_terminal) {
  Options options;
  options.visible_controls = err_is_terminal;
  std::size_t first = 0;
  for (; first < args.size(); ++first) {
    const std::string& a = args[first];
    if (a == "--") {
      ++first;
      break;
    }
    if (a.size() < 2 || a[0] != '-') break;
    if (a == "--separators") {
      options.separators = true;
    } else if (a == "--two-decimals") {
      options.two_decimals = true;
    } else if (a == "--help") {
      out << kUsage;
      return kAllGood;
    } else if (a == "--version") {
      out << "exprcalc-cli " << kVersion << '\n';
      return kAllGood;
    } else if (a[1] != '-' && a.find_first_not_of("sdh", 1) == std::string::npos) {
      for (std::size_t k = 1; k < a.size(); ++k) {
        if (a[k] == 's') options.separators = true;
        if (a[k] == 'd') options.two_decimals = true;
        if (a[k] == 'h') {
          out << kUsage;
          return kAllGood;
        }
      }
    } else {
      err << "exprcalc-cli: unknown option '" << ShowControlCharacters(a, err_is_terminal)
          << "' (write -- before an expression that starts with '-')\n"
          << "Try 'exprcalc-cli --help'.\n";
      return kUsageError;
    }
  }

  bool all_good = true;
  if (first < args.size()) {
    for (std::size_t i = first; i < args.size(); ++i) all_good &= EvaluateLine(args[i], options, out, err);
    return all_good ? kAllGood : kSomeMessage;
  }
  std::string line;
  while (true) {
    if (interactive) out << "> " << std::flush;
    if (!std::getline(in, line)) break;
    all_good &= EvaluateLine(line, options, out, err);
  }
  if (interactive) out << '\n';
  return all_good ? kAllGood : kSomeMessage;
}

}  // namespace calc::cli
