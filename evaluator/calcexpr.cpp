// SPDX-License-Identifier: MIT
#include "calcexpr.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "calcexpr_internal.h"
#include "x87.h"

namespace calc {
namespace {

// Character classes, from one table: the tokenizer asks several per
// character. Code units above 127 belong to none of them.
enum CharClass : unsigned char {
  kOperatorClass = 1,
  kNumberClass = 2,
  kLetterClass = 4,
  kAllowedClass = 8,
  kMinusContextClass = 16,  // a '-' after one of these is a sign, not a subtraction
};

constexpr std::array<unsigned char, 128> kCharClasses = [] {
  std::array<unsigned char, 128> t{};
  for (char c : {'*', '+', '/', 'X', '^', 'x'}) t[static_cast<unsigned char>(c)] |= kOperatorClass | kMinusContextClass;
  for (char c : {'-', '.', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}) {
    t[static_cast<unsigned char>(c)] |= kNumberClass;
  }
  for (char c = 'A'; c <= 'Z'; ++c) t[static_cast<unsigned char>(c)] |= kLetterClass;
  t['('] |= kMinusContextClass;
  t['E'] |= kMinusContextClass;
  for (std::size_t c = 0; c < t.size(); ++c) {
    if ((t[c] & (kOperatorClass | kNumberClass | kLetterClass)) != 0 || c == ' ' || c == '(' || c == ')') {
      t[c] |= kAllowedClass;
    }
  }
  return t;
}();

bool HasClass(char16_t c, CharClass k) { return c < kCharClasses.size() && (kCharClasses[c] & k) != 0; }
bool IsOperatorChar(char16_t c) { return HasClass(c, kOperatorClass); }
bool IsNumberChar(char16_t c) { return HasClass(c, kNumberClass); }
bool IsLetterChar(char16_t c) { return HasClass(c, kLetterClass); }
bool IsAllowedChar(char16_t c) { return HasClass(c, kAllowedClass); }
bool IsMinusContextChar(char16_t c) { return HasClass(c, kMinusContextClass); }
// A divisor starting with one of these is a function name or a signed name.
bool IsDivisorLetterChar(char16_t c) { return IsLetterChar(c) || c == u'-'; }

constexpr std::u16string_view kTooLong = u"Expression too long.";

// The text that replaces PI: pi's 15-digit number text.
std::u16string_view PiText() {
  static const std::u16string text = TrimTrailingZeros(FormatGeneral(kPi, 15));
  return text;
}

// Character at a 1-based position.
char16_t At(std::u16string_view text, int position) { return text[static_cast<std::size_t>(position - 1)]; }
int Length(std::u16string_view text) { return static_cast<int>(text.size()); }

// ---------------------------------------------------------------------------
// Texts in place. The working expression never holds more than
// kMaxExpressionLength characters between steps, and a step adds at most one
// number text before the length is checked; the capacities leave room for
// that, so an evaluation allocates nothing.

inline constexpr std::size_t kWorkCapacity = kMaxExpressionLength + 64;
// A message may name a typed number, which can be as long as the input.
inline constexpr std::size_t kMessageCapacity = kMaxInputLength + 32;

template <std::size_t N>
class FixedText {
 public:
  std::u16string_view View() const { return {text_, size_}; }
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  char16_t operator[](std::size_t i) const { return text_[i]; }
  char16_t Back() const { return text_[size_ - 1]; }
  void Clear() { size_ = 0; }

  // Each returns false, and changes nothing, when the text would not fit.
  bool Append(char16_t c) {
    if (size_ == N) return false;
    text_[size_++] = c;
    return true;
  }
  bool Append(std::u16string_view s) { return Replace(size_, 0, s); }
  bool Replace(std::size_t pos, std::size_t count, std::u16string_view with) {
    if (size_ - count + with.size() > N) return false;
    std::memmove(text_ + pos + with.size(), text_ + pos + count, (size_ - pos - count) * sizeof(char16_t));
    if (!with.empty()) std::memcpy(text_ + pos, with.data(), with.size() * sizeof(char16_t));
    size_ = size_ - count + with.size();
    return true;
  }

 private:
  char16_t text_[N];
  std::size_t size_ = 0;
};

using WorkText = FixedText<kWorkCapacity>;

// ---------------------------------------------------------------------------
// Normalisation.

// The text upper-cased, without commas and spaces, every "PI" replaced by
// pi's number text, each pair of minus signs dropped from the left end of its
// run (the first pair leaves a '+' when it followed an operand), and every
// '-' after an operand but the last character marked "+-", in one pass. Each
// stage only adds characters, so the pass stops at the first character past
// kMaxExpressionLength.
class Normaliser {
 public:
  explicit Normaliser(WorkText& out) : out_(out) { out_.Clear(); }

  // False once the text is too long.
  bool Take(char16_t c) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c == u',') {
      sawComma_ = true;
      return true;
    }
    if (c == u' ') return true;
    // The inserted digits cannot form a new "PI".
    if (pendingP_) {
      pendingP_ = false;
      if (c == u'I') {
        for (char16_t digit : PiText()) {
          if (!TakeMinus(digit)) return false;
        }
        return true;
      }
      if (!TakeMinus(u'P')) return false;
    }
    if (c == u'P') {
      pendingP_ = true;
      return true;
    }
    return TakeMinus(c);
  }

