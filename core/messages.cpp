// SPDX-License-Identifier: MIT
#include "messages.h"

#include <array>

#include "translation.h"

namespace calc {
namespace {

// clang-format off
constexpr std::array<std::u16string_view, 24> kPatterns = {
    // TRANSLATORS: Messages in the result line, in large type (about 520 px, some 35 characters, fit at full
    // size). Keep the final full stop or its absence as in English. Dividing by zero, as in 1/0.
    CALC_N(u"Division by zero."),
    // TRANSLATORS: Result line: the square root of a negative number ("-ve no." is "negative number").
    CALC_N(u"Cannot find root of a -ve no."),
    // TRANSLATORS: Result line: the sine's argument is too large. Keep "sin" as it is: the function's name.
    CALC_N(u"Number to \"sin\" is out of range."),
    // TRANSLATORS: Result line: the cosine's argument is too large. Keep "cos" as it is.
    CALC_N(u"Number to \"cos\" is out of range."),
    // TRANSLATORS: Result line: the tangent's argument is a pole or too large. Keep "tan" as it is.
    CALC_N(u"Number to \"tan\" is out of range."),
    // TRANSLATORS: Result line: a function's argument lies outside what it takes, as in arcsin(2).
    CALC_N(u"Number out of range."),
    // TRANSLATORS: Result line: fact() takes whole numbers only. Keep "fact()" as it is.
    CALC_N(u"No. to fact() is not an integer."),
    // TRANSLATORS: Result line: a value is too large or too small to compute. No full stop in English.
    CALC_N(u"Out of bounds"),
    // TRANSLATORS: Result line: %1 is the number as typed, such as 1.2.3.
    CALC_N(u"Number \"%1\" is invalid."),
    // TRANSLATORS: Result line: %1 is a number such as 1E3001 whose exponent is too large; the English ends
    // with a space, keep it.
    CALC_N(u"%1 magnitude too large. "),
    // TRANSLATORS: Result line: a negative number raised to a fractional power, as in (-8)^0.5.
    CALC_N(u"Cannot raise negative no."),
    // TRANSLATORS: Result line: the expression is longer than the calculator takes.
    CALC_N(u"Expression too long."),
    // TRANSLATORS: Result line: operators or numbers in an order that makes no sense, as in 2+*3.
    CALC_N(u"Invalid expression syntax."),
    // TRANSLATORS: Result line: an expression that cannot be read at all. No full stop in English.
    CALC_N(u"Invalid input"),
    // TRANSLATORS: Result line: %1 is the unknown function call as typed, such as FOO(2).
    CALC_N(u"Invalid function - %1"),
    // TRANSLATORS: Result line: a function name without a proper bracket after it.
    CALC_N(u"Invalid function syntax."),
    // TRANSLATORS: Result line: %1 is the one character the calculator does not know, such as #.
    CALC_N(u"Invalid character \"%1\"."),
    // TRANSLATORS: Result line: a ")" without its "(".
    CALC_N(u"Too many right brackets."),
    // TRANSLATORS: Result line: a ")" before its "(".
    CALC_N(u"Brackets in wrong order."),
    // TRANSLATORS: Result line: a "(" without its ")".
    CALC_N(u"Too many left brackets."),
    // TRANSLATORS: Result line: "()" with nothing inside. No full stop in English.
    CALC_N(u"Empty brackets"),
    // TRANSLATORS: Error box: a number typed too large for the computer, as in 1E5000.
    CALC_N(u"Floating point overflow."),
    // TRANSLATORS: Error box: %1 is a result the two-decimal display could not read.
    CALC_N(u"'%1' is not a valid floating point value."),
    // TRANSLATORS: Error box: the result could not be put on the clipboard; %1 is the system's reason.
    CALC_N(u"Cannot open clipboard: %1."),
};
// clang-format on

}  // namespace

std::span<const std::u16string_view> MessagePatterns() { return kPatterns; }

std::u16string TranslateMessage(std::u16string_view english) {
  for (std::u16string_view pattern : kPatterns) {
    const std::size_t at = pattern.find(u"%1");
    if (at == std::u16string_view::npos) {
      if (english == pattern) return std::u16string(Tr(pattern));
      continue;
    }
    const std::u16string_view before = pattern.substr(0, at);
    const std::u16string_view after = pattern.substr(at + 2);
    if (english.size() > before.size() + after.size() && english.starts_with(before) && english.ends_with(after)) {
      return Tr(pattern, english.substr(before.size(), english.size() - before.size() - after.size()));
    }
  }
  return std::u16string(english);
}

}  // namespace calc
