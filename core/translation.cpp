// SPDX-License-Identifier: MIT
#include "translation.h"

namespace calc {

std::u16string_view Tr(std::u16string_view english) { return english; }

std::u16string Tr(std::u16string_view english, std::u16string_view arg) {
  std::u16string text(Tr(english));
  if (const std::size_t at = text.find(u"%1"); at != std::u16string::npos) text.replace(at, 2, arg);
  return text;
}

void ChooseLanguage(const std::vector<std::string>& /*languages*/) {}

std::string_view ChosenLanguage() { return {}; }

bool RightToLeft() { return false; }

}  // namespace calc