  bool Finish() {
    if (pendingP_ && !TakeMinus(u'P')) return false;
    pendingP_ = false;
    if (!EndMinusRun()) return false;
    return !pendingSubtraction_ || Put(u'-');
  }

  bool HasDivision() const { return hasDivision_; }
  bool SawComma() const { return sawComma_; }

 private:
  // Runs of minus signs.
  bool TakeMinus(char16_t c) {
    if (c == u'-') {
      ++minusRun_;
      return true;
    }
    return EndMinusRun() && TakeMark(c);
  }

  bool EndMinusRun() {
    const std::size_t run = minusRun_;
    if (run == 0) return true;
    minusRun_ = 0;
    if (run >= 2 && hasPrevious_ && !IsOperatorChar(previous_) && !TakeMark(u'+')) return false;
    return run % 2 == 0 || TakeMark(u'-');
  }

  // Subtraction marks: a '-' waits for the character after it.
  bool TakeMark(char16_t c) {
    if (pendingSubtraction_) {
      pendingSubtraction_ = false;
      if (!Put(u'+') || !Put(u'-')) return false;
    }
    const bool subtraction = c == u'-' && hasPrevious_ && !IsMinusContextChar(previous_);
    hasPrevious_ = true;
    previous_ = c;
    if (subtraction) {
      pendingSubtraction_ = true;
      return true;
    }
    return Put(c);
  }

  bool Put(char16_t c) {
    hasDivision_ |= c == u'/';
    return out_.Size() < kMaxExpressionLength && out_.Append(c);
  }

  WorkText& out_;
  bool pendingP_ = false;
  std::size_t minusRun_ = 0;
  bool hasPrevious_ = false;  // the last character before the marks
  char16_t previous_ = 0;
  bool pendingSubtraction_ = false;
  bool hasDivision_ = false;
  bool sawComma_ = false;
};

// Where a divisor that starts with a name ends: after its bracketed group,
// or at the end of the text when the group is not closed, which leaves the
// brackets unbalanced for validation to report.
std::size_t NamedDivisorEnd(const WorkText& s, std::size_t q) {
  while (q < s.Size() && IsDivisorLetterChar(s[q])) ++q;
  if (q >= s.Size() || s[q] != u'(') return q;
  int opened = 1;
  int closed = 0;
  while (opened != closed && q + 1 < s.Size()) {
    ++q;
    if (s[q] == u'(') ++opened;
    if (s[q] == u')') ++closed;
  }
  return opened != closed ? s.Size() : q;
}

// Where the divisor that starts at `q` ends: a name with its group, or a
// number.
std::size_t DivisorEnd(const WorkText& s, std::size_t q) {
  if (q < s.Size() && IsDivisorLetterChar(s[q])) return NamedDivisorEnd(s, q);
  while (q < s.Size() && (IsNumberChar(s[q]) || (s[q] == u'E' && q + 1 < s.Size() && IsNumberChar(s[q + 1])))) {
    ++q;
  }
  return q;
}

// Every '/' but one in the last position becomes "*INV(" around the
// shortest operand. Returns false once the text grows too long; nothing
// after this pass shortens it.
bool RewriteDivisions(WorkText& s) {
  std::size_t i = 0;
  while (i + 1 < s.Size()) {
    if (s[i] != u'/') {
      ++i;
      continue;
    }
    // Each step adds at most five characters to a text that fits.
    if (s[i + 1] == u'(') {
      s.Replace(i, 1, u"*INV");
    } else {
      s.Replace(i, 1, u"*INV(");
      s.Replace(DivisorEnd(s, i + 5), 0, u")");
    }
    if (s.Size() > kMaxExpressionLength) return false;
    ++i;
  }
  return true;
}

// `commas` tells whether the input held a comma, which the result no longer
// shows.
bool NormaliseInto(std::u16string_view input, WorkText& expression, bool* commas = nullptr) {
  Normaliser normaliser(expression);
  for (char16_t c : input) {
    if (!normaliser.Take(c)) return false;
  }
  if (commas != nullptr) *commas = normaliser.SawComma();
  // Rewriting divisions only adds characters.
  return normaliser.Finish() && (!normaliser.HasDivision() || RewriteDivisions(expression));
}

// ---------------------------------------------------------------------------
// Commas in typed numbers.

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Whether the commas of a typed number separate groups of digits: one to
// three digits before the first, exactly three after each, and the last
// group ends the digits before the point or the exponent.
bool CommasGroupDigits(std::u16string_view number) {
  std::size_t i = 0;
  while (i < number.size() && IsDigit(number[i])) ++i;
  if (i == 0 || i > 3) return false;
  while (i < number.size() && number[i] == u',') {
    std::size_t group = 0;
    for (++i; i < number.size() && IsDigit(number[i]); ++i) ++group;
    if (group != 3) return false;
  }
  // No comma is allowed after the groups.
  return number.find(u',', i) == std::u16string_view::npos;
}

