// SPDX-License-Identifier: MIT
#include "explanation.h"

#include <cstddef>

#include "calcexpr.h"
#include "numtext.h"
#include "translation.h"

namespace calc {
namespace {

constexpr std::size_t kNone = std::u16string_view::npos;

constexpr std::u16string_view kNegativePower = u"Cannot raise negative no.";
constexpr std::u16string_view kTooLong = u"Expression too long.";
constexpr std::u16string_view kInvalidNumberStart = u"Number \"";
constexpr std::u16string_view kInvalidNumberEnd = u"\" is invalid.";

struct Calculation {
  std::u16string_view typed;
  const std::vector<std::u16string>& steps;
  const Presentation& outcome;

  bool IsMessage(std::u16string_view message) const {
    return outcome.kind == Presentation::Kind::kMessage && outcome.text == message;
  }
  // The number a "Number ... is invalid." message names, or nothing.
  std::optional<std::u16string_view> InvalidNumber() const {
    if (outcome.kind != Presentation::Kind::kMessage) return std::nullopt;
    std::u16string_view m = outcome.text;
    if (!m.starts_with(kInvalidNumberStart) || !m.ends_with(kInvalidNumberEnd)) return std::nullopt;
    m.remove_prefix(kInvalidNumberStart.size());
    m.remove_suffix(kInvalidNumberEnd.size());
    return m;
  }
};

// ---------------------------------------------------------------------------
// Reading the expression as typed: spaces anywhere, letter case free.

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }
bool IsLetter(char16_t c) { return Lower(c) >= u'a' && Lower(c) <= u'z'; }
bool IsPiAt(std::u16string_view t, std::size_t i) {
  return i + 1 < t.size() && Lower(t[i]) == u'p' && Lower(t[i + 1]) == u'i';
}
bool StartsNumber(char16_t c) { return IsDigit(c) || c == u'.' || c == u','; }

std::size_t SkipSpaces(std::u16string_view t, std::size_t i) {
  while (i < t.size() && t[i] == u' ') ++i;
  return i;
}

// The end of the number typed from `i`: digits, points and commas, then an
// exponent when digits follow its 'E' and sign.
std::size_t NumberEnd(std::u16string_view t, std::size_t i) {
  while (i < t.size() && StartsNumber(t[i])) ++i;
  if (i < t.size() && Lower(t[i]) == u'e') {
    std::size_t k = i + 1;
    if (k < t.size() && (t[k] == u'+' || t[k] == u'-')) ++k;
    if (k < t.size() && IsDigit(t[k])) {
      while (k < t.size() && IsDigit(t[k])) ++k;
      i = k;
    }
  }
  return i;
}

// The end of a bracket group opened at `i`, after its ')'.
std::size_t GroupEnd(std::u16string_view t, std::size_t i) {
  int depth = 0;
  for (; i < t.size(); ++i) {
    if (t[i] == u'(') ++depth;
    if (t[i] == u')' && --depth == 0) return i + 1;
  }
  return kNone;
}

// The end of a number or pi typed from `i`.
std::size_t NumberOrPiEnd(std::u16string_view t, std::size_t i) {
  if (i < t.size() && StartsNumber(t[i])) return NumberEnd(t, i);
  if (IsPiAt(t, i)) return i + 2;
  return kNone;
}

// The end of a value typed from `i`: a number, pi, a bracket group or a
// function call.
std::size_t ValueEnd(std::u16string_view t, std::size_t i) {
  if (const std::size_t end = NumberOrPiEnd(t, i); end != kNone) return end;
  if (i < t.size() && t[i] == u'(') return GroupEnd(t, i);
  std::size_t k = i;
  while (k < t.size() && IsLetter(t[k])) ++k;
  if (k == i || k >= t.size() || t[k] != u'(') return kNone;
  return GroupEnd(t, k);
}

// Past a run of signs and spaces from `i`; `minus` counts the '-' in it.
std::size_t SkipSigns(std::u16string_view t, std::size_t i, int& minus) {
  minus = 0;
  while (i < t.size() && (t[i] == u'-' || t[i] == u'+' || t[i] == u' ')) {
    if (t[i] == u'-') ++minus;
    ++i;
  }
  return i;
}

// The end of the powers from the '^' at `i` on: each exponent a value with
// its signs.
std::size_t PowersEnd(std::u16string_view t, std::size_t i) {
  std::size_t end = i;
  while (i < t.size() && t[i] == u'^') {
    int minus = 0;
    end = ValueEnd(t, SkipSigns(t, i + 1, minus));
    if (end == kNone) return kNone;
    i = SkipSpaces(t, end);
  }
  return end;
}

// The last character before `i` that is not a space, or 0.
char16_t Before(std::u16string_view t, std::size_t i) {
  while (i > 0 && t[i - 1] == u' ') --i;
  return i > 0 ? t[i - 1] : u'\0';
}

// A rewrite is offered only when it calculates.
bool Calculates(std::u16string_view write) {
  try {
    return EvaluateExpression(write).errorMessage.empty();
  } catch (const FloatingPointOverflow&) {
    return false;
  }
}

bool Offer(std::u16string&& write, std::u16string_view typed, Explanation& e) {
  if (write == typed || !Calculates(write)) return false;
  e.write = std::move(write);
  return true;
}

// ---------------------------------------------------------------------------
// The rules, one a sentence.

// 10-2^2: a minus sign binds to its number before the power does.
bool SignedPower(const Calculation& c, Explanation& e) {
  if (!c.IsMessage(kNegativePower)) return false;
  const std::u16string_view t = c.typed;
  std::u16string write;
  for (std::size_t i = 0; i < t.size();) {
    if (StartsNumber(t[i])) {
      const std::size_t end = NumberEnd(t, i);
      write.append(t.substr(i, end - i));
      i = end;
      continue;
    }
    if (t[i] != u'-') {
      write += t[i++];
      continue;
    }
    // The sign of an exponent is no base's.
    const bool exponentSign = Before(t, i) == u'^';
    int minus = 0;
    const std::size_t base = SkipSigns(t, i, minus);
    const std::size_t baseEnd = NumberOrPiEnd(t, base);
    const std::size_t powers = baseEnd == kNone ? kNone : SkipSpaces(t, baseEnd);
    const std::size_t end = powers < t.size() && t[powers] == u'^' ? PowersEnd(t, powers) : kNone;
    write.append(t.substr(i, base - i));
    if (exponentSign || minus % 2 == 0 || end == kNone) {
      i = base;
      continue;
    }
    if (e.piece.empty()) e.piece = u"-" + std::u16string(t.substr(base, baseEnd - base));
    write += u'(';
    write.append(t.substr(base, end - base));
    write += u')';
    i = end;
  }
  return !e.piece.empty() && Offer(std::move(write), t, e);
}

// The first power in the text the working last held whose base is zero
// (`zero`) or below it, such as 0^2 or -2^2 in 1+-2^2.
bool RefusedBase(const Calculation& c, bool zero, Explanation& e) {
  if (!c.IsMessage(kNegativePower) || c.steps.empty()) return false;
  const std::u16string_view s = c.steps.back();
  for (std::size_t p = s.find(u'^'); p != kNone; p = s.find(u'^', p + 1)) {
    std::size_t from = p;
    while (from > 0 && (IsDigit(s[from - 1]) || s[from - 1] == u'.')) --from;
    if (from > 0 && s[from - 1] == u'-') --from;
    const ScanResult base = ScanNumber(s.substr(from, p - from));
    if (from == p || !base.ok || (base.value == 0) != zero) continue;
    std::size_t to = p + 1;
    if (to < s.size() && s[to] == u'-') ++to;
    while (to < s.size() && (IsDigit(s[to]) || s[to] == u'.')) ++to;
    e.piece = s.substr(from, to - from);
    return true;
  }
  return false;
}

// 0^2: only a base above 0 is raised.
bool ZeroBase(const Calculation& c, Explanation& e) { return RefusedBase(c, true, e); }

// (1-3)^2: a base that came out below 0.
bool NegativeBase(const Calculation& c, Explanation& e) { return RefusedBase(c, false, e); }

// 3-(-1): a minus sign before brackets meets the sign of their value.
bool SignBeforeBrackets(const Calculation& c, Explanation& e) {
  const std::optional<std::u16string_view> number = c.InvalidNumber();
  if (!number || !number->starts_with(u"--")) return false;
  const std::u16string_view t = c.typed;
  std::u16string write;
  for (std::size_t i = 0; i < t.size();) {
    if (t[i] != u'-') {
      write += t[i++];
      continue;
    }
    const char16_t before = Before(t, i);
    int minus = 0;
    const std::size_t next = SkipSigns(t, i, minus);
    write.append(t.substr(i, next - i));
    // Times minus one where the sign stands for one; not in an exponent or
    // a divisor, where it would take a different operand.
    if (next < t.size() && t[next] == u'(' && minus % 2 == 1 && before != u'^' && before != u'/') write += u"1*";
    i = next;
  }
  e.piece = *number;
  return Offer(std::move(write), t, e);
}

// 1/-2, 2/+3: the divisor is what follows '/', without a sign.
bool SignedDivisor(const Calculation& c, Explanation& e) {
  if (c.outcome.kind != Presentation::Kind::kMessage) return false;
  const std::u16string_view t = c.typed;
  std::u16string write;
  bool found = false;
  for (std::size_t i = 0; i < t.size();) {
    const std::size_t sign = t[i] == u'/' ? SkipSpaces(t, i + 1) : kNone;
    if (sign == kNone || sign >= t.size() || (t[sign] != u'-' && t[sign] != u'+')) {
      write += t[i++];
      continue;
    }
    int minus = 0;
    const std::size_t divisor = SkipSigns(t, sign, minus);
    const std::size_t end = ValueEnd(t, divisor);
    if (end == kNone) return false;
    const std::u16string_view value = t.substr(divisor, end - divisor);
    write += minus % 2 == 1 ? u"/(-" + std::u16string(value) + u")" : u"/" + std::u16string(value);
    found = true;
    i = end;
  }
  return found && Offer(std::move(write), t, e);
}

// 2pi, 2(3), (2)(3): values side by side join their digits.
bool JoinedValues(const Calculation& c, Explanation& e) {
  const std::u16string_view t = c.typed;
  std::u16string write;
  bool afterValue = false;
  std::size_t copied = 0;
  std::size_t valueEnd = 0;
  for (std::size_t i = 0; i < t.size();) {
    const char16_t ch = t[i];
    if (ch == u' ') {
      ++i;
      continue;
    }
    const bool startsValue = StartsNumber(ch) || ch == u'(' || (IsLetter(ch) && Lower(ch) != u'x');
    if (startsValue && afterValue) {
      write.append(t.substr(copied, valueEnd - copied));
      write += u'*';
      copied = valueEnd;
    }
    afterValue = true;
    if (StartsNumber(ch)) {
      i = NumberEnd(t, i);
    } else if (IsPiAt(t, i)) {
      i += 2;
    } else if (ch == u')') {
      ++i;
    } else if (IsLetter(ch) && Lower(ch) != u'x') {
      // A function's name: its bracket follows.
      while (i < t.size() && IsLetter(t[i]) && !IsPiAt(t, i)) ++i;
      afterValue = false;
      continue;
    } else {
      afterValue = false;
      ++i;
      continue;
    }
    valueEnd = i;
  }
  if (copied == 0) return false;
  write.append(t.substr(copied));
  return Offer(std::move(write), t, e);
}

// Sixteen pi joined by +: the working text outgrew what was typed.
bool GrownTooLong(const Calculation& c) { return c.IsMessage(kTooLong) && c.typed.size() <= kMaxExpressionLength; }

bool HasPi(std::u16string_view t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (IsPiAt(t, i)) return true;
  }
  return false;
}

