// SPDX-License-Identifier: MIT
#include "translation.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace calc {
namespace {

#include "catalogue.inc"

constexpr std::size_t kEnglishChosen = kLanguageCount;
constexpr char16_t kLeftToRightIsolate = u'\u2066';
constexpr char16_t kPopDirectionalIsolate = u'\u2069';
std::size_t chosen = kEnglishChosen;

struct LocaleName {
  std::string language;   // lower case: "pt"
  std::string script;     // lower case: "hans"; mostly empty
  std::string territory;  // upper case: "BR"
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "pt_BR.UTF-8@euro", "pt-BR", "zh-Hans-CN", "C.UTF-8".
LocaleName Parse(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  LocaleName out;
  std::size_t part = 0;
  while (!name.empty()) {
    const std::size_t end = std::min(name.find_first_of("_-"), name.size());
    const std::string_view piece = name.substr(0, end);
    std::string text;
    if (part == 0) {
      for (char c : piece) text += Lower(c);
      out.language = text;
    } else if (piece.size() == 4) {
      for (char c : piece) text += Lower(c);
      out.script = text;
    } else if (out.territory.empty()) {
      for (char c : piece) text += Upper(c);
      out.territory = text;
    }
    ++part;
    name.remove_prefix(std::min(end + 1, name.size()));
  }
  return out;
}

// Chinese is written in two scripts: a catalogue in simplified characters
// does not serve a reader of traditional ones.
bool Traditional(const LocaleName& l) {
  if (l.script == "hant") return true;
  return l.script.empty() && (l.territory == "TW" || l.territory == "HK" || l.territory == "MO");
}

bool ServesSameScript(const LocaleName& wanted, const LocaleName& catalogue) {
  return wanted.language != "zh" || Traditional(wanted) == Traditional(catalogue);
}

bool OneOf(std::string_view language, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), language) != set.end();
}

std::u16string Substitute(std::u16string_view text, std::initializer_list<std::u16string_view> args) {
  // A piece (a number, an expression, a file name) reads left to right; in
  // a right-to-left sentence it is isolated, so that its brackets and signs
  // keep their order.
  const bool isolate = RightToLeft();
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
      const auto n = static_cast<std::size_t>(text[i + 1] - u'1');
      if (n < args.size()) {
        if (isolate) out += kLeftToRightIsolate;
        out += args.begin()[n];
        if (isolate) out += kPopDirectionalIsolate;
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

namespace {

// The chosen catalogue's translation, or empty.
std::u16string_view Lookup(std::u16string_view english) {
  if (chosen == kEnglishChosen) return {};
  const auto found = std::lower_bound(kEnglish.begin(), kEnglish.end(), english);
  if (found == kEnglish.end() || *found != english) return {};
  return kTranslations[chosen][static_cast<std::size_t>(found - kEnglish.begin())];
}

}  // namespace

std::u16string_view Tr(std::u16string_view english) {
  const std::u16string_view translated = Lookup(english);
  return translated.empty() ? english : translated;
}

bool Translated(std::u16string_view english) { return !Lookup(english).empty(); }

std::u16string Tr(std::u16string_view english, std::u16string_view arg) { return Substitute(Tr(english), {arg}); }

std::u16string Tr(std::u16string_view english, std::initializer_list<std::u16string_view> args) {
  return Substitute(Tr(english), args);
}

std::vector<std::string_view> AvailableLanguages() { return {kLanguages.begin(), kLanguages.end()}; }

std::string MatchLanguage(const std::vector<std::string>& wanted, const std::vector<std::string_view>& available) {
  for (const std::string& name : wanted) {
    const LocaleName w = Parse(name);
    if (w.language.empty()) continue;
    // English is the source: a user who names it before another language
    // reads English.
    if (OneOf(w.language, {"c", "posix", "en"})) return {};
    const std::string exact = w.language + "_" + w.territory;
    for (std::string_view a : available) {
      if (a == exact || a == w.language) return std::string(a);
    }
    // Another country's catalogue of the language: Brazilian Portuguese
    // for a reader in Portugal rather than English.
    for (std::string_view a : available) {
      const LocaleName c = Parse(a);
      if (c.language == w.language && ServesSameScript(w, c)) return std::string(a);
    }
  }
  return {};
}

void ChooseLanguage(const std::vector<std::string>& languages) {
  const std::string match = MatchLanguage(languages, AvailableLanguages());
  const auto found = std::find(kLanguages.begin(), kLanguages.end(), match);
  chosen = found == kLanguages.end() ? kEnglishChosen : static_cast<std::size_t>(found - kLanguages.begin());
}

std::string_view ChosenLanguage() { return chosen == kEnglishChosen ? std::string_view() : kLanguages[chosen]; }

bool RightToLeft() {
  return OneOf(Parse(ChosenLanguage()).language, {"ar", "ckb", "dv", "fa", "he", "ps", "sd", "ug", "ur", "yi"});
}

bool DecimalComma() {
  return OneOf(Parse(ChosenLanguage()).language, {"de", "es", "fr", "it", "nl", "pl", "pt", "ru"});
}

std::vector<std::string> UserLanguages(std::string_view language, std::string_view lc_all, std::string_view lc_messages,
                                       std::string_view lang) {
  const std::string_view locale = !lc_all.empty() ? lc_all : !lc_messages.empty() ? lc_messages : lang;
  const std::string_view base = locale.substr(0, locale.find_first_of(".@"));
  if (locale.empty() || base == "C" || base == "POSIX") return {std::string(locale.empty() ? "C" : locale)};
  std::vector<std::string> out;
  while (!language.empty()) {
    const std::size_t end = std::min(language.find(':'), language.size());
    if (end > 0) out.emplace_back(language.substr(0, end));
    language.remove_prefix(std::min(end + 1, language.size()));
  }
  out.emplace_back(locale);
  return out;
}

}  // namespace calc
