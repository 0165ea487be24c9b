// SPDX-License-Identifier: MIT
// What a user reads, in the user's language. Every text a window shows goes
// through Tr, its English text being the key; expressions, numbers, the
// settings file and the command line's results and messages never do.
//
//   Tr(u"Calculate")                 -> u"Berechnen" once German is chosen
//   Tr(u"Copied %1", u"1.41")        -> u"1.41 kopiert"
//   Tr(u"No such text")              -> u"No such text" (English is the fallback)
#pragma once

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
// (a number, an expression) is never translated.
std::u16string Tr(std::u16string_view english, std::u16string_view arg);

// Chooses the catalogue from the user's languages, most wanted first, as the
// platform names them ("de_DE.UTF-8", "pt-BR", "zh_CN", "ar"); the first that
// has a catalogue wins, otherwise English.
void ChooseLanguage(const std::vector<std::string>& languages);

// The chosen catalogue's language ("de", "pt_BR", "ar"), or "" for English.
std::string_view ChosenLanguage();

// Whether the chosen language is written right to left.
bool RightToLeft();

}  // namespace calc