bool GrownByPi(const Calculation& c, Explanation&) { return GrownTooLong(c) && HasPi(c.typed); }
bool GrownByDivision(const Calculation& c, Explanation&) { return GrownTooLong(c) && c.typed.find(u'/') != kNone; }
bool GrownByValues(const Calculation& c, Explanation&) { return GrownTooLong(c); }

// Significant digits of a number text.
int SignificantDigits(std::u16string_view number) {
  number = number.substr(0, number.find(u'E'));
  int digits = 0;
  bool leading = true;
  for (const char16_t ch : number) {
    if (!IsDigit(ch) || (leading && ch == u'0')) continue;
    leading = false;
    ++digits;
  }
  return digits;
}

// 1/3*3: a value written back with 15 digits leaves the last digit off.
bool CutToFifteenDigits(const Calculation& c, Explanation& e) {
  // A value was written back before the last: a bracket or a function.
  if (c.outcome.kind != Presentation::Kind::kResult || c.steps.size() < 3) return false;
  const std::u16string_view last = c.steps.back();
  const ScanResult value = ScanNumber(last);
  if (!value.ok || SignificantDigits(last) < 14) return false;
  // Within the last few units of a short number.
  std::u16string near = FormatGeneral(value.value, 12);
  if (SignificantDigits(near) > 6) return false;
  e.piece = std::move(near);
  return true;
}

