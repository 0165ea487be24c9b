// SPDX-License-Identifier: MIT
#include "explanation.h"

#include <gtest/gtest.h>

#include <string>

#include "presentation.h"
#include "utf.h"

namespace calc {
namespace {

std::u16string U(std::string_view s) { return DecodeUtf8(s).value(); }

// The sentence for a typed expression, empty for none.
std::u16string SentenceFor(std::u16string_view expression) {
  StepList steps;
  const Presentation shown = PresentCalculation(expression, {false, false}, &steps);
  const std::optional<Explanation> e = ExplainCalculation(expression, steps.steps, shown);
  return e ? SentenceText(e->sentence, *e) : std::u16string();
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(Explanation, OneSentenceForEachSurprisingReading) {
  struct Row {
    std::string expression;
    std::string sentence;  // empty: none
  };
  const Row rows[] = {
      // Ordinary expressions need none.
      {"2+2", ""},
      {"sqrt(16)", ""},
      {"(2 + 2) / 3", ""},
      {"2*pi", ""},
      {"1,000+1", ""},
      {"1/0", ""},
      {"2^-2", ""},
      // A sign belongs to its number before the power; not a sign in an exponent.
      {"10-2^2", "A minus sign belongs to the number after it, so -2 was raised to the power; write 10-(2^2)."},
      {"-pi^2", "A minus sign belongs to the number after it, so -pi was raised to the power; write -(pi^2)."},
      {"2*-3^2^2", "A minus sign belongs to the number after it, so -3 was raised to the power; write 2*-(3^2^2)."},
      // A base of 0, or one that came out below 0.
      {"0^2", "Only a number above 0 can be raised to a power, so 0^2 is refused; write 0 in its place."},
      {"(1-3)^2",
       "Only a number above 0 can be raised to a power, so -2^2 is refused; raise the number without its sign and "
       "set the sign yourself."},
      // Doubled and dangling signs.
      {"3-(-1)",
       "A minus sign before brackets meets the sign of their negative value, so --1 cannot be read; write "
       "3-1*(-1)."},
      {"1/-2", "A sign directly after / is not part of the divisor; write 1/(-2)."},
      {"2/+3", "A sign directly after / is not part of the divisor; write 2/3."},
      // Joined digits.
      {"2pi", "Values written side by side join their digits instead of multiplying; write 2*pi."},
      {"2(3)", "Values written side by side join their digits instead of multiplying; write 2*(3)."},
      {"(2)(3)", "Values written side by side join their digits instead of multiplying; write (2)*(3)."},
      {"2sqrt(4)", "Values written side by side join their digits instead of multiplying; write 2*sqrt(4)."},
      // The 15 digits written back.
      {"1/3*3", "Each value in between is cut to 15 digits, so the last digit is off; the exact result is probably 1."},
      // The working text grown past its limit.
      {Repeat("pi+", 15) + "pi",
       "Each pi is written out as 3.14159265358979, so the working text grew past 255 characters; calculate the "
       "expression in parts."},
      {std::string("1") + Repeat("/2", 50),
       "Each division is written out as *INV( ), so the working text grew past 255 characters; calculate the "
       "expression in parts."},
      {std::string("(1E5)") + Repeat("+1", 125),
       "Each value is written back with up to 15 digits, so the working text grew past 255 characters; calculate "
       "the expression in parts."},
      {std::string(300, '1'), ""},  // typed too long: the message says it all
      // A refused comma.
      {"3,5*2",
       "A comma only separates groups of three digits, as in 1,000, so 3,5 is no number; for a decimal, write "
       "3.5*2."},
      {"1,23,456+1",
       "A comma only separates groups of three digits, as in 1,000, so 1,23,456 is no number; write 123456+1."},
      // A rewrite that would not calculate either is not offered.
      {"2pi/0", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(SentenceFor(U(row.expression)), U(row.sentence)) << row.expression;
}

// What a sentence offers to write calculates, and explains nothing more.
TEST(Explanation, WhatItOffersCalculates) {
  for (const std::u16string_view typed : {u"10-2^2", u"3-(-1)", u"1/-2", u"2pi", u"3,5*2"}) {
    StepList steps;
    const Presentation shown = PresentCalculation(typed, {false, false}, &steps);
    const std::optional<Explanation> e = ExplainCalculation(typed, steps.steps, shown);
    ASSERT_TRUE(e) << EncodeUtf8(typed);
    EXPECT_EQ(PresentCalculation(e->write, {false, false}).kind, Presentation::Kind::kResult) << EncodeUtf8(typed);
    EXPECT_EQ(SentenceFor(e->write), u"") << EncodeUtf8(typed);
  }
}

TEST(Explanation, EverySentenceHasItsPiecesOnce) {
  for (const std::u16string_view sentence : ExplanationSentences()) {
    for (const std::u16string_view mark : {u"%1", u"%2"}) {
      const std::size_t at = sentence.find(mark);
      EXPECT_TRUE(at == std::u16string_view::npos || sentence.find(mark, at + 1) == std::u16string_view::npos)
          << EncodeUtf8(sentence);
    }
    EXPECT_TRUE(sentence.ends_with(u".")) << EncodeUtf8(sentence);
  }
}

}  // namespace
}  // namespace calc
