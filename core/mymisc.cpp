// SPDX-License-Identifier: MIT
#include "mymisc.h"

#include <algorithm>

namespace calc {

std::u16string AddTrailingBackslash(std::u16string_view path, char16_t separator) {
  std::u16string result(path);
  if (!result.empty() && result.back() != separator) result += separator;
  return result;
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name, char16_t separator) {
  std::u16string tail(name);
  std::replace(tail.begin(), tail.end(), u'\\', separator);
  return AddTrailingBackslash(folder, separator) + tail;
}

}  // namespace calc