// 3,5: a comma only separates groups of three digits.
bool CommaAsDecimal(const Calculation& c, Explanation& e) {
  const std::optional<std::u16string_view> number = c.InvalidNumber();
  if (!number || number->find(u',') == kNone) return false;
  const std::size_t comma = number->find(u',');
  if (number->find(u',', comma + 1) != kNone || number->find(u'.') != kNone) return false;
  std::u16string decimal(*number);
  decimal[comma] = u'.';
  std::u16string write(c.typed);
  for (std::size_t at = write.find(*number); at != kNone; at = write.find(*number, at + decimal.size())) {
    write.replace(at, number->size(), decimal);
  }
  e.piece = *number;
  return Offer(std::move(write), c.typed, e);
}

bool CommasInGroups(const Calculation& c, Explanation& e) {
  const std::optional<std::u16string_view> number = c.InvalidNumber();
  if (!number || number->find(u',') == kNone) return false;
  std::u16string plain;
  for (const char16_t ch : *number) {
    if (ch != u',') plain += ch;
  }
  std::u16string write(c.typed);
  for (std::size_t at = write.find(*number); at != kNone; at = write.find(*number, at + plain.size())) {
    write.replace(at, number->size(), plain);
  }
  e.piece = *number;
  return Offer(std::move(write), c.typed, e);
}

