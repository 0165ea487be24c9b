// SPDX-License-Identifier: MIT
#include "numtext.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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
  x87::Faults faults;
  const auto apply = [&](long double factor) { x = n > 0 ? x87::Mul(x, factor, faults) : x87::Div(x, factor, faults); };
  apply(t.a[m % 32]);
  if ((m / 32) % 16 != 0) apply(t.b[(m / 32) % 16]);
  if (m / 512 != 0) apply(t.c[m / 512]);
  if (faults.overflow) throw FloatingPointOverflow();
  return x;
}

namespace {

constexpr std::uint64_t kPow10[19] = {1ULL,
                                      10ULL,
                                      100ULL,
                                      1000ULL,
                                      10000ULL,
                                      100000ULL,
                                      1000000ULL,
                                      10000000ULL,
                                      100000000ULL,
                                      1000000000ULL,
                                      10000000000ULL,
                                      100000000000ULL,
                                      1000000000000ULL,
                                      10000000000000ULL,
                                      100000000000000ULL,
                                      1000000000000000ULL,
                                      10000000000000000ULL,
                                      100000000000000000ULL,
                                      1000000000000000000ULL};

// The digits of a value as an integer: the evaluator writes a value back for
// every bracket, and a string per value costs more than the digits.
struct Digits {
  std::uint64_t integer = 0;  // d1d2d3... without trailing zeros; 0 for zero
  int count = 0;              // 0 means the value is written as zero
  int exponent = 0;           // value = 0.d1d2d3... * 10^exponent
  bool negative = false;
};

// An integral extended value below 2^63 as an integer, converted under the
// current rounding, which leaves it unchanged. (A cast would switch the
// x87 to truncation and back, two costly control-word loads.)
std::int64_t IntegralToInt64(long double integral) {
  std::int64_t n;
  asm("fistpll %0" : "=m"(n) : "t"(integral) : "st");
  return n;
}

// A magnitude that is an integer N below 10^18, and its digit count d, read
// from the bits. Scaling such a value to 18 digits, as below, is exact: it
// gives N * 10^(18 - d) with the exponent d.
bool SmallInteger(long double magnitude, std::uint64_t& integer, int& digits) {
  std::uint64_t significand = 0;
  std::uint16_t sign_exponent = 0;
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &magnitude, sizeof magnitude);
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&sign_exponent, bytes + 8, 2);
  const int e2 = (sign_exponent & 0x7FFF) - 16383;  // value = significand * 2^(e2 - 63)
  if (e2 < 0 || e2 > 59 || (significand >> 63) == 0) return false;
  const int fraction_bits = 63 - e2;
  if ((significand & ((std::uint64_t{1} << fraction_bits) - 1)) != 0) return false;
  integer = significand >> fraction_bits;
  if (integer >= kPow10[18]) return false;
  digits = 1;
  while (digits < 18 && integer >= kPow10[digits]) ++digits;
  return true;
}

// Drops the trailing zeros of `count` digits held in `r`.
void TrimZeroDigits(std::uint64_t& r, int& count) {
  while (count > 0 && r % 10 == 0) {
    r /= 10;
    --count;
  }
}

// The magnitude of a nonzero `value` rounded to 18 digits, 10^17 <= n <
// 10^18, and its decimal exponent.
std::uint64_t EighteenDigits(long double value, long double magnitude, int& exponent) {
  const long long e2 = x87::BiasedExponent(value) - 16383;
  // floor(e2 * 19728 / 65536), rounding toward minus infinity.
  const long long product = e2 * 19728;
  const long long estimate = product >= 0 ? product / 65536 : -((-product + 65535) / 65536);
  exponent = static_cast<int>(estimate + 1);

  long double w = x87::RoundToInteger(ScaleByPowerOfTen(magnitude, 18 - exponent));
  if (w < 1e17L) {
    --exponent;
    w = x87::RoundToInteger(ScaleByPowerOfTen(magnitude, 18 - exponent));
  }
  if (w >= 1e18L) {
    w = x87::RoundToInteger(w / 10.0L);
    ++exponent;
  }
  return static_cast<std::uint64_t>(IntegralToInt64(w));
}

