// SPDX-License-Identifier: MIT
// The user's language on Windows: the display languages the user chose.
#pragma once

#include <string>
#include <vector>

namespace calc {

// The user's display languages, most wanted first, as the system names them
// ("de-DE", "pt-BR", "ar-EG"); under Wine they follow the locale (LC_ALL,
// LC_MESSAGES, LANG).
std::vector<std::string> UserUILanguages();

// Chooses the catalogue from the user's display languages.
void UseUserLanguage();

}  // namespace calc
