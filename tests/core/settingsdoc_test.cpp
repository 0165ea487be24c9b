// SPDX-License-Identifier: MIT
#include "settingsdoc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace std::string_literals;

#include "fake_platform.h"

namespace calc {
namespace {

using test::FakePlatform;
using Keys = std::vector<std::u16string>;
using Views = std::vector<std::u16string_view>;

class SettingsDocumentTest : public ::testing::Test {
 protected:
  SettingsDocument Parse(std::string_view bytes) { return SettingsDocument::Parse(platform_, bytes); }
  FakePlatform platform_;
};

TEST_F(SettingsDocumentTest, ReadingRules) {
  const SettingsDocument doc = Parse(
      "dropped=before any section\r\n"
      "  [ Interface ]  \r"
      "; a comment\n"
      "\n"
      "  Top = 10  \r\n"
      "top=20\r\n"
      "free text line\r\n"
      "=first empty name\r\n"
      "Left=\r\n"
      "[interface]\r\n"
      "Width=99\r\n"
      "[Expressions]\n"
      "Expression2=b\n"
      "Expression1=a\n"
      "Expression1=dup\n"
      "[Tail]\n"
      "After=nul\0Hidden=yes\n"s);
  EXPECT_EQ(doc.ReadString(u"Interface", u"Top", u"x"), u"10") << "first occurrence, trimmed";
  EXPECT_EQ(doc.ReadString(u"INTERFACE", u"TOP", u"x"), u"10") << "names ignore case";
  EXPECT_EQ(doc.ReadString(u"Interface", u"Left", u"x"), u"") << "present but empty";
  EXPECT_EQ(doc.ReadString(u"Interface", u"Width", u"x"), u"x") << "the second section of that name is not read";
  EXPECT_EQ(doc.ReadString(u"Interface", u"", u"x"), u"first empty name");
  EXPECT_EQ(doc.ReadString(u"Missing", u"Top", u"x"), u"x");
  EXPECT_EQ(doc.ReadString(u"Expressions", u"expression1", u"x"), u"a");
  EXPECT_EQ(doc.ReadString(u"Tail", u"After", u"x"), u"nul") << "a NUL ends the text";
  EXPECT_EQ(doc.ReadString(u"Tail", u"Hidden", u"x"), u"x");
  EXPECT_EQ(doc.ReadString(u"", u"dropped", u"x"), u"x");
  EXPECT_EQ(doc.ReadSection(u"Interface"), (Keys{u"Top", u"top", u"", u"", u"Left"}));
  EXPECT_EQ(doc.ReadSection(u"Expressions"), (Keys{u"Expression2", u"Expression1", u"Expression1"}));
  // Each name's ReadString, in one pass.
  EXPECT_EQ(doc.ReadSectionValues(u"interface"), (Views{u"10", u"10", u"first empty name", u"first empty name", u""}));
  EXPECT_EQ(doc.ReadSectionValues(u"Expressions"), (Views{u"b", u"a", u"a"}));
  EXPECT_EQ(doc.ReadSectionValues(u"Missing"), Views{});
  EXPECT_EQ(Parse("[S]\r\nfree\r\n").ReadSectionValues(u"S"), Views{u""});
}

TEST_F(SettingsDocumentTest, WritingRulesAndTheFileTheyMake) {
  SettingsDocument doc =
      Parse("junk\r\n[interface]\r\n ; note\r\n TOP = 1 \r\nkeep me\r\ntop=2\r\n\r\n[Other]\r\nA=1\r\n[Interface]\r\n");
  doc.WriteString(u"Interface", u"Top", u"439");
  doc.WriteString(u"Interface", u"Left", u"667");
  doc.WriteString(u"Information", u"Program", u"Varnel's Expression Calculator");
  doc.WriteString(u"INFORMATION", u"Version", u"1.21");
  EXPECT_EQ(doc.Serialize(),
            "[interface]\r\nTop=439\r\nkeep me\r\ntop=2\r\nLeft=667\r\n\r\n"
            "[Other]\r\nA=1\r\n\r\n"
            "[Interface]\r\n\r\n"
            "[Information]\r\nProgram=Varnel's Expression Calculator\r\nVersion=1.21\r\n\r\n");
  EXPECT_EQ(SettingsDocument(platform_).Serialize(), "");
}

// Many keys are looked up and replaced through the index: the first
// occurrence of each name counts, whatever was written since.
TEST_F(SettingsDocumentTest, ManyKeysKeepTheFirstOccurrenceRule) {
  std::string file = "[Expressions]\r\n";
  for (int i = 1; i <= 20000; ++i) file += "Expression" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  file += "EXPRESSION7=again\r\n";
  SettingsDocument doc = Parse(file);
  EXPECT_EQ(doc.ReadSection(u"Expressions").size(), 20001u);
  for (int i = 1; i <= 20000; ++i) {
    doc.WriteString(u"Expressions", u"expression" + test::U(std::to_string(i)), test::U(std::to_string(-i)));
  }
  doc.WriteString(u"Expressions", u"Extra", u"x");
  EXPECT_EQ(doc.ReadString(u"Expressions", u"Expression7", u""), u"-7");
  EXPECT_EQ(doc.ReadString(u"Expressions", u"Expression20000", u""), u"-20000");
  const std::string written = doc.Serialize();
  EXPECT_NE(written.find("\r\nexpression7=-7\r\n"), std::string::npos) << "the key spelled as now given";
  EXPECT_NE(written.find("\r\nEXPRESSION7=again\r\nExtra=x\r\n"), std::string::npos) << "the later one is kept";
}

// Locales with upper-casings beyond the fake's: the long s U+017F is 'S'
// in both; the Turkish one upper-cases 'i' as U+0130 and U+0131 as 'I'.
class LocalePlatform : public FakePlatform {
 public:
  explicit LocalePlatform(bool turkish) : turkish_(turkish) {}
  std::u16string LocaleUpper(std::u16string_view text) override {
    std::u16string upper = FakePlatform::LocaleUpper(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\u017F') upper[i] = u'S';
      if (turkish_ && text[i] == u'i') upper[i] = u'\u0130';
      if (turkish_ && text[i] == u'\u0131') upper[i] = u'I';
    }
    return upper;
  }