Digits DigitsOf(long double value, int precision, int decimals) {
  if (x87::BiasedExponent(value) == 0) return {};  // zero or subnormal

  const long double magnitude = value < 0 ? -value : value;
  std::uint64_t n = 0;  // the value rounded to 18 digits, 10^17 <= n < 10^18
  int exponent = 0;
  if (SmallInteger(magnitude, n, exponent)) {
    const int k = decimals == kUnlimitedDecimals ? precision : exponent + decimals;
    if (k >= exponent && precision >= exponent) {
      // The cut falls after the last digit: nothing to round.
      int count = exponent;
      TrimZeroDigits(n, count);
      return {n, count, exponent, value < 0};
    }
    n *= kPow10[18 - exponent];
  } else {
    n = EighteenDigits(value, magnitude, exponent);
  }

  int k = decimals == kUnlimitedDecimals ? precision : exponent + decimals;
  if (k < 0) return {};
  k = std::min({k, precision, 18});
  std::uint64_t r = n;
  int count = k;
  if (k < 18) {
    // Cut after k digits; the digit after the cut decides. (The evaluator's
    // 15 digits divide by a constant, which costs a multiplication.)
    const std::uint64_t unit = kPow10[18 - k];
    r = k == 15 ? n / kPow10[3] : n / unit;
    if (n - r * unit >= unit / 2) ++r;
    if (r == kPow10[k]) {
      // The carry passed the first digit: all were '9'.
      r = 1;
      count = 1;
      ++exponent;
    }
  }
  TrimZeroDigits(r, count);
  if (count == 0) return {};
  return {r, count, exponent, value < 0};
}

// The `count` digits of `integer`, most significant first.
void DigitCharacters(std::uint64_t integer, int count, char* out) {
  for (int i = count - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + integer % 10);
    integer /= 10;
  }
}

// Infinity and NaN, which only the strict reader can produce.
const char16_t* SpecialText(long double value) {
  if (value != value) return u"NAN";
  if (value == __builtin_infl()) return u"INF";
  if (value == -__builtin_infl()) return u"-INF";
  return nullptr;
}

void PutInteger(NumberText& out, int n) {
  char reversed[12];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n > 0);
  while (count > 0) out.Put(static_cast<char16_t>(reversed[--count]));
}

}  // namespace

DecimalDigitsResult DecimalDigits(long double value, int precision, int decimals) {
  const Digits d = DigitsOf(value, precision, decimals);
  if (d.count == 0) return {};
  char c[18];
  DigitCharacters(d.integer, d.count, c);
  return {d.exponent, d.negative, std::string(c, static_cast<std::size_t>(d.count))};
}

std::u16string FormatGeneral(long double value, int precision) {
  x87::ScopedEnvironment environment;
  return WriteGeneral(value, precision);
}

std::u16string WriteGeneral(long double value, int precision) {
  GeneralNumber number;
  WriteGeneral(value, precision, number);
  return std::u16string(number.text.View());
}

void WriteGeneral(long double value, int precision, GeneralNumber& number) {
  precision = std::clamp(precision, 2, 18);
  NumberText& out = number.text;
  out.Clear();
  if (const char16_t* special = SpecialText(value)) {
    number.special = true;
    out.Put(special);
    return;
  }
  number.special = false;

  const Digits d = DigitsOf(value, precision, kUnlimitedDecimals);
  number.integer = d.integer;
  number.count = d.count;
  number.exponent = d.exponent;
  number.negative = d.negative;
  if (d.count == 0) {
    out.Put(u'0');
    return;
  }
  char digits[18];
  DigitCharacters(d.integer, d.count, digits);
  const int e = d.exponent;
  if (d.negative) out.Put(u'-');
  if (e > precision || e < -3) {
    out.Put(digits, 1);
    if (d.count > 1) {
      out.Put(u'.');
      out.Put(digits + 1, d.count - 1);
    }
    out.Put(u'E');
    const int shown = e - 1;
    if (shown < 0) out.Put(u'-');
    PutInteger(out, shown < 0 ? -shown : shown);
  } else if (e <= 0) {
    out.Put(u'0');
    out.Put(u'.');
    out.Repeat(u'0', -e);
    out.Put(digits, d.count);
  } else if (d.count <= e) {
    out.Put(digits, d.count);
    out.Repeat(u'0', e - d.count);
  } else {
    out.Put(digits, e);
    out.Put(u'.');
    out.Put(digits + e, d.count - e);
  }
}

