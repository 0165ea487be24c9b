// SPDX-License-Identifier: MIT
#include "presentation.h"

#include <gtest/gtest.h>

#include <vector>

#include "mymisc.h"
#include "utf.h"

namespace calc {
namespace {

using Kind = Presentation::Kind;

// The examples of the header, and the failure of a result text that the
// two-decimal display cannot read.
TEST(PresentCalculation, ResultsMessagesAndFailures) {
  struct Row {
    std::u16string_view expression;
    bool separators;
    bool two_decimals;
    Kind kind;
    std::u16string_view text;
  };
  const Row rows[] = {
      {u"(2 + 2) / 3", true, true, Kind::kResult, u"1.33"},
      {u"1234.5678", true, false, Kind::kResult, u"1,234.5678"},
      {u"1E9*1E9*100", true, true, Kind::kResult, u"1E20"},
      {u"", true, true, Kind::kResult, u""},
      {u"1/0", true, true, Kind::kMessage, u"Division by zero."},
      {u"1E5000", true, true, Kind::kFailure, u"Floating point overflow."},
  };
  for (const Row& row : rows) {
    const Presentation p = PresentCalculation(row.expression, {row.separators, row.two_decimals});
    EXPECT_EQ(p.kind, row.kind) << EncodeUtf8(row.expression);
    EXPECT_EQ(p.text, row.text) << EncodeUtf8(row.expression);
  }
}

// The header's examples, and steps under a message.
TEST(ResultToolTip, TheFullTextThenOneStepALine) {
  struct Row {
    std::u16string_view shown;
    std::vector<std::u16string> steps;
    std::u16string_view tip;
  };
  const Row rows[] = {
      {u"1.00",
       {u"1*INV(3)*3", u"1*0.333333333333333*3", u"0.999999999999999"},
       u"1.00\n\u2192 1*INV(3)*3\n\u2192 1*0.333333333333333*3\n\u2192 0.999999999999999"},
      {u"Division by zero.", {u"1*INV(0)"}, u"Division by zero.\n\u2192 1*INV(0)"},
      {u"Expression too long.", {}, u"Expression too long."},
      {u"", {}, u""},
  };
  for (const Row& row : rows) EXPECT_EQ(ResultToolTip(row.shown, row.steps), row.tip) << EncodeUtf8(row.shown);
}

TEST(ResultToolTip, TheSentenceComesFirst) {
  EXPECT_EQ(ResultToolTip(u"23", {u"23.14159265358979"}, u"Values join."),
            u"Values join.\n23\n\u2192 23.14159265358979");
}

// The header's examples, and no point after a point or a sign.
TEST(GenericErrorText, AppendsAPointAfterLettersOnly) {
  EXPECT_EQ(GenericErrorText(u"Floating point overflow"), u"Floating point overflow.");
  EXPECT_EQ(GenericErrorText(u"Done."), u"Done.");
  EXPECT_EQ(GenericErrorText(u"Odd -"), u"Odd -");
  EXPECT_EQ(GenericErrorText(u""), u"");
}

TEST(Paths, JoinPathPutsExactlyOneSeparator) {
  EXPECT_EQ(JoinPath(u"", u"brelmont.ini"), u"brelmont.ini");
  EXPECT_EQ(JoinPath(u"C:\\Users\\u\\AppData", u"brelmont.ini"), u"C:\\Users\\u\\AppData\\brelmont.ini");
  EXPECT_EQ(JoinPath(u"C:\\a\\", u"brelmont.ini"), u"C:\\a\\brelmont.ini");
  EXPECT_EQ(JoinPath(u"/home/u/.config/", u"brelmont.ini", u'/'), u"/home/u/.config/brelmont.ini");
  EXPECT_EQ(JoinPath(u"/c", u"VarnelSoftware\\Expression Calculator", u'/'),
            u"/c/VarnelSoftware/Expression Calculator");
  EXPECT_EQ(AddTrailingBackslash(u""), u"");
  EXPECT_EQ(AddTrailingBackslash(u"C:\\a"), u"C:\\a\\");
  EXPECT_EQ(AddTrailingBackslash(u"C:\\a\\\\"), u"C:\\a\\\\") << "only one is looked at";
}

TEST(Presentation, CopyIsAnnouncedWithWhatWasCopied) {
  struct Row {
    const char16_t* copied;
    const char16_t* said;
  };
  const Row rows[] = {
      {u"1.41", u"Copied 1.41"},
      {u"Division by zero.", u"Copied Division by zero."},
      {u"", u"Copied"},
  };
  for (const Row& row : rows) EXPECT_EQ(CopiedAnnouncement(row.copied), row.said) << EncodeUtf8(row.copied);
}

TEST(Utf8, MalformedSequencesAreReplacedOneByOne) {
  struct Row {
    std::string_view bytes;
    std::u16string_view text;
    bool valid;
  };
  const Row rows[] = {
      {"caf\xC3\xA9", u"caf\u00E9", true},
      {"\xF0\x9F\x98\x80", u"\U0001F600", true},
      {"caf\xE9", u"caf\uFFFD", false},
      {"\xC0\xAF", u"\uFFFD\uFFFD", false},                      // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},            // a surrogate
      {"\xE2\x82", u"\uFFFD\uFFFD", false},                      // cut short
      {"\xE2\x82+", u"\uFFFD\uFFFD+", false},                    // cut short by a character
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},  // above U+10FFFF
  };
  for (const Row& row : rows) {
    std::u16string text;
    EXPECT_EQ(DecodeUtf8(row.bytes, text), row.valid) << row.bytes;
    EXPECT_EQ(text, row.text) << row.bytes;
    if (row.valid) {
      EXPECT_EQ(EncodeUtf8(text), row.bytes);
    }
  }
  EXPECT_EQ(EncodeUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
}

}  // namespace
}  // namespace calc
