#include "cli.h"

#include <istream>
#include <ostream>

#include "calc_version.h"
#include "calcexpr.h"
#include "presentation.h"

namespace calc::cli {

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
    err << EncodeUtf8(shown.text) << '\n' << std::flush;
    return false;
  }
  out << EncodeUtf8(shown.text) << '\n' << std::flush;
  return true;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
        bool interactive) {
  Options options;
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
      err << "exprcalc-cli: unknown option '" << a << "' (write -- before an expression that starts with '-')\n"
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