long double ReadBack(const GeneralNumber& number) {
  // The reader gathers at most 18 digits exactly, and scales once by the
  // exponent less the fraction digits, which is exponent - count in every
  // layout above.
  const long double value = ScaleByPowerOfTen(static_cast<long double>(number.integer),
                                              static_cast<long long>(number.exponent) - number.count);
  return number.negative ? -value : value;
}

std::u16string FormatFixed(long double value, int decimals) {
  x87::ScopedEnvironment environment;
  decimals = std::clamp(decimals, 0, 18);
  if (const char16_t* special = SpecialText(value)) return special;

  const Digits d = DigitsOf(value, 18, decimals);
  if (d.exponent > 18) return WriteGeneral(value, 18);
  char digits[18];
  DigitCharacters(d.integer, d.count, digits);
  const int e = d.exponent;
  NumberText out;
  if (d.negative) out.Put(u'-');
  int used = 0;
  if (e <= 0) {
    out.Put(u'0');
  } else {
    used = std::min(e, d.count);
    out.Put(digits, used);
    out.Repeat(u'0', e - used);
  }
  if (decimals > 0) {
    out.Put(u'.');
    const int zeros = e < 0 ? std::min(-e, decimals) : 0;
    out.Repeat(u'0', zeros);
    const int rest = std::min(d.count - used, decimals - zeros);
    out.Put(digits + used, rest);
    out.Repeat(u'0', decimals - zeros - rest);
  }
  return std::u16string(out.View());
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

enum class NumberStatus { kNumber, kNotANumber, kOverflow };

struct ReadResult {
  NumberStatus status = NumberStatus::kNotANumber;
  long double value = 0;
};

void SkipSpaces(std::u16string_view text, std::size_t& i) {
  while (i < text.size() && text[i] == u' ') ++i;
}

// An optional sign; true for '-'.
bool ReadSign(std::u16string_view text, std::size_t& i) {
  if (i >= text.size() || (text[i] != u'+' && text[i] != u'-')) return false;
  return text[i++] == u'-';
}

// The exponent from an 'E' on, if there is one; false when the grammar
// refuses it.
template <const NumberGrammar& rules>
bool ReadExponent(std::u16string_view text, std::size_t& i, long long& exponent) {
  exponent = 0;
  if (i >= text.size() || (text[i] != u'E' && text[i] != u'e')) return true;
  ++i;
  const bool negative = ReadSign(text, i);
  if (rules.exponent_digits_required && (i >= text.size() || !IsDigit(text[i]))) return false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (rules.exponent_stop != 0 && exponent >= rules.exponent_stop) break;
    if (exponent < kExponentSaturation) exponent = exponent * 10 + (text[i] - u'0');
  }
  if (negative) exponent = -exponent;
  return true;
}

ReadResult Scale(const Mantissa& m, long long exponent, bool negative) {
  long double value = 0;
  try {
    value = ScaleByPowerOfTen(m.value, exponent - m.fraction_digits);
  } catch (const FloatingPointOverflow&) {
    return {NumberStatus::kOverflow, 0};
  }
  return {NumberStatus::kNumber, negative ? -value : value};
}

// One reader per grammar, its rules known when compiled.
template <const NumberGrammar& rules>
ReadResult ReadWithGrammar(std::u16string_view text) {
  std::size_t i = 0;
  SkipSpaces(text, i);
  const bool negative = ReadSign(text, i);
  if (i >= text.size()) return {};
  const Mantissa m = ReadMantissa(text, i);
  if (rules.mantissa_required && m.digits == 0 && !m.point) return {};
  if (m.overflow) return {NumberStatus::kOverflow, 0};
  long long exponent = 0;
  if (!ReadExponent<rules>(text, i, exponent)) return {};
  if (rules.trailing_spaces_allowed) SkipSpaces(text, i);
  if (i != text.size()) return {};
  return Scale(m, exponent, negative);
}

}  // namespace

ScanResult ScanNumber(std::u16string_view text) {
  const ReadResult r = ReadWithGrammar<kStrictGrammar>(text);
  if (r.status == NumberStatus::kOverflow) throw FloatingPointOverflow();
  return {r.status == NumberStatus::kNumber, r.value};
}

ScanResult ReadNumber(std::u16string_view text) {
  x87::ScopedEnvironment environment;
  const ReadResult r = ReadWithGrammar<kLenientGrammar>(text);
  return {r.status == NumberStatus::kNumber, r.value};
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
