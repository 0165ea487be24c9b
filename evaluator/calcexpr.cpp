// SPDX-License-Identifier: MIT
#include "calcexpr.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <vector>

#include "calcexpr_internal.h"
#include "x87.h"

namespace calc {
namespace {

// Character classes. Code units above 255 belong to none of them.
bool IsOperatorChar(char16_t c) { return c == u'*' || c == u'+' || c == u'/' || c == u'X' || c == u'^' || c == u'x'; }
bool IsNumberChar(char16_t c) { return c == u'-' || c == u'.' || (c >= u'0' && c <= u'9'); }
bool IsLetterChar(char16_t c) { return c >= u'A' && c <= u'Z'; }
bool IsAllowedChar(char16_t c) {
  return IsOperatorChar(c) || IsNumberChar(c) || IsLetterChar(c) || c == u' ' || c == u'(' || c == u')';
}
// A '-' after one of these is a sign, not a subtraction.
bool IsMinusContextChar(char16_t c) { return IsOperatorChar(c) || c == u'(' || c == u'E'; }
// A divisor starting with one of these is a function name or a signed name.
bool IsDivisorLetterChar(char16_t c) { return IsLetterChar(c) || c == u'-'; }

constexpr std::u16string_view kTooLong = u"Expression too long.";

// The text that replaces PI: pi's 15-digit number text.
const std::u16string& PiText() {
  static const std::u16string text = TrimTrailingZeros(FormatGeneral(kPi, 15));
  return text;
}

void RemoveCharacter(std::u16string& text, char16_t ch) { std::erase(text, ch); }

void TrimSpaces(std::u16string& text) {
  const std::size_t end = text.find_last_not_of(u' ');
  text.erase(end == std::u16string::npos ? 0 : end + 1);
  text.erase(0, text.find_first_not_of(u' '));
}

// Character at a 1-based position.
char16_t At(std::u16string_view text, int position) { return text[static_cast<std::size_t>(position - 1)]; }
int Length(std::u16string_view text) { return static_cast<int>(text.size()); }

std::u16string Quote(std::u16string_view text) {
  std::u16string out = u"\"";
  out += text;
  out += u'"';
  return out;
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
  bool isOperator = false;
  char16_t op = 0;
  long double value = 0;
};

struct EvalState {
  std::u16string expression;
  std::u16string errorMessage;
  std::u16string resultText;
  std::vector<TermNode> terms;
  // 1-based positions, as in the rules they implement; wide so nothing wraps.
  int scanPosition = 1;
  int tokenStart = 1;
  std::u16string_view currentToken;  // a view into the flat text being parsed
  int pairsLeft = 0;
  int openPos = 0;
  int closePos = 0;
  int nameStart = 0;
  std::u16string valueText;
  long double finalValue = 0;
};

class Evaluator {
 public:
  void Evaluate(std::u16string_view input);
  long double EvaluateFlat(std::u16string_view text);
  std::u16string ApplyFunction(std::u16string_view callText);
  const EvalState& state() const { return s_; }

 private:
  void SetError(std::u16string_view message) { s_.errorMessage = message; }
  bool HasError() const { return !s_.errorMessage.empty(); }
  void ReportOutOfBounds() { SetError(u"Out of bounds"); }

  std::u16string FormatNumber(int mode, long double value);
  long double ParseNumber(std::u16string_view text);
  void ValidateExpression();
  void ReduceDeepestBracket();

  bool CheckFlatSyntax(std::u16string_view text) const;
  std::u16string_view NextToken(std::u16string_view text);
  void ParseSum(std::u16string_view text);
  void ParseProduct(std::u16string_view text);
  void ParsePower(std::u16string_view text);
  void PushToken(std::u16string_view token);
  bool ExponentInRange(std::u16string_view token);
  long double RaisePower(long double base, long double exponent);
  void ClearTermList() { s_.terms.clear(); }

  bool ExtractArgument(std::u16string_view callText, long double& argument);