// The end of the typed number that starts at `i` (a digit, a point or a
// comma): its digits, points and commas, then an exponent when a digit or a
// comma follows the 'E' and its sign.
std::size_t TypedNumberEnd(std::u16string_view text, std::size_t i) {
  const auto isPart = [&](std::size_t k) {
    return k < text.size() && (IsDigit(text[k]) || text[k] == u'.' || text[k] == u',');
  };
  while (isPart(i)) ++i;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    std::size_t k = i + 1;
    if (k < text.size() && (text[k] == u'+' || text[k] == u'-')) ++k;
    if (k < text.size() && (IsDigit(text[k]) || text[k] == u',')) {
      i = k;
      while (i < text.size() && (IsDigit(text[i]) || text[i] == u',')) ++i;
    }
  }
  return i;
}

// The first typed number whose comma does not separate digit groups, as
// typed ("3,5" in "3,5*2"), or an empty view.
std::u16string_view MisplacedCommaNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (!IsDigit(c) && c != u'.' && c != u',') {
      ++i;
      continue;
    }
    const std::size_t end = TypedNumberEnd(text, i);
    const std::u16string_view number = text.substr(i, end - i);
    if (number.find(u',') != std::u16string_view::npos && !CommasGroupDigits(number)) return number;
    i = end;
  }
  return {};
}

// ---------------------------------------------------------------------------
// The thirteen built-in functions. Each checks its argument and computes its
// value; faults of its arithmetic land in `faults` and become "Out of bounds".

struct FunctionOutcome {
  long double value = 0;
  std::u16string_view refusal;  // the message when the argument is refused
};

FunctionOutcome Refuse(std::u16string_view message) { return {0, message}; }
FunctionOutcome Value(long double value) { return {value, {}}; }

constexpr long double kDegreesPerQuarterTurn = kDegreesPerHalfTurn / 2;

long double DegreesToRadians(long double x, x87::Faults& faults) {
  return x87::Div(x87::Mul(x, kPi, faults), kDegreesPerHalfTurn, faults);
}

long double RadiansToDegrees(long double r, x87::Faults& faults) {
  return x87::Div(x87::Mul(r, kDegreesPerHalfTurn, faults), kPi, faults);
}

bool IsTrigArgumentOutOfRange(long double x) { return x < -kTrigArgumentBound || x > kTrigArgumentBound; }

// For an exact multiple of 90 degrees, the quarter turn count modulo 4;
// -1 otherwise. Gives exact results where an inexact pi would leave residue.
int QuadrantPoint(long double x) {
  if (std::fmod(x, kDegreesPerQuarterTurn) != 0) return -1;
  const auto k = static_cast<long long>(x / kDegreesPerQuarterTurn);
  return static_cast<int>(((k % 4) + 4) % 4);
}

constexpr long double kSineAtQuadrant[4] = {0, 1, 0, -1};
constexpr long double kCosineAtQuadrant[4] = {1, 0, -1, 0};

FunctionOutcome Inverse(long double x, x87::Faults& faults) {
  if (IsZeroValue(0, x)) return Refuse(u"Division by zero.");
  return Value(x87::Div(1.0L, x, faults));
}

FunctionOutcome Exponential(long double x, x87::Faults& faults) { return Value(x87::Exp(x, faults)); }

FunctionOutcome Square(long double x, x87::Faults& faults) { return Value(x87::Mul(x, x, faults)); }

FunctionOutcome SquareRoot(long double x, x87::Faults& faults) {
  if (x < 0) return Refuse(u"Cannot find root of a -ve no.");
  return Value(x87::Sqrt(x, faults));
}

FunctionOutcome Sine(long double x, x87::Faults& faults) {
  if (IsTrigArgumentOutOfRange(x)) return Refuse(u"Number to \"sin\" is out of range.");
  const int q = QuadrantPoint(x);
  return Value(q >= 0 ? kSineAtQuadrant[q] : x87::Sin(DegreesToRadians(x, faults)));
}

FunctionOutcome Cosine(long double x, x87::Faults& faults) {
  if (IsTrigArgumentOutOfRange(x)) return Refuse(u"Number to \"cos\" is out of range.");
  const int q = QuadrantPoint(x);
  return Value(q >= 0 ? kCosineAtQuadrant[q] : x87::Cos(DegreesToRadians(x, faults)));
}

FunctionOutcome Tangent(long double x, x87::Faults& faults) {
  // Every odd multiple of 90 degrees is a pole.
  const long double fromHalfTurn = std::fabs(std::fmod(x, kDegreesPerHalfTurn));
  if (IsTrigArgumentOutOfRange(x) || (fromHalfTurn > kTanPoleLow && fromHalfTurn < kTanPoleHigh)) {
    return Refuse(u"Number to \"tan\" is out of range.");
  }
  if (QuadrantPoint(x) >= 0) return Value(0);  // a multiple of 180: the odd quadrants were refused
  const long double r = DegreesToRadians(x, faults);
  return Value(x87::Div(x87::Sin(r), x87::Cos(r), faults));
}

// sqrt(1 - x*x), the other leg for the inverse sine and cosine.
long double OtherLeg(long double x, x87::Faults& faults) {
  return x87::Sqrt(x87::Sub(1.0L, x87::Mul(x, x, faults), faults), faults);
}

