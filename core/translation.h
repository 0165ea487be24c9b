// SPDX-License-Identifier: MIT
// What a user reads, in the user's language. Every text a window shows goes
// through Tr, its English text being the key; expressions, numbers, the
// settings file and the command line's results and messages never do. The
// catalogues are po/*.po, compiled into the program at build time.
//
//   Tr(u"Calculate")                 -> u"Berechnen" once German is chosen
//   Tr(u"Copied %1", u"1.41")        -> u"1.41 kopiert"
//   Tr(u"No such text")              -> u"No such text" (English is the fallback)
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

// Marks a text that a table holds so that extraction finds it; the view
// translates it with Tr where it shows it.
#define CALC_N(text) text

// The text in the chosen language, or the English text itself.
std::u16string_view Tr(std::u16string_view english);

// The same with "%1" replaced by `arg` after the translation; `arg` itself
// (a number, an expression) is never translated. In a right-to-left
// language it stands between U+2066 and U+2069, which keep it left to right.
std::u16string Tr(std::u16string_view english, std::u16string_view arg);

// The same with "%1", "%2", ... replaced by the pieces in order.
//   Tr(u"or   %1     (answer will be %2)", {u"(2 + 2) / 3", u"1.3333333"})
std::u16string Tr(std::u16string_view english, std::initializer_list<std::u16string_view> args);

// Whether the chosen catalogue translates the text (which may read as the
// English does, as "Expression" in French).
bool Translated(std::u16string_view english);

// Chooses the catalogue from the user's languages, most wanted first, as the
// platform names them ("de_DE.UTF-8", "pt-BR", "zh_CN", "ar"); the first that
// has a catalogue wins, otherwise English. "C", "POSIX" and English itself
// are English: the languages after them are not looked at.
void ChooseLanguage(const std::vector<std::string>& languages);

// The chosen catalogue's language ("de", "pt_BR", "ar"), or "" for English.
std::string_view ChosenLanguage();

// Whether the chosen language is written right to left.
bool RightToLeft();

// Whether the chosen language writes its decimal separator as a comma (the
// calculator's is always '.', which its help then says).
bool DecimalComma();

// The languages that have a catalogue, in alphabetical order.
std::vector<std::string_view> AvailableLanguages();

// The catalogue that serves the first language it can of `wanted`, from
// `available`; "" for English.
//   {"de_AT.UTF-8"}        -> "de"      {"pt"} or {"pt_PT"} -> "pt_BR"
//   {"zh_TW", "ja_JP"}     -> "ja"      {"C.UTF-8", "de"}   -> ""
std::string MatchLanguage(const std::vector<std::string>& wanted, const std::vector<std::string_view>& available);

// The user's languages as a GNU/Linux program reads them from its
// environment: the locale is the first set of LC_ALL, LC_MESSAGES and LANG;
// under "C" or "POSIX" it is English whatever LANGUAGE says, otherwise
// LANGUAGE's colon-separated list comes first, then the locale.
//   ("de:fr", "", "", "it_IT.UTF-8") -> {"de", "fr", "it_IT.UTF-8"}
//   ("de", "", "", "C.UTF-8")        -> {"C.UTF-8"}
std::vector<std::string> UserLanguages(std::string_view language, std::string_view lc_all, std::string_view lc_messages,
                                       std::string_view lang);

}  // namespace calc
