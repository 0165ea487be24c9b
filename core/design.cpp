// SPDX-License-Identifier: MIT
#include "design.h"

#include <algorithm>

#include "translation.h"

namespace calc {

ResizeLayout FormResize(int client_width, const ResizeWidths& widths) {
  return {
      client_width - widths.calculate - 54, client_width - widths.calculate - 14,    client_width - widths.about,
      client_width - widths.copy - 14,      client_width - widths.two_decimals - 40,
  };
}

namespace {

// The least width of the expression box, as the narrowest design window
// leaves it.
constexpr int kMinBoxWidth = kForm.min_outer_width - kForm.frame_width - Design(Control::kCalculate).width - 54;
// Room between the two check boxes on the bottom row.
constexpr int kCheckBoxGap = 8;

// clang-format off
// TRANSLATORS: Help box, shown only in languages that write numbers with a decimal comma, on a line of its own
// (at most about 80 characters, as the help's other lines). Keep ".", 3.5 and 1,000 exactly: the calculator reads
// them so in every language.
constexpr std::u16string_view kDecimalPoint = CALC_N(u"The decimal point is \".\" (3.5); a comma only separates thousands (1,000).");
// clang-format on

}  // namespace

GrownLayout GrowForTexts(const TextNeeds& needs) {
  GrownLayout g;
  g.widths.calculate = std::max(g.widths.calculate, needs.calculate);
  g.widths.copy = std::max(g.widths.copy, needs.copy);
  g.widths.two_decimals = std::max(g.widths.two_decimals, needs.two_decimals);
  g.widths.about = std::max(g.widths.about, needs.about);
  g.separators_width = std::max(g.separators_width, needs.separators);
  const ControlDesign& separators = Design(Control::kSeparators);
  g.min_client_width = std::max({g.min_client_width, kMinBoxWidth + g.widths.calculate + 54,
                                 separators.left + g.separators_width + kCheckBoxGap + g.widths.two_decimals + 40});
  return g;
}

std::array<Rect, kControls.size()> PlaceControls(int client_width, const GrownLayout& grown, bool mirrored) {
  const ResizeLayout at = FormResize(client_width, grown.widths);
  std::array<Rect, kControls.size()> places;
  for (const ControlDesign& c : kControls) {
    places[static_cast<std::size_t>(c.id)] = {c.left, c.top, c.width, c.height};
  }
  const auto set = [&places](Control id, int left, int width) {
    Rect& r = places[static_cast<std::size_t>(id)];
    r.left = left;
    r.width = width;
  };
  set(Control::kBox, Design(Control::kBox).left, at.box_width);
  set(Control::kCalculate, at.calculate_left, grown.widths.calculate);
  set(Control::kAbout, at.about_left, grown.widths.about);
  set(Control::kCopy, at.copy_left, grown.widths.copy);
  set(Control::kTwoDecimals, at.two_decimals_left, grown.widths.two_decimals);
  set(Control::kSeparators, Design(Control::kSeparators).left, grown.separators_width);
  if (mirrored) {
    for (Rect& r : places) r.left = client_width - r.left - r.width;
  }
  return places;
}

std::u16string HelpText() {
  // Expressions, numbers and function names stay as they are in every
  // language: they are what the user types.
  std::u16string lines[] = {
      // TRANSLATORS: First line of the help box: the program's name in capital letters; %1 is its version (1.2).
      Tr(u"VARNEL'S EXPRESSION CALCULATOR (V%1)", u"1.2") + u"  " +
          // TRANSLATORS: Follows the name on the help box's first line; %1 is the years.
          Tr(u"(c) %1 the exprcalc developers", u"2024-2026"),
      u"",
      // TRANSLATORS: Help box: %1 lists the operators and function names, which stay as they are.
      Tr(u"FUNCTIONS: %1", u"+, -, *, /, ^,  PI,  INV(),  SQR(),  SQRT(),  EXP(),  LOG(), LN(),"),
      u"FACT(),  SIN(),  ARCSIN(),  COS(),  ARCCOS(), TAN(),  ARCTAN()",
      u"",
      // TRANSLATORS: Help box: %1 is an expression, %2 its result; keep the spaces around them.
      Tr(u"For example,  %1     (answer will be %2)", {u"2 * 2", u"4"}),
      u"",
      // TRANSLATORS: Help box, the next example after "For example": %1 is an expression, %2 its result.
      Tr(u"or   %1     (answer will be %2)", {u"(2 + 2) / 3", u"1.3333333"}),
      u"",
      // TRANSLATORS: Help box, the last example: %1 is an expression.
      Tr(u"or   %1", u"pi * (2 * sqrt(cos(23)))/2.345E-2 + (2 + 15) * sqr(2^-2.1)"),
      u"",
      u"               --------    www.exprcalc.example   ---------",
  };
  std::u16string text(lines[0]);
  for (std::size_t i = 1; i < std::size(lines); ++i) {
    text += u'\r';
    text += lines[i];
    // A reader whose numbers have a decimal comma meets this first.
    if (i == 9 && DecimalComma()) {
      text += u"\r\r";
      text += Tr(kDecimalPoint);
    }
  }
  return text;
}

}  // namespace calc
