// SPDX-License-Identifier: MIT
// The Qt platform under the locale the test runs in (the suite runs under
// the plain C locale, C.UTF-8, de_DE.UTF-8 and tr_TR.UTF-8).
#include "qtplatform.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "file_util.h"
#include "formlogic.h"

namespace calc {
namespace {

bool Utf8Locale() { return qgetenv("LC_ALL").toUpper().contains("UTF-8"); }
bool TurkishLocale() { return qgetenv("LC_ALL").startsWith("tr_"); }

TEST(QtPlatform, CodePageFollowsTheLocale) {
  QtPlatform platform;
  EXPECT_EQ(platform.CodePageIsUtf8(), Utf8Locale());
  EXPECT_EQ(SystemCodePage(), Utf8Locale() ? QByteArray("UTF-8") : QByteArray("ISO-8859-1"));
  EXPECT_EQ(platform.EncodeCodePage(u"caf\u00E9"), Utf8Locale() ? "caf\xC3\xA9" : "caf\xE9");
}

TEST(QtPlatform, LetterCaseFollowsTheLocale) {
  QtPlatform platform;
  // Turkish pairs i with the dotted capital and the dotless i with I.
  const std::u16string upper = TurkishLocale() ? u"S\u0130N(30)" : u"SIN(30)";
  EXPECT_EQ(platform.LocaleUpper(u"sin(30)"), upper);
  EXPECT_EQ(platform.LocaleUpper(u"Sin(30)") == platform.LocaleUpper(u"sIN(30)"), !TurkishLocale());
  EXPECT_EQ(platform.LocaleUpper(u"\u00e9\u03c0\u0436"), u"\u00c9\u03a0\u0416");
}

// Texts cross into Qt and back unchanged, even with a leading U+FEFF or
// U+FFFE, which a UTF-16 decoder would take for a byte-order mark.
TEST(QtPlatform, TextsCrossIntoQtUnchanged) {
  for (const std::u16string_view text : {u"\uFEFFsin(30)", u"\uFFFEab", u""}) {
    EXPECT_EQ(ToU16(ToQString(text)), text);
  }
  QtPlatform platform;
  EXPECT_EQ(platform.LocaleUpper(u"\uFEFFtop"), u"\uFEFFTOP");
}

// A byte that is not UTF-8, in the history and in a section of its own,
// comes back byte for byte after a save.
TEST(QtPlatform, EveryByteOfAFileWithoutAMarkSurvivesASave) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  const QByteArray file = "[Mine]\r\nName=caf\xE9\r\n\r\n[Expressions]\r\nExpression1=caf\xE9\r\n\r\n";
  ASSERT_TRUE(test::WriteAll(path, file));
  QtPlatform platform;
  FormLogic logic(platform);
  ASSERT_TRUE(logic.readdata(ToU16(path), 601, 202));
  ASSERT_EQ(logic.History().size(), 1u);
  EXPECT_EQ(logic.History()[0], u"caf\u00E9");
  ASSERT_TRUE(logic.savedata(ToU16(path), {1, 2, 601}, {true, true}));
  const QByteArray saved = test::ReadAll(path);
  EXPECT_TRUE(saved.startsWith("[Mine]\r\nName=caf\xE9\r\n\r\n[Expressions]\r\nExpression1=caf\xE9\r\n\r\n"))
      << saved.constData();
}

}  // namespace
}  // namespace calc
