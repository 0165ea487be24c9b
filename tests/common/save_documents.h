// SPDX-License-Identifier: MIT
// The two settings files the fault tests save in turn: large enough that a
// kill can land in the middle of writing one.
#pragma once

#include <string>

namespace calc::test {

// About 21 bytes an entry: 20000 entries make some 420 KB.
inline std::string Document(char which, int entries = 20000) {
  std::string text = "[Information]\r\nProgram=Varnel's Expression Calculator\r\n\r\n[Expressions]\r\n";
  for (int i = 1; i <= entries; ++i) {
    text += "Expression" + std::to_string(i) + "=" + std::string(8, which) + "\r\n";
  }
  return text + "\r\n";
}

}  // namespace calc::test