 private:
  bool turkish_;
};

// Names match when the locale upper-cases them alike, ASCII or not, also
// under a locale that upper-cases ASCII letters its own way.
TEST_F(SettingsDocumentTest, NamesMatchAsTheLocaleUpperCasesThem) {
  struct Row {
    bool turkish;
    const char* file;  // UTF-8
    std::u16string_view section, key;
    std::u16string_view found;  // "-" for none
  };
  const Row rows[] = {
      {false, "[Interface]\r\nTop=1\r\n", u"INTERFACE", u"top", u"1"},
      {false, "[S]\r\nCaf\xC3\xA9=1\r\n", u"s", u"CAF\u00C9", u"1"},
      {false, "[S]\r\nCaf\xC3\xA9=1\r\n", u"s", u"CAFE", u"-"},
      {false, "[S]\r\n\xC5\xBFum=1\r\n", u"s", u"SUM", u"1"},
      {false, "[S]\r\nsum=1\r\n", u"s", u"\u017Fum", u"1"},
      {true, "[Interface]\r\nTop=1\r\n", u"INTERFACE", u"top", u"1"},
      {true, "[interface]\r\nTop=1\r\n", u"INTERFACE", u"Top", u"-"},
      {true, "[interface]\r\nTop=1\r\n", u"\u0130NTERFACE", u"Top", u"1"},
      {true, "[S]\r\nTitle=1\r\n", u"S", u"TITLE", u"-"},
      {true, "[S]\r\nTITLE=1\r\n", u"S", u"t\u0131tle", u"1"},
  };
  for (const Row& row : rows) {
    LocalePlatform platform(row.turkish);
    platform.code_page_utf8 = true;
    const SettingsDocument doc = SettingsDocument::Parse(platform, row.file);
    EXPECT_EQ(doc.ReadString(row.section, row.key, u"-"), row.found) << row.file << (row.turkish ? " (Turkish)" : "");
  }
}

struct EncodingCase {
  const char* name;
  std::string bytes;
  SettingsDocument::Encoding found;
  bool code_page_utf8;
};

TEST_F(SettingsDocumentTest, EveryByteSurvivesARewriteInEachEncoding) {
  // "[Expressions]" / "Expression1=2*3 €" in each encoding.
  const std::string utf8 = "[Expressions]\r\nExpression1=2*3 \xE2\x82\xAC\r\n\r\n";
  std::string le = "\xFF\xFE";
  std::string be = "\xFE\xFF";
  for (const char c : std::string("[Expressions]\r\nExpression1=2*3 ")) {
    le += {c, '\0'};
    be += {'\0', c};
  }
  le += "\xAC\x20\r\0\n\0\r\0\n\0"s;
  be += "\x20\xAC\0\r\0\n\0\r\0\n"s;
  const EncodingCase cases[] = {
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8, SettingsDocument::Encoding::kUtf8, false},
      {"UTF-16 LE", le, SettingsDocument::Encoding::kUtf16Le, false},
      {"UTF-16 BE", be, SettingsDocument::Encoding::kUtf16Be, false},
      {"no mark, single-byte code page", "[Interface]\r\nName=caf\xE9\r\n\r\n", SettingsDocument::Encoding::kCodePage,
       false},
      {"no mark, UTF-8 code page, valid UTF-8", utf8, SettingsDocument::Encoding::kCodePage, true},
      {"no mark, UTF-8 code page, not UTF-8",
       "[Expressions]\r\nExpression1=caf\xE9\r\n\r\n[Mine]\r\nK=\xE9\xFF\r\n\r\n", SettingsDocument::Encoding::kLatin1,
       true},
  };
  for (const EncodingCase& c : cases) {
    platform_.code_page_utf8 = c.code_page_utf8;
    SettingsDocument doc = Parse(c.bytes);
    EXPECT_EQ(doc.encoding(), c.found) << c.name;
    EXPECT_EQ(doc.Serialize(), c.bytes) << c.name;
    doc.WriteString(u"Expressions", u"Expression2", u"x");
    EXPECT_EQ(doc.Serialize().substr(0, 2), c.bytes.substr(0, 2)) << c.name << ": the mark is kept";
  }
  platform_.code_page_utf8 = true;
  EXPECT_EQ(Parse("[S]\r\nK=caf\xC3\xA9\r\n").ReadString(u"S", u"K", u""), u"caf\u00E9");
  EXPECT_EQ(Parse("[S]\r\nK=caf\xE9\r\n").ReadString(u"S", u"K", u""), u"caf\u00E9");
}

TEST_F(SettingsDocumentTest, BadContentIsSurvived) {
  std::string junk;
  std::mt19937 random(7);
  for (int i = 0; i < 1 << 20; ++i) junk += static_cast<char>(random() & 0xFF);
  const struct {
    const char* name;
    std::string bytes;
  } inputs[] = {
      {"random bytes", junk},
      {"one long line", std::string(4 << 20, 'x')},
      {"odd UTF-16", std::string("\xFF\xFE[\x00", 4)},
      {"invalid UTF-8 after the mark", "\xEF\xBB\xBF[S]\r\nK=\xC3\x28\xF0\x28\x8C\xBC\r\n"},
  };
  for (const bool utf8 : {false, true}) {
    platform_.code_page_utf8 = utf8;
    for (const auto& input : inputs) {
      // The program's own key is written, and the file written reads back
      // to the same bytes and the same key.
      SettingsDocument doc = Parse(input.bytes);
      doc.WriteString(u"Expressions", u"Expression1", u"2*3");
      const std::string written = doc.Serialize();
      const SettingsDocument again = Parse(written);
      EXPECT_EQ(again.Serialize(), written) << input.name << (utf8 ? ", UTF-8 code page" : "");
      EXPECT_EQ(again.ReadString(u"Expressions", u"Expression1", u""), u"2*3")
          << input.name << (utf8 ? ", UTF-8 code page" : "");
    }
  }
  const SettingsDocument doc = Parse("[S]\nK=v\n" + std::string(1000, '\0'));
  EXPECT_EQ(doc.ReadString(u"S", u"K", u""), u"v");
}

TEST_F(SettingsDocumentTest, OpenAndUpdateFile) {
  platform_.files[u"/f.ini"] = "[A]\r\nB=C\r\n";
  SettingsDocument doc(platform_);
  std::u16string why;
  ASSERT_EQ(SettingsDocument::Open(platform_, u"/f.ini", doc, why), ReadStatus::kRead);
  EXPECT_EQ(doc.ReadString(u"A", u"B", u""), u"C");
  // Opened again, the document is the file's: whatever was written to it,
  // and whatever else changed the file meanwhile.
  doc.WriteString(u"A", u"B", u"written");
  ASSERT_EQ(SettingsDocument::Open(platform_, u"/f.ini", doc, why), ReadStatus::kRead);
  EXPECT_EQ(doc.ReadString(u"A", u"B", u""), u"C");
  platform_.files[u"/f.ini"] = "[A]\r\nB=D\r\n";
  ASSERT_EQ(SettingsDocument::Open(platform_, u"/f.ini", doc, why), ReadStatus::kRead);
  EXPECT_EQ(doc.ReadString(u"A", u"B", u""), u"D");
  EXPECT_EQ(SettingsDocument::Open(platform_, u"/none.ini", doc, why), ReadStatus::kMissing);
  EXPECT_EQ(doc.ReadSection(u"A"), Keys{}) << "no file: an empty document";
  platform_.unreadable.insert(u"/f.ini");
  EXPECT_EQ(SettingsDocument::Open(platform_, u"/f.ini", doc, why), ReadStatus::kFailed);
  EXPECT_EQ(why, FakePlatform::kAccessDenied);
  EXPECT_EQ(doc.ReadSection(u"A"), Keys{}) << "a failure: an empty document";
  EXPECT_EQ(SettingsDocument::Open(platform_, u"/home/u/.config", doc, why), ReadStatus::kFailed) << "a folder";
  platform_.files[u"/big.ini"] = std::string(SettingsDocument::kMaxFileSize + 1, 'x');
  EXPECT_EQ(SettingsDocument::Open(platform_, u"/big.ini", doc, why), ReadStatus::kTooLarge);
}

// What the program writes it must be able to read: a document that would
// grow beyond the reading limit is not written at all.
TEST_F(SettingsDocumentTest, NeverWritesAFileTooLargeToRead) {
  std::string lf = "[Expressions]\n";
  while (lf.size() < SettingsDocument::kMaxFileSize - 100) lf += "k=v\n";
  platform_.files[u"/f.ini"] = lf;
  SettingsDocument doc(platform_);
  std::u16string why;
  ASSERT_EQ(SettingsDocument::Open(platform_, u"/f.ini", doc, why), ReadStatus::kRead);
  EXPECT_GT(doc.Serialize().size(), SettingsDocument::kMaxFileSize) << "CR LF makes it larger";
  EXPECT_FALSE(doc.UpdateFile(u"/f.ini", why));
  EXPECT_EQ(why, u"The settings would be larger than 4 MiB.");
  EXPECT_EQ(platform_.files[u"/f.ini"], lf) << "untouched";

  SettingsDocument small = SettingsDocument::Parse(platform_, "[A]\nB=C\n");
  ASSERT_TRUE(small.UpdateFile(u"/g.ini", why));
  EXPECT_EQ(platform_.files[u"/g.ini"], "[A]\r\nB=C\r\n\r\n");
}

}  // namespace
}  // namespace calc
