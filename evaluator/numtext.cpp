// SPDX-License-Identifier: MIT
#include "numtext.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "numtext_internal.h"
#include "x87.h"

namespace calc {
namespace {

struct ExtendedBits {
  std::uint64_t significand;
  std::uint16_t sign_exponent;
};

#include "pow10_tables.inc"

struct PowerTables {
  long double a[32];
  long double b[16];  // b[0] unused
  long double c[10];  // c[0] unused

  PowerTables() : a(), b(), c() {
    for (int k = 0; k < 32; ++k) a[k] = x87::FromBits(kPow10A[k].sign_exponent, kPow10A[k].significand);
    for (int k = 1; k < 16; ++k) {
      b[k] = x87::FromBits(kPow10B[k - 1].sign_exponent, kPow10B[k - 1].significand);
    }
    for (int k = 1; k < 10; ++k) {
      c[k] = x87::FromBits(kPow10C[k - 1].sign_exponent, kPow10C[k - 1].significand);
    }
  }
};

const PowerTables& Tables() {
  static const PowerTables tables;
  return tables;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

long double ScaleByPowerOfTen(long double x, long long n) {
  if (n == 0) return x;
  if (n >= 5120) return __builtin_infl();
  if (n <= -5120) return 0.0L;
  const PowerTables& t = Tables();
  const long long m = n < 0 ? -n : n;
  const long double factors[3] = {t.a[m % 32], (m / 32) % 16 != 0 ? t.b[(m / 32) % 16] : 1.0L,
                                  m / 512 != 0 ? t.c[m / 512] : 1.0L};
  x87::Faults faults;
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && factors[i] == 1.0L) continue;
    x = n > 0 ? x87::Mul(x, factors[i], faults) : x87::Div(x, factors[i], faults);
  }
  if (faults.overflow) throw FloatingPointOverflow();
  return x;
}

namespace {

// DecimalDigits in a fixed buffer: the evaluator writes a value back for
// every bracket, and a string per value costs more than the digits.
struct Digits {
  int exponent = 0;  // value = 0.d1d2d3... * 10^exponent
  bool negative = false;
  int count = 0;  // 0 means the value is written as zero
  char d[18] = {};
};

// An integral extended value below 2^63 as an integer, converted under the
// current rounding, which leaves it unchanged. (A cast would switch the
// x87 to truncation and back, two costly control-word loads.)
std::int64_t IntegralToInt64(long double integral) {
  std::int64_t n;
  asm("fistpll %0" : "=m"(n) : "t"(integral) : "st");
  return n;
}

Digits DigitsOf(long double value, int precision, int decimals) {
  Digits r;
  if (x87::BiasedExponent(value) == 0) return r;  // zero or subnormal

  const long double magnitude = value < 0 ? -value : value;
  const long long e2 = x87::BiasedExponent(value) - 16383;
  // floor(e2 * 19728 / 65536), rounding toward minus infinity.
  const long long product = e2 * 19728;
  const long long estimate = product >= 0 ? product / 65536 : -((-product + 65535) / 65536);
  int exponent = static_cast<int>(estimate + 1);

  long double w = x87::RoundToInteger(ScaleByPowerOfTen(magnitude, 18 - exponent));
  if (w < 1e17L) {
    --exponent;
    w = x87::RoundToInteger(ScaleByPowerOfTen(magnitude, 18 - exponent));
  }
  if (w >= 1e18L) {
    w = w / 10.0L;
    ++exponent;
  }
  auto n = static_cast<std::uint64_t>(IntegralToInt64(x87::RoundToInteger(w)));
  char c[18];
  for (int i = 17; i >= 0; --i) {
    c[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }

  int k = decimals == kUnlimitedDecimals ? precision : exponent + decimals;
  if (k < 0) return Digits{};
  if (k > precision) k = precision;

  int count = std::min(k, 18);
  std::copy(c, c + count, r.d);
  if (k < 18 && c[k] >= '5') {
    int i = k - 1;
    while (i >= 0 && r.d[i] == '9') r.d[i--] = '0';
    if (i < 0) {
      // The carry passed the first digit: all were '9' and are now '0'.
      r.d[0] = '1';
      count = 1;
      ++exponent;
    } else {
      ++r.d[i];
    }
  }
  while (count > 0 && r.d[count - 1] == '0') --count;
  if (count == 0) return Digits{};

  r.exponent = exponent;
  r.negative = value < 0;
  r.count = count;
  return r;
}

// Infinity and NaN, which only the strict reader can produce.
const char16_t* SpecialText(long double value) {
  if (value != value) return u"NAN";
  if (value == __builtin_infl()) return u"INF";
  if (value == -__builtin_infl()) return u"-INF";
  return nullptr;
}

// A small output buffer: the longest form is "-0.000" and 18 digits, or 18
// digits with '-', '.', "E-" and a four-digit exponent.
class TextBuffer {
 public:
  void Put(char16_t c) { text_[size_++] = c; }
  void Put(const char* digits, int count) {
    for (int i = 0; i < count; ++i) text_[size_++] = static_cast<char16_t>(digits[i]);
  }
  void Repeat(char16_t c, int count) {
    for (int i = 0; i < count; ++i) text_[size_++] = c;
  }
  void PutInteger(int n) {
    char reversed[12];
    int count = 0;
    do {
      reversed[count++] = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n > 0);
    while (count > 0) text_[size_++] = static_cast<char16_t>(reversed[--count]);
  }
  std::u16string Text() const { return std::u16string(text_, size_); }

 private:
  char16_t text_[48];
  std::size_t size_ = 0;
};

}  // namespace

DecimalDigitsResult DecimalDigits(long double value, int precision, int decimals) {
  const Digits d = DigitsOf(value, precision, decimals);
  if (d.count == 0) return {};
  return {d.exponent, d.negative, std::string(d.d, static_cast<std::size_t>(d.count))};
}

std::u16string FormatGeneral(long double value, int precision) {
  x87::ScopedEnvironment environment;
  return WriteGeneral(value, precision);
}

std::u16string WriteGeneral(long double value, int precision) {
  precision = std::clamp(precision, 2, 18);
  if (const char16_t* special = SpecialText(value)) return special;

  const Digits d = DigitsOf(value, precision, kUnlimitedDecimals);
  if (d.count == 0) return u"0";
  const int e = d.exponent;
  TextBuffer out;
  if (d.negative) out.Put(u'-');
  if (e > precision || e < -3) {
    out.Put(d.d, 1);
    if (d.count > 1) {
      out.Put(u'.');
      out.Put(d.d + 1, d.count - 1);
    }
    out.Put(u'E');
    const int shown = e - 1;
    if (shown < 0) out.Put(u'-');
    out.PutInteger(shown < 0 ? -shown : shown);
  } else if (e <= 0) {
    out.Put(u'0');
    out.Put(u'.');
    out.Repeat(u'0', -e);
    out.Put(d.d, d.count);
  } else if (d.count <= e) {
    out.Put(d.d, d.count);
    out.Repeat(u'0', e - d.count);
  } else {
    out.Put(d.d, e);
    out.Put(u'.');
    out.Put(d.d + e, d.count - e);
  }
  return out.Text();
}

std::u16string FormatFixed(long double value, int decimals) {
  x87::ScopedEnvironment environment;
  decimals = std::clamp(decimals, 0, 18);
  if (const char16_t* special = SpecialText(value)) return special;

  const Digits d = DigitsOf(value, 18, decimals);
  if (d.exponent > 18) return WriteGeneral(value, 18);
  const int e = d.exponent;
  TextBuffer out;
  if (d.negative) out.Put(u'-');
  int used = 0;
  if (e <= 0) {
    out.Put(u'0');
  } else {
    used = std::min(e, d.count);
    out.Put(d.d, used);
    out.Repeat(u'0', e - used);
  }
  if (decimals > 0) {
    out.Put(u'.');
    const int zeros = e < 0 ? std::min(-e, decimals) : 0;
    out.Repeat(u'0', zeros);
    const int rest = std::min(d.count - used, decimals - zeros);
    out.Put(d.d + used, rest);
    out.Repeat(u'0', decimals - zeros - rest);
  }
  return out.Text();
}

namespace {

// The one number grammar of both readers:
//   spaces* [sign] digits* ['.' digits*] [('E'|'e') [sign] digits*] rest
// The readers differ only in the rules below.
struct NumberGrammar {
  // At least one digit or the point before the exponent ("E5" and "-").
  bool mantissa_required;
  // At least one exponent digit after 'E' and its sign ("1E", "1E+").
  bool exponent_digits_required;
  // Reading exponent digits stops once the exponent reaches this; a digit
  // left over then fails the read. 0: every digit is read, saturating.
  long long exponent_stop;
  // Spaces after the number ("2.5 ").
  bool trailing_spaces_allowed;
};

// Exponents beyond this already give infinity or zero; saturating keeps the
// arithmetic exact for texts with any number of exponent digits.
constexpr long long kExponentSaturation = 1'000'000'000'000'000LL;
// The lenient reader's exponent: past this every value is out of range.
constexpr long long kLenientExponentStop = 500;

constexpr NumberGrammar kStrictGrammar{false, true, 0, false};
constexpr NumberGrammar kLenientGrammar{true, false, kLenientExponentStop, true};

// Below this every x * 10 + digit is an exact integer under 2^64, which the
// extended significand holds exactly: the same value that rounding each
// step to extended gives.
constexpr std::uint64_t kExactAccumulatorLimit = (UINT64_MAX - 9) / 10;

struct Mantissa {
  long double value = 0;
  std::size_t digits = 0;  // integer and fraction digits read
  long long fraction_digits = 0;
  bool point = false;
  bool overflow = false;
};

// x := x * 10 + digit for every digit, each step rounded to extended; the
// leading digits run in exact integer arithmetic.
std::size_t AccumulateDigits(std::u16string_view text, std::size_t& i, std::uint64_t& exact, long double& x,
                             bool& in_extended, x87::Faults& faults) {
  const std::size_t start = i;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    const auto digit = static_cast<unsigned>(text[i] - u'0');
    if (!in_extended) {
      if (exact <= kExactAccumulatorLimit) {
        exact = exact * 10 + digit;
        continue;
      }
      x = static_cast<long double>(exact);
      in_extended = true;
    }
    x = x87::Add(x87::Mul(x, 10.0L, faults), static_cast<long double>(digit), faults);
  }
  return i - start;
}

Mantissa ReadMantissa(std::u16string_view text, std::size_t& i) {
  Mantissa m;
  std::uint64_t exact = 0;
  bool in_extended = false;
  x87::Faults faults;
  m.digits = AccumulateDigits(text, i, exact, m.value, in_extended, faults);
  if (i < text.size() && text[i] == u'.') {
    ++i;
    m.point = true;
    const std::size_t fraction = AccumulateDigits(text, i, exact, m.value, in_extended, faults);
    m.digits += fraction;
    m.fraction_digits = static_cast<long long>(fraction);
  }
  if (!in_extended) m.value = static_cast<long double>(exact);
  m.overflow = faults.Any();
  return m;
}

enum class ReadStatus { kNumber, kNotANumber, kOverflow };

struct ReadResult {
  ReadStatus status = ReadStatus::kNotANumber;
  long double value = 0;
};

ReadResult ReadWithGrammar(std::u16string_view text, const NumberGrammar& rules) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size()) return {};