  EvalState s_;
  std::vector<long double> stack_;  // the reduction's operands, kept for its capacity
};

// ---------------------------------------------------------------------------
// Number text inside an evaluation.

std::u16string Evaluator::FormatNumber(int mode, long double value) {
  try {
    std::u16string text = WriteGeneral(value, 15);
    return mode >= 0 ? TrimTrailingZeros(std::move(text)) : text;
  } catch (const FloatingPointOverflow&) {
    ReportOutOfBounds();
    return {};
  }
}

long double Evaluator::ParseNumber(std::u16string_view text) {
  const ScanResult r = ScanNumber(text);
  if (r.ok) return r.value;
  SetError(u"Number " + Quote(text) + u" is invalid.");
  return 0;
}

// ---------------------------------------------------------------------------
// The flat engine: pre-check, recursive descent into a postfix list, reduction.

bool Evaluator::CheckFlatSyntax(std::u16string_view text) const {
  if (text.find(u"..") != std::u16string_view::npos || text.find(u"EE") != std::u16string_view::npos) {
    return false;
  }
  const int length = Length(text);
  if (length > 0 && At(text, length) == u'-') return false;

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
    while (pos <= length) {
      const char16_t c = At(text, pos);
      const char16_t before = pos > 1 ? At(text, pos - 1) : u'\0';
      if (IsOperatorChar(c) && before != u'E' && !IsOperatorChar(before)) break;
      if (c == u' ') break;
      if (c == u'E') {
        const char16_t after = pos < length ? At(text, pos + 1) : u'\0';
        if (pos == length || (after != u'+' && after != u'-' && !IsNumberChar(after))) break;
      }
      ++pos;
    }
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
    PushToken(u"^");
    s_.currentToken = NextToken(text);
  }
}

void Evaluator::ParseProduct(std::u16string_view text) {
  ParsePower(text);
  while (!HasError() && !s_.currentToken.empty() &&
         (s_.currentToken[0] == u'*' || s_.currentToken[0] == u'X' || s_.currentToken[0] == u'x')) {
    ParsePower(text);
    if (HasError()) return;
    PushToken(u"*");
  }
}

void Evaluator::ParseSum(std::u16string_view text) {
  ParseProduct(text);
  while (!HasError() && !s_.currentToken.empty() && s_.currentToken[0] == u'+') {
    ParseProduct(text);
    if (HasError()) return;
    PushToken(u"+");
  }
}

void Evaluator::PushToken(std::u16string_view token) {
  if (token.size() == 1 && IsOperatorChar(token[0])) {
    s_.terms.push_back({true, token[0], 0});
    return;
  }
  if (!ExponentInRange(token)) {
    SetError(std::u16string(token) + u" magnitude too large. ");
    return;
  }
  const long double value = ParseNumber(token);
  if (HasError()) return;
  s_.terms.push_back({false, 0, value});
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

long double Evaluator::EvaluateFlat(std::u16string_view text) {
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
  stack_.clear();
  for (const TermNode& term : s_.terms) {
    if (!term.isOperator) {
      stack_.push_back(term.value);
      continue;
    }
    assert(stack_.size() >= 2);
    const long double b = stack_.back();
    stack_.pop_back();
    const long double a = stack_.back();
    long double r = 0;
    if (term.op == u'^') {
      if (!(a > 0)) {
        SetError(u"Cannot raise negative no.");
        return 0;
      }
      r = RaisePower(a, b);
      if (HasError()) return 0;
    } else {
      x87::Faults faults;
      r = term.op == u'+' ? x87::Add(a, b, faults) : x87::Mul(a, b, faults);
      if (faults.Any()) {
        ReportOutOfBounds();
        return 0;
      }
    }
    stack_.back() = r;
  }
  if (stack_.empty()) {
    SetError(u"Invalid input");
    return 0;
  }
  assert(stack_.size() == 1);
  s_.terms.assign(1, TermNode{false, 0, stack_.back()});
  return stack_.back();
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

std::u16string Evaluator::ApplyFunction(std::u16string_view callText) {
  const BuiltInFunction* function = FindFunction(callText);
  if (function == nullptr) {
    SetError(u"Invalid function - " + std::u16string(callText));
    return {};
  }
  long double x = 0;
  if (!ExtractArgument(callText, x)) {
    SetError(u"Invalid function syntax.");
    return {};
  }
  x87::Faults faults;
  const FunctionOutcome outcome = function->apply(x, faults);
  if (!outcome.refusal.empty()) {
    SetError(outcome.refusal);
    return {};
  }
  if (faults.Any()) {
    ReportOutOfBounds();
    return {};
  }
  return FormatNumber(-1, outcome.value);
}

// ---------------------------------------------------------------------------
// Validation and the driver.

void Evaluator::ValidateExpression() {
  const std::u16string& text = s_.expression;
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
    std::u16string ch(1, At(text, i - 1));
    // A character beyond the basic plane is named whole, not as half a pair.
    if (ch[0] >= 0xD800 && ch[0] <= 0xDBFF && i <= length && At(text, i) >= 0xDC00 && At(text, i) <= 0xDFFF) {
      ch += At(text, i);
    }
    SetError(u"Invalid character " + Quote(ch) + u".");
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

bool IsPlainNumber(std::u16string_view text) { return ScanNumber(text).ok; }

// Evaluates the deepest, leftmost bracket pair and writes its value back in
// its place: as the argument of the function named before it, whose result
// then replaces the whole call, or else as a plain number.
void Evaluator::ReduceDeepestBracket() {
  std::u16string& e = s_.expression;
  s_.openPos = FindDeepestOpenBracket(e);
  s_.closePos = FindClosingBracket(e, s_.openPos);
  const auto open = static_cast<std::size_t>(s_.openPos);  // 0-based index after the '('
  const auto innerLength = static_cast<std::size_t>(s_.closePos - s_.openPos - 1);
  if (innerLength == 0) {
    SetError(u"Empty brackets");
    return;
  }
  s_.valueText = FormatNumber(-1, EvaluateFlat(std::u16string_view(e).substr(open, innerLength)));
  if (HasError()) return;

  if (s_.openPos > 1 && IsLetterChar(At(e, s_.openPos - 1)) && At(e, s_.openPos - 1) != u'X') {
    e.replace(open, innerLength, s_.valueText);
    s_.nameStart = s_.openPos - 1;
    while (s_.nameStart > 1 && IsLetterChar(At(e, s_.nameStart - 1))) --s_.nameStart;
    const auto callLength = static_cast<std::size_t>(s_.openPos - s_.nameStart) + s_.valueText.size() + 2;
    const auto nameIndex = static_cast<std::size_t>(s_.nameStart - 1);
    s_.valueText = e.substr(nameIndex, callLength);
    const std::u16string result = ApplyFunction(s_.valueText);
    if (HasError()) return;
    e.replace(nameIndex, callLength, result);
  } else {
    e.replace(open - 1, innerLength + 2, s_.valueText);
  }
  if (e.size() > kMaxExpressionLength) SetError(kTooLong);
}

void Evaluator::Evaluate(std::u16string_view input) {
  // No input, however long, may make an evaluation slow.
  if (TrimControlCharacters(input).size() > kMaxInputLength) {
    SetError(kTooLong);
    return;
  }

  s_.errorMessage.clear();
  s_.scanPosition = 1;
  ClearTermList();
  // Commas go before normalisation so that a grouped divisor (2/1,000)
  // stays one number.
  s_.expression = UpperCaseAscii(input);
  RemoveCharacter(s_.expression, u',');
  const bool fits = NormaliseExpression(s_.expression);
  TrimSpaces(s_.expression);
  if (s_.expression.empty()) {
    s_.resultText.clear();
    return;
  }
  if (!fits || s_.expression.size() > kMaxExpressionLength) {
    SetError(kTooLong);
    return;
  }

  ValidateExpression();
  if (HasError()) return;

  for (s_.pairsLeft = CountOpenBrackets(s_.expression); s_.pairsLeft > 0; --s_.pairsLeft) {
    ReduceDeepestBracket();
    if (HasError()) return;
  }

  if (IsPlainNumber(s_.expression)) {
    s_.valueText = s_.expression;
  } else {
    s_.valueText = FormatNumber(-1, EvaluateFlat(s_.expression));
    if (HasError()) return;
  }
  ClearTermList();
  s_.finalValue = ParseNumber(s_.valueText);
  const long double magnitude = s_.finalValue < 0 ? -s_.finalValue : s_.finalValue;
  if (magnitude >= kPlainRangeLow && magnitude <= kPlainRangeHigh) s_.valueText = FormatNumber(25, s_.finalValue);
  s_.resultText = HasError() ? std::u16string() : s_.valueText;
}

}  // namespace

// ---------------------------------------------------------------------------
// Normalisation.

std::u16string_view TrimControlCharacters(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

std::u16string UpperCaseAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

namespace {

// Every "PI" becomes pi's number text. The inserted digits cannot form a new
// "PI", so one left-to-right pass does what repeated replacement would.
void ReplacePi(std::u16string& s) {
  if (s.find(u"PI") == std::u16string::npos) return;
  std::u16string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'P' && i + 1 < s.size() && s[i + 1] == u'I') {
      out += PiText();
      ++i;
    } else {
      out += s[i];
    }
  }
  s = std::move(out);
}

// Each pair of minus signs is dropped from the left end of its run; the
// first pair leaves a '+' when it followed an operand.
void RemoveDoubledMinus(std::u16string& s) {
  if (s.find(u"--") == std::u16string::npos) return;
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] != u'-') {
      out += s[i++];
      continue;
    }
    std::size_t j = i;
    while (j < s.size() && s[j] == u'-') ++j;
    const std::size_t run = j - i;
    if (run >= 2 && !out.empty() && !IsOperatorChar(out.back())) out += u'+';
    if (run % 2 == 1) out += u'-';
    i = j;
  }
  s = std::move(out);
}

