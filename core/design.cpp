// SPDX-License-Identifier: MIT
#include "design.h"

namespace calc {

ResizeLayout FormResize(int client_width, const ResizeWidths& widths) {
  return {
      client_width - widths.calculate - 54, client_width - widths.calculate - 14,    client_width - widths.about,
      client_width - widths.copy - 14,      client_width - widths.two_decimals - 40,
  };
}

std::u16string HelpText() {
  const std::u16string_view lines[] = {
      u"VARNEL'S EXPRESSION CALCULATOR (V1.2)  (c) 2024-2026 the exprcalc developers",
      u"",
      u"FUNCTIONS: +, -, *, /, ^,  PI,  INV(),  SQR(),  SQRT(),  EXP(),  LOG(), LN(),",
      u"FACT(),  SIN(),  ARCSIN(),  COS(),  ARCCOS(), TAN(),  ARCTAN()",
      u"",
      u"For example,  2 * 2     (answer will be 4)",
      u"",
      u"or   (2 + 2) / 3     (answer will be 1.3333333)",
      u"",
      u"or   pi * (2 * sqrt(cos(23)))/2.345E-2 + (2 + 15) * sqr(2^-2.1)",
      u"",
      u"               --------    www.exprcalc.example   ---------",
  };
  std::u16string text(lines[0]);
  for (std::size_t i = 1; i < std::size(lines); ++i) {
    text += u'\r';
    text += lines[i];
  }
  return text;
}

}  // namespace calc
