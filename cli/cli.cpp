#include "cli.h"

#include <istream>
#include <ostream>

#include "calc_version.h"
#include "calcexpr.h"
#include "display.h"

namespace calc::cli {

std::optional<std::u16string> DecodeUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
      out += static_cast<char16_t>(b0);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
      extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
      return std::nullopt;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
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
};

// Evaluates one expression and writes its one line. Returns false when the
// line was a message.
bool EvaluateLine(std::string_view utf8, const Options& options, std::ostream& out, std::ostream& err) {
  const std::optional<std::u16string> decoded = DecodeUtf8(utf8);
  if (!decoded) {
    err << "The expression is not valid UTF-8 text.\n";
    return false;
  }
  const std::u16string_view expression = TrimControlCharacters(*decoded);
  std::u16string message;
  std::u16string shown;
  try {
    const EvaluationResult r = EvaluateExpression(expression);
    if (!r.errorMessage.empty()) {
      message = r.errorMessage;
    } else if (const auto fixed = TwoDecimals(r.resultText, options.two_decimals)) {
      shown = GroupThousands(*fixed, u',', options.separators);
    } else {
      message = GenericErrorText(InvalidFloatingPointMessage(r.resultText));
    }
  } catch (const FloatingPointOverflow& e) {
    message = GenericErrorText(FromAscii(e.what()));
  }
  if (!message.empty()) {
    err << EncodeUtf8(message) << '\n' << std::flush;
    return false;
  }
  out << EncodeUtf8(shown) << '\n' << std::flush;
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