FunctionOutcome ArcSine(long double x, x87::Faults& faults) {
  if (x > 1 || x < -1) return Refuse(u"Number out of range.");
  long double r = 0;
  if (x == 1) {
    r = kHalfPi;
  } else if (x == -1) {
    r = -kHalfPi;
  } else {
    r = x87::Atan(x87::Div(x, OtherLeg(x, faults), faults));
  }
  return Value(RadiansToDegrees(r, faults));
}

FunctionOutcome ArcCosine(long double x, x87::Faults& faults) {
  if (x > 1 || x < -1) return Refuse(u"Number out of range.");
  long double r = 0;
  if (x == 1) {
    r = 0;
  } else if (x == 0) {
    r = kHalfPi;
  } else if (x == -1) {
    r = kPi;
  } else if (x > 0) {
    r = x87::Atan(x87::Div(OtherLeg(x, faults), x, faults));
  } else {
    r = x87::Add(x87::Atan(x87::Div(OtherLeg(x, faults), x, faults)), kPi, faults);
  }
  return Value(RadiansToDegrees(r, faults));
}

FunctionOutcome ArcTangent(long double x, x87::Faults& faults) { return Value(RadiansToDegrees(x87::Atan(x), faults)); }

FunctionOutcome DecimalLogarithm(long double x, x87::Faults& faults) { return Value(x87::Log10(x, faults)); }

FunctionOutcome NaturalLogarithm(long double x, x87::Faults& faults) { return Value(x87::Ln(x, faults)); }

FunctionOutcome Factorial(long double x, x87::Faults& faults) {
  if (x87::Sub(x, std::trunc(x), faults) != 0) return Refuse(u"No. to fact() is not an integer.");
  if (x < 0) return Refuse(u"Number out of range.");
  std::int64_t n = x87::TruncToInt64(x, faults);
  long double p = 1;
  // Stop at the first overflow: the product can only grow from there.
  while (n > 1 && !faults.Any()) {
    p = x87::Mul(p, static_cast<long double>(n), faults);
    --n;
  }
  return Value(p);
}

struct BuiltInFunction {
  std::u16string_view prefix;  // the name with its '('
  FunctionOutcome (*apply)(long double argument, x87::Faults& faults);
};

// Tried in this order; the '(' keeps SQR( from matching SQRT(4), SIN( from
// matching ARCSIN(1).
constexpr BuiltInFunction kFunctions[] = {
    {u"INV(", Inverse},      {u"EXP(", Exponential},   {u"SQR(", Square},           {u"SQRT(", SquareRoot},
    {u"SIN(", Sine},         {u"COS(", Cosine},        {u"TAN(", Tangent},          {u"ARCSIN(", ArcSine},
    {u"ARCCOS(", ArcCosine}, {u"ARCTAN(", ArcTangent}, {u"LOG(", DecimalLogarithm}, {u"LN(", NaturalLogarithm},
    {u"FACT(", Factorial},
};