  const Mantissa m = ReadMantissa(text, i);
  if (rules.mantissa_required && m.digits == 0 && !m.point) return {};
  if (m.overflow) return {ReadStatus::kOverflow, 0};

  long long exponent = 0;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      exponent_negative = text[i] == u'-';
      ++i;
    }
    if (rules.exponent_digits_required && (i >= text.size() || !IsDigit(text[i]))) return {};
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (rules.exponent_stop != 0 && exponent >= rules.exponent_stop) break;
      if (exponent < kExponentSaturation) exponent = exponent * 10 + (text[i] - u'0');
    }
    if (exponent_negative) exponent = -exponent;
  }
  if (rules.trailing_spaces_allowed) {
    while (i < text.size() && text[i] == u' ') ++i;
  }
  if (i != text.size()) return {};

  long double value = 0;
  try {
    value = ScaleByPowerOfTen(m.value, exponent - m.fraction_digits);
  } catch (const FloatingPointOverflow&) {
    return {ReadStatus::kOverflow, 0};
  }
  return {ReadStatus::kNumber, negative ? -value : value};
}

}  // namespace

ScanResult ScanNumber(std::u16string_view text) {
  const ReadResult r = ReadWithGrammar(text, kStrictGrammar);
  if (r.status == ReadStatus::kOverflow) throw FloatingPointOverflow();
  return {r.status == ReadStatus::kNumber, r.value};
}

ScanResult ReadNumber(std::u16string_view text) {
  x87::ScopedEnvironment environment;
  const ReadResult r = ReadWithGrammar(text, kLenientGrammar);
  return {r.status == ReadStatus::kNumber, r.value};
}

std::u16string TrimTrailingZeros(std::u16string text) {
  if (text.find(u'.') == std::u16string::npos) return text;
  while (!text.empty() && text.back() == u'0') text.pop_back();
  if (!text.empty() && text.back() == u'.') text.pop_back();
  return text;
}

long double ZeroThreshold() { return x87::FromBits(0x1911, 0x94A4CF2019D7BA15u); }

bool IsZeroValue(long double a, long double b) {
  x87::Faults faults;
  long double d = x87::Sub(b, a, faults);
  if (d < 0) d = -d;
  // A quiet comparison: a NaN must not leave the invalid flag pending.
  return __builtin_isless(d, ZeroThreshold());
}

std::string ToAscii(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::u16string FromAscii(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

}  // namespace calc