// A '-' after an operand becomes "+-"; the last character is never examined.
bool IsSubtraction(const std::u16string& s, std::size_t j) {
  return j > 0 && j + 1 < s.size() && s[j] == u'-' && !IsMinusContextChar(s[j - 1]);
}

void MarkSubtractions(std::u16string& s) {
  std::size_t first = 1;
  while (first < s.size() && !IsSubtraction(s, first)) ++first;
  if (first >= s.size()) return;  // nothing to mark: no copy
  std::u16string out;
  out.reserve(s.size() + s.size() / 2);
  for (std::size_t j = 0; j < s.size(); ++j) {
    if (IsSubtraction(s, j)) out += u'+';
    out += s[j];
  }
  s = std::move(out);
}

// Every '/' but one in the last position becomes "*INV(" around the
// shortest operand. Returns false once the text grows too long; nothing
// after this pass shortens it.
bool RewriteDivisions(std::u16string& s) {
  std::size_t i = 0;
  while (i + 1 < s.size()) {
    if (s[i] != u'/') {
      ++i;
      continue;
    }
    s.erase(i, 1);
    if (s[i] == u'(') {
      s.insert(i, u"*INV");
    } else {
      s.insert(i, u"*INV(");
      std::size_t q = i + 5;
      if (q < s.size() && IsDivisorLetterChar(s[q])) {
        while (q < s.size() && IsDivisorLetterChar(s[q])) ++q;
        if (q < s.size() && s[q] == u'(') {
          int opened = 1;
          int closed = 0;
          // Stops at the end of the text when the group is not closed, which
          // leaves the brackets unbalanced for validation to report.
          while (opened != closed && q + 1 < s.size()) {
            ++q;
            if (s[q] == u'(') ++opened;
            if (s[q] == u')') ++closed;
          }
          if (opened != closed) q = s.size();
        }
      } else {
        while (q < s.size() && (IsNumberChar(s[q]) || (s[q] == u'E' && q + 1 < s.size() && IsNumberChar(s[q + 1])))) {
          ++q;
        }
      }
      s.insert(q, u")");
    }
    if (s.size() > kMaxExpressionLength) return false;
    ++i;
  }
  return true;
}

}  // namespace

