// SPDX-License-Identifier: MIT
#include "language.h"

#include <windows.h>

#include <cwchar>
#include <string_view>

#include "translation.h"

namespace calc {

std::vector<std::string> UserUILanguages() {
  // Language names are ASCII.
  const auto narrow = [](std::wstring_view name) { return std::string(name.begin(), name.end()); };
  std::vector<std::string> languages;
  ULONG count = 0;
  ULONG size = 0;
  if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) && size > 0) {
    std::wstring names(size, L'\0');
    if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &size)) {
      // One name after another, each ended by a NUL, the list by another.
      for (const wchar_t* name = names.c_str(); *name; name += std::wcslen(name) + 1) languages.push_back(narrow(name));
    }
  }
  if (languages.empty()) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = L"";
    if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) > 0) {
      languages.push_back(narrow(name));
    }
  }
  return languages;
}

void UseUserLanguage() { ChooseLanguage(UserUILanguages()); }

}  // namespace calc
