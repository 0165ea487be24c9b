// SPDX-License-Identifier: MIT
// A dark desktop's palette (light text on dark grey, as Fusion's dark
// schemes have it), for the tests of the colours the views draw.
#pragma once

#include <QPalette>

namespace calc {

inline QPalette DarkPalette() {
  QPalette dark(QColor(53, 53, 53));  // button face; the rest derived
  for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button}) dark.setColor(role, QColor(53, 53, 53));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    dark.setColor(role, QColor(240, 240, 240));
  }
  dark.setColor(QPalette::Base, QColor(42, 42, 42));
  return dark;
}

}  // namespace calc