bool NormaliseExpression(std::u16string& expression) {
  RemoveCharacter(expression, u' ');
  ReplacePi(expression);
  RemoveDoubledMinus(expression);
  // The remaining passes only add characters.
  if (expression.size() > kMaxExpressionLength) return false;
  MarkSubtractions(expression);
  if (expression.size() > kMaxExpressionLength) return false;
  return RewriteDivisions(expression);
}

// ---------------------------------------------------------------------------
// Entries.

EvaluationResult EvaluateExpression(std::u16string_view expression) {
  x87::ScopedEnvironment environment;
  Evaluator evaluator;
  evaluator.Evaluate(expression);
  return {evaluator.state().errorMessage, evaluator.state().resultText};
}

EvaluationResult EvaluateFlatText(std::u16string_view text) {
  x87::ScopedEnvironment environment;
  Evaluator evaluator;
  const long double value = evaluator.EvaluateFlat(text);
  if (!evaluator.state().errorMessage.empty()) return {evaluator.state().errorMessage, {}};
  return {{}, WriteGeneral(value, 15)};
}

EvaluationResult ApplyFunctionText(std::u16string_view call_text) {
  x87::ScopedEnvironment environment;
  Evaluator evaluator;
  std::u16string text = evaluator.ApplyFunction(call_text);
  return {evaluator.state().errorMessage, std::move(text)};
}

}  // namespace calc