struct Rule {
  std::u16string_view sentence;
  bool (*applies)(const Calculation&, Explanation&);
};

// The first rule that applies gives the sentence. "%1" is what to write,
// "%2" the piece of the working that the sentence names.
constexpr Rule kRules[] = {
    // TRANSLATORS: The result line's tooltip and the screen reader, one sentence above the working: why a number with a
    // comma was refused. %1 is the expression to write instead, %2 the number as typed; keep "1,000" and "," as they
    // are. No length limit.
    {CALC_N(u"A comma only separates groups of three digits, as in 1,000, so %2 is no number; for a decimal, "
            "write %1."),
     CommaAsDecimal},
    // TRANSLATORS: Tooltip sentence: a number with commas in the wrong places. %1 is the expression to write, %2 the
    // number as typed.
    {CALC_N(u"A comma only separates groups of three digits, as in 1,000, so %2 is no number; write %1."),
     CommasInGroups},
    // TRANSLATORS: Tooltip sentence: -2^2 is (-2)^2 here. %1 is the expression to write, %2 the signed number raised.
    {CALC_N(u"A minus sign belongs to the number after it, so %2 was raised to the power; write %1."), SignedPower},
    // TRANSLATORS: Tooltip sentence: 0 raised to a power is refused. %2 is the power as written.
    {CALC_N(u"Only a number above 0 can be raised to a power, so %2 is refused; write 0 in its place."), ZeroBase},
    // TRANSLATORS: Tooltip sentence: a negative number raised to a power is refused. %2 is the power as written.
    {CALC_N(u"Only a number above 0 can be raised to a power, so %2 is refused; raise the number without its sign "
            "and set the sign yourself."),
     NegativeBase},
    // TRANSLATORS: Tooltip sentence: -(...) of a negative value gives two signs in a row. %1 is the expression to
    // write, %2 the part that cannot be read.
    {CALC_N(u"A minus sign before brackets meets the sign of their negative value, so %2 cannot be read; write %1."),
     SignBeforeBrackets},
    // TRANSLATORS: Tooltip sentence: 6/-2 divides by 2 and then subtracts. %1 is the expression to write.
    {CALC_N(u"A sign directly after / is not part of the divisor; write %1."), SignedDivisor},
    // TRANSLATORS: Tooltip sentence: 2pi joins digits rather than multiplying. %1 is the expression to write.
    {CALC_N(u"Values written side by side join their digits instead of multiplying; write %1."), JoinedValues},
    // TRANSLATORS: Tooltip sentence: the expression grew too long as each pi was written out; keep 3.14159265358979 and
    // 255.
    {CALC_N(u"Each pi is written out as 3.14159265358979, so the working text grew past 255 characters; calculate "
            "the expression in parts."),
     GrownByPi},
    // TRANSLATORS: Tooltip sentence: the expression grew too long as each division became *INV( ); keep "*INV( )" and
    // 255.
    {CALC_N(u"Each division is written out as *INV( ), so the working text grew past 255 characters; calculate the "
            "expression in parts."),
     GrownByDivision},
    // TRANSLATORS: Tooltip sentence: the expression grew too long as values were written back with 15 digits; keep 255.
    {CALC_N(u"Each value is written back with up to 15 digits, so the working text grew past 255 characters; "
            "calculate the expression in parts."),
     GrownByValues},
    // TRANSLATORS: Tooltip sentence: a result whose last digit is off by the 15-digit rounding; %2 is the exact result.
    {CALC_N(u"Each value in between is cut to 15 digits, so the last digit is off; the exact result is probably %2."),
     CutToFifteenDigits},
};

}  // namespace

std::optional<Explanation> ExplainCalculation(std::u16string_view expression, const std::vector<std::u16string>& steps,
                                              const Presentation& outcome) {
  if (outcome.kind == Presentation::Kind::kFailure || expression.size() > kMaxInputLength) return std::nullopt;
  const Calculation c{expression, steps, outcome};
  for (const Rule& rule : kRules) {
    Explanation e;
    if (rule.applies(c, e)) {
      e.sentence = rule.sentence;
      return e;
    }
  }
  return std::nullopt;
}

std::u16string SentenceText(std::u16string_view sentence, const Explanation& explanation) {
  std::u16string text(sentence);
  for (const auto& [mark, piece] : {std::pair{u"%1", &explanation.write}, std::pair{u"%2", &explanation.piece}}) {
    const std::u16string_view m(mark);
    if (const std::size_t at = text.find(m); at != std::u16string::npos) text.replace(at, m.size(), *piece);
  }
  return text;
}

std::vector<std::u16string_view> ExplanationSentences() {
  std::vector<std::u16string_view> sentences;
  for (const Rule& rule : kRules) sentences.push_back(rule.sentence);
  return sentences;
}

}  // namespace calc