const BuiltInFunction* FindFunction(std::u16string_view callText) {
  for (const BuiltInFunction& f : kFunctions) {
    if (callText.starts_with(f.prefix)) return &f;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// The per-call state of one evaluation.

struct TermNode {
  bool isOperator;
  char16_t op;
  long double value;
};

struct EvalState {
  WorkText expression;
  FixedText<kMessageCapacity> errorMessage;
  std::u16string_view resultText;  // a view into expression or valueText
  // The flat engine's postfix list; a flat text of n characters gives at most
  // n terms.
  TermNode terms[kWorkCapacity];
  std::size_t termCount = 0;
  // 1-based positions, as in the rules they implement; wide so nothing wraps.
  int scanPosition = 1;
  int tokenStart = 1;
  std::u16string_view currentToken;  // a view into the flat text being parsed
  int pairsLeft = 0;
  int openPos = 0;
  int closePos = 0;
  int nameStart = 0;
  GeneralNumber valueText;     // the value written back for a bracket
  GeneralNumber functionText;  // a function's result written back for its call
  long double finalValue = 0;
};

class Evaluator {
 public:
  explicit Evaluator(StepObserver* steps = nullptr) : steps_(steps) {}
  void Evaluate(std::u16string_view input);
  long double EvaluateFlat(std::u16string_view text);
  // Applies the function named in `callText` to its argument. `written` is
  // the argument's number text as written into the call, whose value then
  // needs no second reading; without it the text is read.
  bool ApplyFunction(std::u16string_view callText, const GeneralNumber* written, GeneralNumber& result);
  const EvalState& state() const { return s_; }

 private:
  void SetError(std::initializer_list<std::u16string_view> parts) {
    s_.errorMessage.Clear();
    for (std::u16string_view part : parts) {
      const bool fits = s_.errorMessage.Append(part);
      assert(fits);
      (void)fits;
    }
  }
  void SetError(std::u16string_view message) { SetError({message}); }
  bool HasError() const { return !s_.errorMessage.Empty(); }
  void ReportOutOfBounds() { SetError(u"Out of bounds"); }

  bool FormatNumber(long double value, GeneralNumber& out);
  long double ParseNumber(std::u16string_view text);
  long double ParseWritten(const GeneralNumber& written);
  void ValidateExpression();
  // Names the character at 1-based `position`, which is not allowed.
  void ReportBadCharacter(std::u16string_view text, int position);
  void ReduceDeepestBracket();
  // Sets the result of the expression once no bracket is left in it.
  void FinishWithoutBrackets();

  bool CheckFlatSyntax(std::u16string_view text) const;
  std::u16string_view NextToken(std::u16string_view text);
  void ParseSum(std::u16string_view text);
  void ParseProduct(std::u16string_view text);
  void ParsePower(std::u16string_view text);
  void PushToken(std::u16string_view token);
  void PushOperator(char16_t op) { s_.terms[s_.termCount++] = {true, op, 0}; }
  bool ExponentInRange(std::u16string_view token);
  long double RaisePower(long double base, long double exponent);
  // Sets the error and gives false when the operator cannot be applied.
  bool ApplyOperator(char16_t op, long double a, long double b, long double& result);
  void ClearTermList() { s_.termCount = 0; }

  bool ExtractArgument(std::u16string_view callText, long double& argument);

  void ReportStep(std::u16string_view text) {
    if (steps_ != nullptr) steps_->Step(text);
  }

  EvalState s_;
  StepObserver* steps_;
  long double stack_[kWorkCapacity];  // the reduction's operands
};

// ---------------------------------------------------------------------------
// Number text inside an evaluation.

// The general form with 15 digits, in place; false (and "Out of bounds")
// when the value cannot be written.
bool Evaluator::FormatNumber(long double value, GeneralNumber& out) {
  try {
    WriteGeneral(value, 15, out);
    return true;
  } catch (const FloatingPointOverflow&) {
    ReportOutOfBounds();
    out.text.Clear();
    return false;
  }
}

long double Evaluator::ParseNumber(std::u16string_view text) {
  const ScanResult r = ScanNumber(text);
  if (r.ok) return r.value;
  SetError({u"Number \"", text, u"\" is invalid."});
  return 0;
}

// ParseNumber of a text the evaluator has just written: the same value and
// the same overflow, from the digits instead of the characters.
long double Evaluator::ParseWritten(const GeneralNumber& written) {
  if (written.special) return ParseNumber(written.text.View());
  return ReadBack(written);
}

// ---------------------------------------------------------------------------
// The flat engine: pre-check, recursive descent into a postfix list, reduction.

bool Evaluator::CheckFlatSyntax(std::u16string_view text) const {
  const int length = Length(text);
  if (length > 0 && At(text, length) == u'-') return false;
  for (int i = 2; i <= length; ++i) {
    const char16_t c = At(text, i);
    if ((c == u'.' || c == u'E') && At(text, i - 1) == c) return false;
  }

  int numbers = 0;
  int operators = 0;
  int i = 1;
  bool broken = false;
  while (i <= length && !broken) {
    if (IsNumberChar(At(text, i))) {
      ++numbers;
      while (i <= length && !IsOperatorChar(At(text, i))) ++i;
    }
    broken = numbers != operators + 1;
    if (i <= length && IsOperatorChar(At(text, i))) ++operators;
    ++i;
  }
  return operators == 0 || operators < numbers;
}

// True when the 'E' at `pos` starts an exponent: a sign or a number
// character follows.
bool StartsExponent(std::u16string_view text, int pos) {
  if (pos == Length(text)) return false;
  const char16_t after = At(text, pos + 1);
  return after == u'+' || after == u'-' || IsNumberChar(after);
}

// Where an operand token from `pos` on ends: at an operator that follows
// neither an 'E' nor another operator, at a space, or at an 'E' that starts
// no exponent.
int OperandEnd(std::u16string_view text, int pos) {
  const int length = Length(text);
  for (; pos <= length; ++pos) {
    const char16_t c = At(text, pos);
    const char16_t before = pos > 1 ? At(text, pos - 1) : u'\0';
    if (IsOperatorChar(c) && before != u'E' && !IsOperatorChar(before)) break;
    if (c == u' ') break;
    if (c == u'E' && !StartsExponent(text, pos)) break;
  }
  return pos;
}

std::u16string_view Evaluator::NextToken(std::u16string_view text) {
  const int length = Length(text);
  int& pos = s_.scanPosition;
  while (pos <= length && At(text, pos) == u' ') ++pos;
  if (pos > length) {
    pos = 1;
    return {};
  }
  s_.tokenStart = pos;
  if (At(text, pos) == u'-' && (pos == 1 || IsOperatorChar(At(text, pos - 1)))) ++pos;
  if (pos <= length && IsOperatorChar(At(text, pos))) {
    ++pos;
  } else {
    pos = OperandEnd(text, pos);
  }
  return text.substr(static_cast<std::size_t>(s_.tokenStart - 1), static_cast<std::size_t>(pos - s_.tokenStart));
}

void Evaluator::ParsePower(std::u16string_view text) {
  s_.currentToken = NextToken(text);
  if (s_.currentToken.empty() || !IsNumberChar(s_.currentToken[0])) return;
  PushToken(s_.currentToken);
  if (HasError()) return;
  s_.currentToken = NextToken(text);
  while (!s_.currentToken.empty() && s_.currentToken[0] == u'^') {
    s_.currentToken = NextToken(text);
    PushToken(s_.currentToken);
    if (HasError()) return;
    PushOperator(u'^');
    s_.currentToken = NextToken(text);
  }
}

void Evaluator::ParseProduct(std::u16string_view text) {
  ParsePower(text);
  while (!HasError() && !s_.currentToken.empty() &&
         (s_.currentToken[0] == u'*' || s_.currentToken[0] == u'X' || s_.currentToken[0] == u'x')) {
    ParsePower(text);
    if (HasError()) return;
    PushOperator(u'*');
  }
}

void Evaluator::ParseSum(std::u16string_view text) {
  ParseProduct(text);
  while (!HasError() && !s_.currentToken.empty() && s_.currentToken[0] == u'+') {
    ParseProduct(text);
    if (HasError()) return;
    PushOperator(u'+');
  }
}

void Evaluator::PushToken(std::u16string_view token) {
  if (token.size() == 1 && IsOperatorChar(token[0])) {
    PushOperator(token[0]);
    return;
  }
  if (!ExponentInRange(token)) {
    SetError({token, u" magnitude too large. "});
    return;
  }
  const long double value = ParseNumber(token);
  if (HasError()) return;
  s_.terms[s_.termCount++] = {false, 0, value};
}

bool Evaluator::ExponentInRange(std::u16string_view token) {
  const std::size_t p = token.find(u'E');
  if (p == std::u16string_view::npos) return true;
  const long double v = ParseNumber(token.substr(p + 1));
  if (HasError()) return false;
  return (v < 0 ? -v : v) <= kMaxTokenExponent;
}

long double Evaluator::RaisePower(long double base, long double exponent) {
  if (exponent == 0) return 1.0L;
  x87::Faults faults;
  const long double r = x87::Exp(x87::Mul(exponent, x87::Ln(base, faults), faults), faults);
  if (faults.Any()) {
    ReportOutOfBounds();
    return 0;
  }
  return r;
}

bool Evaluator::ApplyOperator(char16_t op, long double a, long double b, long double& result) {
  if (op == u'^') {
    if (!(a > 0)) {
      SetError(u"Cannot raise negative no.");
      return false;
    }
    result = RaisePower(a, b);
    return !HasError();
  }
  x87::Faults faults;
  result = op == u'+' ? x87::Add(a, b, faults) : x87::Mul(a, b, faults);
  if (faults.Any()) {
    ReportOutOfBounds();
    return false;
  }
  return true;
}

long double Evaluator::EvaluateFlat(std::u16string_view text) {
  if (text.size() > kWorkCapacity) {
    SetError(kTooLong);
    return 0;
  }
  if (!CheckFlatSyntax(text)) {
    SetError(u"Invalid expression syntax.");
    return 0;
  }
  ClearTermList();
  s_.scanPosition = 1;
  ParseSum(text);
  if (HasError()) return 0;

  // Postfix reduction from the left: each operator takes the two values
  // before it. The parser puts both operands before every operator of a
  // text that passed the pre-check, and leaves at most one value over.
  std::size_t depth = 0;
  for (std::size_t t = 0; t < s_.termCount; ++t) {
    const TermNode& term = s_.terms[t];
    if (!term.isOperator) {
      stack_[depth++] = term.value;
      continue;
    }
    assert(depth >= 2);
    const long double b = stack_[--depth];
    long double r = 0;
    if (!ApplyOperator(term.op, stack_[depth - 1], b, r)) return 0;
    stack_[depth - 1] = r;
  }
  if (depth == 0) {
    SetError(u"Invalid input");
    return 0;
  }
  assert(depth == 1);
  s_.terms[0] = {false, 0, stack_[0]};
  s_.termCount = 1;
  return stack_[0];
}

// ---------------------------------------------------------------------------
// Built-in functions.

bool Evaluator::ExtractArgument(std::u16string_view callText, long double& argument) {
  const std::size_t open = callText.find(u'(', 2);
  if (open == std::u16string_view::npos) return false;
  const std::u16string_view rest = callText.substr(open + 1);
  const std::size_t close = rest.find(u')');
  if (close == std::u16string_view::npos) return false;
  const ScanResult r = ScanNumber(rest.substr(0, close));
  if (!r.ok) return false;
  argument = r.value;
  return true;
}

bool Evaluator::ApplyFunction(std::u16string_view callText, const GeneralNumber* written, GeneralNumber& result) {
  const BuiltInFunction* function = FindFunction(callText);
  if (function == nullptr) {
    SetError({u"Invalid function - ", callText});
    return false;
  }
  long double x = 0;
  // A written call is the name, '(', the number text and ')': the argument
  // is that text, which reads back as its digits.
  if (written != nullptr && !written->special) {
    x = ReadBack(*written);
  } else if (!ExtractArgument(callText, x)) {
    SetError(u"Invalid function syntax.");
    return false;
  }
  x87::Faults faults;
  const FunctionOutcome outcome = function->apply(x, faults);
  if (!outcome.refusal.empty()) {
    SetError(outcome.refusal);
    return false;
  }
  if (faults.Any()) {
    ReportOutOfBounds();
    return false;
  }
  return FormatNumber(outcome.value, result);
}

// ---------------------------------------------------------------------------
// Validation and the driver.

void Evaluator::ReportBadCharacter(std::u16string_view text, int position) {
  std::size_t width = 1;
  // A character beyond the basic plane is named whole, not as half a pair.
  const char16_t first = At(text, position);
  const int next = position + 1;
  if (first >= 0xD800 && first <= 0xDBFF && next <= Length(text) && At(text, next) >= 0xDC00 &&
      At(text, next) <= 0xDFFF) {
    width = 2;
  }
  SetError({u"Invalid character \"", text.substr(static_cast<std::size_t>(position - 1), width), u"\"."});
}

void Evaluator::ValidateExpression() {
  const std::u16string_view text = s_.expression.View();
  const int length = Length(text);
  int i = 1;
  int opened = 0;
  int closed = 0;
  bool badCharacter = false;
  bool closedTooEarly = false;
  while (i <= length && !badCharacter && !closedTooEarly) {
    const char16_t c = At(text, i);
    badCharacter = !IsAllowedChar(c);
    if (!badCharacter) {
      if (c == u'(') ++opened;
      if (c == u')') ++closed;
      closedTooEarly = closed > opened;
    }
    ++i;
  }
  if (badCharacter) {
    ReportBadCharacter(text, i - 1);
  } else if (closedTooEarly) {
    SetError(i > length ? u"Too many right brackets." : u"Brackets in wrong order.");
  } else if (opened > closed) {
    SetError(u"Too many left brackets.");
  }
}

int FindDeepestOpenBracket(std::u16string_view text) {
  int depth = 0;
  int best = 0;
  int candidate = 0;
  for (int i = 1; i <= Length(text); ++i) {
    if (At(text, i) == u'(') {
      ++depth;
      if (depth > best) {
        best = depth;
        candidate = i;
      }
    } else if (At(text, i) == u')') {
      --depth;
    }
  }
  return candidate;
}

// The validated text closes every '(' after it.
int FindClosingBracket(std::u16string_view text, int p) {
  const std::size_t close = text.find(u')', static_cast<std::size_t>(p));
  assert(close != std::u16string_view::npos);
  return static_cast<int>(close) + 1;
}

int CountOpenBrackets(std::u16string_view text) { return static_cast<int>(std::ranges::count(text, u'(')); }

// Digits with at most one point among them, such as a divisor or a
// function's argument: the flat engine reads such a text as one token and
// gives the strict reader's value, overflow included.
bool IsUnsignedDecimal(std::u16string_view text) {
  bool digit = false;
  bool point = false;
  for (char16_t c : text) {
    if (c >= u'0' && c <= u'9') {
      digit = true;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

// Evaluates the deepest, leftmost bracket pair and writes its value back in
// its place: as the argument of the function named before it, whose result
// then replaces the whole call, or else as a plain number.
void Evaluator::ReduceDeepestBracket() {
  WorkText& e = s_.expression;
  s_.openPos = FindDeepestOpenBracket(e.View());
  s_.closePos = FindClosingBracket(e.View(), s_.openPos);
  const auto open = static_cast<std::size_t>(s_.openPos);  // 0-based index after the '('
  const auto innerLength = static_cast<std::size_t>(s_.closePos - s_.openPos - 1);
  if (innerLength == 0) {
    SetError(u"Empty brackets");
    return;
  }
  const std::u16string_view inner = e.View().substr(open, innerLength);
  const long double value = IsUnsignedDecimal(inner) ? ScanNumber(inner).value : EvaluateFlat(inner);
  if (HasError()) return;
  if (!FormatNumber(value, s_.valueText)) return;
  const std::u16string_view valueText = s_.valueText.text.View();

  bool fits = true;
  if (s_.openPos > 1 && IsLetterChar(At(e.View(), s_.openPos - 1)) && At(e.View(), s_.openPos - 1) != u'X') {
    const bool argumentRewritten = inner != valueText;
    fits = e.Replace(open, innerLength, valueText);
    assert(fits);
    s_.nameStart = s_.openPos - 1;
    while (s_.nameStart > 1 && IsLetterChar(At(e.View(), s_.nameStart - 1))) --s_.nameStart;
    const auto callLength = static_cast<std::size_t>(s_.openPos - s_.nameStart) + valueText.size() + 2;
    const auto nameIndex = static_cast<std::size_t>(s_.nameStart - 1);
    if (!ApplyFunction(e.View().substr(nameIndex, callLength), &s_.valueText, s_.functionText)) {
      // The call as the function saw it, such as INV(0).
      if (argumentRewritten) ReportStep(e.View());
      return;
    }
    fits = e.Replace(nameIndex, callLength, s_.functionText.text.View());
  } else {
    fits = e.Replace(open - 1, innerLength + 2, valueText);
  }
  if (!fits || e.Size() > kMaxExpressionLength) SetError(kTooLong);
}

// TrimTrailingZeros without a copy.
std::u16string_view WithoutTrailingZeros(std::u16string_view text) {
  if (text.find(u'.') == std::u16string_view::npos) return text;
  while (!text.empty() && text.back() == u'0') text.remove_suffix(1);
  if (!text.empty() && text.back() == u'.') text.remove_suffix(1);
  return text;
}

// The text written for a value inside the range shown positionally reads
// back as a value that is written as the same text again: there the reader
// and the writer each scale by one exact power of ten with one rounding.
[[maybe_unused]] bool WrittenTextIsFinal(long double readBack) {
  const long double magnitude = readBack < 0 ? -readBack : readBack;
  return magnitude >= kPlainRangeLow && magnitude <= kPlainRangeHigh;
}

void Evaluator::Evaluate(std::u16string_view input) {
  // No input, however long, may make an evaluation slow.
  if (TrimControlCharacters(input).size() > kMaxInputLength) {
    SetError(kTooLong);
    return;
  }

  s_.errorMessage.Clear();
  s_.scanPosition = 1;
  ClearTermList();
  // A text that does not fit is never empty.
  bool commas = false;
  if (!NormaliseInto(input, s_.expression, &commas)) {
    SetError(kTooLong);
    return;
  }
  if (s_.expression.Empty()) {
    s_.resultText = {};
    return;
  }
  // A comma in any other place, such as a decimal comma in 3,5, would
  // otherwise vanish and join the digits.
  if (commas) {
    if (const std::u16string_view number = MisplacedCommaNumber(input); !number.empty()) {
      SetError({u"Number \"", number, u"\" is invalid."});
      return;
    }
  }
  ReportStep(s_.expression.View());

  ValidateExpression();
  if (HasError()) return;

  for (s_.pairsLeft = CountOpenBrackets(s_.expression.View()); s_.pairsLeft > 0; --s_.pairsLeft) {
    ReduceDeepestBracket();
    if (HasError()) return;
    ReportStep(s_.expression.View());
  }
  FinishWithoutBrackets();
}

void Evaluator::FinishWithoutBrackets() {
  const std::u16string_view e = s_.expression.View();
  if (const ScanResult plain = ScanNumber(e); plain.ok) {
    // A typed plain number comes back as typed unless it lies in the range
    // shown positionally.
    s_.resultText = e;
    s_.finalValue = plain.value;
    const long double magnitude = s_.finalValue < 0 ? -s_.finalValue : s_.finalValue;
    if (magnitude >= kPlainRangeLow && magnitude <= kPlainRangeHigh) {
      if (!FormatNumber(s_.finalValue, s_.valueText)) return;
      s_.resultText = WithoutTrailingZeros(s_.valueText.text.View());
    }
    return;
  }
  if (!FormatNumber(EvaluateFlat(e), s_.valueText)) return;
  if (HasError()) return;
  ReportStep(s_.valueText.text.View());
  ClearTermList();
  s_.finalValue = ParseWritten(s_.valueText);
  // Re-formatting the value read back would give the written text again.
  assert(HasError() || !WrittenTextIsFinal(s_.finalValue) ||
         WriteGeneral(s_.finalValue, 15) == s_.valueText.text.View());
  s_.resultText = HasError() ? std::u16string_view() : s_.valueText.text.View();
}

}  // namespace

// ---------------------------------------------------------------------------
// Entries.

std::u16string_view TrimControlCharacters(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

bool NormaliseExpression(std::u16string_view input, std::u16string& normalised) {
  WorkText text;
  const bool fits = NormaliseInto(input, text);
  normalised.assign(text.View());
  return fits;
}

void EvaluateExpression(std::u16string_view expression, EvaluationResult& result, StepObserver* steps) {
  result.errorMessage.clear();
  result.resultText.clear();
  x87::ScopedEnvironment environment;
  Evaluator evaluator(steps);
  evaluator.Evaluate(expression);
  if (!evaluator.state().errorMessage.Empty()) {
    result.errorMessage.assign(evaluator.state().errorMessage.View());
  } else {
    result.resultText.assign(evaluator.state().resultText);
  }
}

EvaluationResult EvaluateExpression(std::u16string_view expression, StepObserver* steps) {
  EvaluationResult result;
  EvaluateExpression(expression, result, steps);
  return result;
}

EvaluationResult EvaluateFlatText(std::u16string_view text) {
  x87::ScopedEnvironment environment;
  Evaluator evaluator;
  const long double value = evaluator.EvaluateFlat(text);
  if (!evaluator.state().errorMessage.Empty()) return {std::u16string(evaluator.state().errorMessage.View()), {}};
  return {{}, WriteGeneral(value, 15)};
}

EvaluationResult ApplyFunctionText(std::u16string_view call_text) {
  if (call_text.size() > kWorkCapacity) return {std::u16string(kTooLong), {}};
  x87::ScopedEnvironment environment;
  Evaluator evaluator;
  GeneralNumber result;
  if (!evaluator.ApplyFunction(call_text, nullptr, result)) {
    return {std::u16string(evaluator.state().errorMessage.View()), {}};
  }
  return {{}, std::u16string(result.text.View())};
}

}  // namespace calc
