// SPDX-License-Identifier: MIT
#include "translation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "design.h"
#include "explanation.h"
#include "messages.h"
#include "presentation.h"
#include "utf.h"

namespace calc {
namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ":") + n;
  return out;
}

// Leaves every test in English, as the program starts.
class InLanguage {
 public:
  explicit InLanguage(const std::string& language) { ChooseLanguage({language}); }
  ~InLanguage() { ChooseLanguage({"C"}); }
  InLanguage(const InLanguage&) = delete;
  InLanguage& operator=(const InLanguage&) = delete;
};

TEST(AvailableLanguages, ElevenCatalogues) {
  const std::vector<std::string_view> expected = {"ar", "de", "es",    "fr", "it",   "ja",
                                                  "nl", "pl", "pt_BR", "ru", "zh_CN"};
  EXPECT_EQ(AvailableLanguages(), expected);
}

// The header's examples and the fallbacks between a country's language and
// the catalogue of another country.
TEST(MatchLanguage, FirstLanguageWithACatalogue) {
  struct Row {
    std::vector<std::string> wanted;
    std::string_view chosen;
  };
  const Row rows[] = {
      {{"de_DE.UTF-8"}, "de"},
      {{"de_AT.UTF-8@euro"}, "de"},
      {{"de-CH"}, "de"},
      {{"pt_BR.UTF-8"}, "pt_BR"},
      {{"pt-BR"}, "pt_BR"},
      {{"pt"}, "pt_BR"},
      {{"pt_PT.UTF-8"}, "pt_BR"},
      {{"zh_CN.UTF-8"}, "zh_CN"},
      {{"zh"}, "zh_CN"},
      {{"zh_SG"}, "zh_CN"},
      {{"zh-Hans-CN"}, "zh_CN"},
      {{"zh_TW.UTF-8"}, ""},
      {{"zh-Hant"}, ""},
      {{"zh_HK", "ja_JP.UTF-8"}, "ja"},
      {{"ar_EG.UTF-8"}, "ar"},
      {{"AR"}, "ar"},
      {{"sv_SE", "fr_CA"}, "fr"},
      {{"C.UTF-8"}, ""},
      {{"POSIX"}, ""},
      {{"C", "de"}, ""},
      {{"en_GB", "de"}, ""},
      {{"en", "de_DE"}, ""},
      {{"", "nl_BE"}, "nl"},
      {{"sv_SE", "fi_FI"}, ""},
      {{}, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(MatchLanguage(row.wanted, AvailableLanguages()), row.chosen) << Joined(row.wanted);
  }
}

// As GNU gettext reads the environment: LANGUAGE is a list of preferences
// that a "C" locale overrides.
TEST(UserLanguages, FromTheEnvironment) {
  struct Row {
    std::string_view language, lc_all, lc_messages, lang;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"de:fr", "", "", "it_IT.UTF-8", {"de", "fr", "it_IT.UTF-8"}},
      {"", "", "", "de_DE.UTF-8", {"de_DE.UTF-8"}},
      {"de", "", "", "C.UTF-8", {"C.UTF-8"}},
      {"de", "POSIX", "", "de_DE.UTF-8", {"POSIX"}},
      {"", "fr_FR.UTF-8", "de_DE.UTF-8", "es_ES.UTF-8", {"fr_FR.UTF-8"}},
      {"", "", "ru_RU.UTF-8", "es_ES.UTF-8", {"ru_RU.UTF-8"}},
      {"pl::ja", "", "", "ar_EG.UTF-8", {"pl", "ja", "ar_EG.UTF-8"}},
      {"de", "", "", "", {"C"}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(UserLanguages(row.language, row.lc_all, row.lc_messages, row.lang), row.expected)
        << row.language << " " << row.lc_all << " " << row.lc_messages << " " << row.lang;
  }
}

TEST(ChooseLanguage, NamesTheCatalogueAndItsWriting) {
  struct Row {
    std::string wanted;
    std::string_view chosen;
    bool right_to_left;
    bool decimal_comma;
  };
  const Row rows[] = {
      {"C", "", false, false},          {"de_DE.UTF-8", "de", false, true}, {"ar_EG.UTF-8", "ar", true, false},
      {"ru_RU", "ru", false, true},     {"pt_BR", "pt_BR", false, true},    {"ja_JP", "ja", false, false},
      {"zh_CN", "zh_CN", false, false},
  };
  for (const Row& row : rows) {
    const InLanguage in(row.wanted);
    EXPECT_EQ(ChosenLanguage(), row.chosen) << row.wanted;
    EXPECT_EQ(RightToLeft(), row.right_to_left) << row.wanted;
    EXPECT_EQ(DecimalComma(), row.decimal_comma) << row.wanted;
  }
}

TEST(Tr, EnglishUntilALanguageIsChosenAndForTextsNoCatalogueHas) {
  EXPECT_EQ(Tr(u"Calculate"), u"Calculate");
  const InLanguage in("de");
  EXPECT_NE(Tr(u"Calculate"), u"Calculate");
  EXPECT_EQ(Tr(u"No such text"), u"No such text");
  EXPECT_EQ(Tr(u"No %1 here, %2", {u"a", u"b"}), u"No a here, b");
  EXPECT_EQ(Tr(u"%2 before %1", {u"a", u"b"}), u"b before a");
  EXPECT_EQ(Tr(u"100%1 %3", u"x"), u"100x %3");
  // In a right-to-left sentence a piece keeps its own direction.
  ChooseLanguage({"ar"});
  EXPECT_NE(Tr(u"Copied %1", u"1.41").find(u"\u20661.41\u2069"), std::u16string::npos);
  EXPECT_EQ(Tr(u"No %1 here", u"1.41"), u"No \u20661.41\u2069 here");
}

// The messages the evaluator and the window give, each in every language: a
// translation of its own, the piece kept as it was. The English stays
// exactly as the evaluator gave it.
TEST(TranslateMessage, EveryMessageInEveryLanguage) {
  struct Row {
    std::u16string_view expression;  // evaluated, or
    std::u16string_view message;     // a message of the window's own
    std::u16string_view piece;
  };
  const Row rows[] = {
      {u"1/0", {}, {}},
      {u"( )", {}, {}},
      {u"2XSQRT(4)", {}, u"XSQRT(4)"},
      {u"SQRT(-1)", {}, {}},
      {u"1.2.3", {}, u"1.2.3"},
      {u"-2^2", {}, {}},
      {u"1E3000*1E3000", {}, {}},
      {u"(1E3001)", {}, u"1E3001"},
      {u"(E5)", {}, {}},
      {u"5-", {}, {}},
      {u"1/SQRT(4", {}, {}},
      {u"2 # 3", {}, u"#"},
      {u"5\u20AC", {}, u"\u20AC"},
      {u"2)+(3", {}, {}},
      {u"2)", {}, {}},
      {u"SIN(1000.5)", {}, {}},
      {u"COS(-1001)", {}, {}},
      {u"TAN(90)", {}, {}},
      {u"ARCSIN(1.5)", {}, {}},
      {u"FACT(2.5)", {}, {}},
      {u"1E5000", {}, {}},
      {{}, u"Invalid function syntax.", {}},
      {{}, u"Expression too long.", {}},
      {{}, u"'1.5X' is not a valid floating point value.", u"1.5X"},
      {{}, u"Cannot open clipboard: Access is denied.", u"Access is denied"},
  };
  std::vector<std::u16string> english;
  for (const Row& row : rows) {
    std::u16string message(row.message);
    if (message.empty()) {
      const Presentation p = PresentCalculation(row.expression, {});
      ASSERT_NE(p.kind, Presentation::Kind::kResult) << EncodeUtf8(row.expression);
      message = p.text;
    }
    EXPECT_EQ(TranslateMessage(message), message) << EncodeUtf8(message);
    english.push_back(message);
  }
  for (std::string_view language : AvailableLanguages()) {
    const InLanguage in(std::string{language});
    for (std::size_t i = 0; i < english.size(); ++i) {
      const std::u16string translated = TranslateMessage(english[i]);
      EXPECT_NE(translated, english[i]) << language << ": " << EncodeUtf8(english[i]);
      EXPECT_NE(translated.find(rows[i].piece), std::u16string::npos) << language << ": " << EncodeUtf8(english[i]);
    }
  }
  EXPECT_EQ(TranslateMessage(u"Something else"), u"Something else");
}

// A text held in a table is found whole in every catalogue: extraction
// read it as the program looks it up.
TEST(Tr, EveryTableTextInEveryCatalogue) {
  std::vector<std::u16string_view> texts = ExplanationSentences();
  for (std::u16string_view m : MessagePatterns()) texts.push_back(m);
  for (const ControlDesign& c : kControls) {
    for (std::u16string_view t : {c.text, c.hint, c.accessible_name, c.accessible_description}) {
      if (!t.empty()) texts.push_back(t);
    }
  }
  texts.push_back(kForm.caption);
  for (std::string_view language : AvailableLanguages()) {
    const InLanguage in(std::string{language});
    for (std::u16string_view text : texts) EXPECT_TRUE(Translated(text)) << language << ": " << EncodeUtf8(text);
  }
}

// The controls a user sees named differ from English in every language,
// and the catalogues are each their own.
TEST(Tr, TheWindowsNamesInEveryLanguageAreItsOwn) {
  const Control named[] = {Control::kCalculate, Control::kCopy, Control::kAbout, Control::kSeparators,
                           Control::kTwoDecimals};
  std::vector<std::u16string> seen;
  for (std::string_view language : AvailableLanguages()) {
    const InLanguage in(std::string{language});
    std::u16string names;
    for (const Control id : named) {
      const std::u16string_view name = Tr(Design(id).accessible_name);
      EXPECT_NE(name, Design(id).accessible_name) << language << ": " << EncodeUtf8(Design(id).accessible_name);
      names += name;
      names += u'|';
    }
    for (const std::u16string& other : seen) EXPECT_NE(names, other) << language;
    seen.push_back(names);
  }
}

// Expressions and numbers are never translated; a decimal-comma reader is
// told the calculator's decimal point.
TEST(HelpText, TranslatedAroundTheExpressions) {
  const std::u16string english = HelpText();
  const InLanguage in("de");
  const std::u16string german = HelpText();
  EXPECT_NE(german, english);
  for (std::u16string_view kept :
       {u"(2 + 2) / 3", u"1.3333333", u"pi * (2 * sqrt(cos(23)))/2.345E-2",
        u"FACT(),  SIN(),  ARCSIN(),  COS(),  ARCCOS(), TAN(),  ARCTAN()", u"3.5", u"1,000"}) {
    EXPECT_NE(german.find(kept), std::u16string::npos) << EncodeUtf8(kept);
  }
  EXPECT_EQ(english.find(u"3.5"), std::u16string::npos);
  ChooseLanguage({"ja"});
  EXPECT_EQ(HelpText().find(u"3.5"), std::u16string::npos);
}

// The help box does not wrap: each of its lines in every language as long
// as the English ones at most (a character of Chinese or Japanese counts
// twice).
TEST(HelpText, NoLineLongerThanTheEnglish) {
  const auto widest_line = [] {
    const std::u16string text = HelpText();
    std::size_t widest = 0, columns = 0;
    for (const char16_t c : text) {
      columns = c == u'\r' ? 0 : columns + (c >= 0x2E80 && c < 0xFF60 ? 2 : 1);
      widest = std::max(widest, columns);
    }
    return widest;
  };
  const std::size_t english = widest_line();
  for (std::string_view language : AvailableLanguages()) {
    const InLanguage in(std::string{language});
    EXPECT_LE(widest_line(), english + 6) << language;
  }
}

// The design's sizes are the minimum; a longer text widens its control and
// where needed the window, never the other way round.
TEST(GrowForTexts, DesignSizesAreTheMinimum) {
  struct Row {
    const char* what;
    TextNeeds needs;
    ResizeWidths widths;
    int separators;
    int min_client_width;
  };
  const Row rows[] = {
      {"texts that fit", {60, 30, 120, 200, 20}, {}, 142, 564},
      {"a long Calculate", {.calculate = 120}, {.calculate = 120}, 142, 435 + 120 + 54},
      {"a long Copy", {.copy = 70}, {.copy = 70}, 142, 564},
      {"long check boxes",
       {.separators = 260, .two_decimals = 300},
       {.two_decimals = 300},
       260,
       16 + 260 + 8 + 300 + 40},
  };
  for (const Row& row : rows) {
    const GrownLayout g = GrowForTexts(row.needs);
    EXPECT_EQ(g.widths.calculate, row.widths.calculate) << row.what;
    EXPECT_EQ(g.widths.copy, row.widths.copy) << row.what;
    EXPECT_EQ(g.widths.two_decimals, row.widths.two_decimals) << row.what;
    EXPECT_EQ(g.widths.about, row.widths.about) << row.what;
    EXPECT_EQ(g.separators_width, row.separators) << row.what;
    EXPECT_EQ(g.min_client_width, row.min_client_width) << row.what;
  }
}

TEST(PlaceControls, TheDesignAndItsMirrorImage) {
  // FormResize's places for the controls that follow the right edge; the
  // others as designed.
  const auto designed = PlaceControls(kForm.client_width, {}, false);
  const ResizeLayout resized = FormResize(kForm.client_width);
  const auto at = [&designed](Control id) { return designed[static_cast<std::size_t>(id)]; };
  const auto design = [](Control id) {
    const ControlDesign& c = Design(id);
    return Rect{c.left, c.top, c.width, c.height};
  };
  EXPECT_EQ(at(Control::kSeparators), design(Control::kSeparators));
  EXPECT_EQ(at(Control::kResult), design(Control::kResult));
  EXPECT_EQ(at(Control::kBox), (Rect{24, 34, resized.box_width, 22}));
  EXPECT_EQ(at(Control::kCalculate), (Rect{resized.calculate_left, 32, 75, 29}));
  EXPECT_EQ(at(Control::kAbout), (Rect{resized.about_left, 0, 26, 26}));
  EXPECT_EQ(at(Control::kCopy), (Rect{resized.copy_left, 104, 41, 24}));
  EXPECT_EQ(at(Control::kTwoDecimals), (Rect{resized.two_decimals_left, 136, 228, 18}));
  const auto mirrored = PlaceControls(700, {}, true);
  const auto plain = PlaceControls(700, {}, false);
  for (const ControlDesign& c : kControls) {
    const Rect& m = mirrored[static_cast<std::size_t>(c.id)];
    const Rect& p = plain[static_cast<std::size_t>(c.id)];
    EXPECT_EQ(m.left, 700 - p.left - p.width) << EncodeUtf8(c.name);
    EXPECT_EQ((Rect{0, m.top, m.width, m.height}), (Rect{0, p.top, p.width, p.height})) << EncodeUtf8(c.name);
  }
  // The "?" button in the top left corner, Calculate left of the box.
  EXPECT_EQ(mirrored[static_cast<std::size_t>(Control::kAbout)].left, 0);
  EXPECT_LT(mirrored[static_cast<std::size_t>(Control::kCalculate)].left,
            mirrored[static_cast<std::size_t>(Control::kBox)].left);
}

}  // namespace
}  // namespace calc
