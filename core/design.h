// SPDX-License-Identifier: MIT
// The window's design as data: what each view builds its controls from.
// Positions and sizes are pixels at 96 dots per inch, within the client
// area.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace calc {

enum class ControlKind { kPushButton, kCheckBox, kComboBox, kLabel };

enum class Control { kCalculate, kCopy, kSeparators, kTwoDecimals, kAbout, kBox, kResult };

struct FontDesign {
  std::u16string_view family;
  int pixel_height = 0;  // character height
  int point_size = 0;    // the same at 96 dots per inch
};

struct ColourDesign {
  int red = 0;
  int green = 0;
  int blue = 0;
};

struct ControlDesign {
  Control id;
  std::u16string_view name;
  ControlKind kind;
  std::u16string_view text;  // '&' marks the access key
  std::u16string_view hint;  // the tooltip; empty for none
  std::u16string_view accessible_name;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool takes_focus = false;  // with Tab, in the table's order
  bool checked = false;
  bool is_default = false;
};

// In tab order, the result label last.
inline constexpr std::array<ControlDesign, 7> kControls = {{
    {Control::kCalculate, u"calculatebutton", ControlKind::kPushButton, u"Calculate", u"", u"Calculate", 488, 32, 75,
     29, true, false, true},
    {Control::kCopy, u"copybutton", ControlKind::kPushButton, u"&Copy", u"Copy result to clipboard", u"Copy", 536, 104,
     41, 24, true, false, false},
    {Control::kSeparators, u"sepcb", ControlKind::kCheckBox, u"Thousands separators", u"", u"Thousands separators", 16,
     136, 142, 18, true, true, false},
    {Control::kTwoDecimals, u"dec2cb", ControlKind::kCheckBox, u"Display only 2 decimal places accuracy", u"",
     u"Display only 2 decimal places accuracy", 328, 136, 228, 18, true, true, false},
    {Control::kAbout, u"aboutbutton", ControlKind::kPushButton, u"?", u"Help", u"Help", 551, 0, 26, 26, true, false,
     false},
    {Control::kBox, u"cb", ControlKind::kComboBox, u"", u"", u"Expression", 24, 34, 449, 22, true, false, false},
    {Control::kResult, u"resultlabel", ControlKind::kLabel, u"", u"", u"Result", 31, 72, 521, 29, false, false, false},
}};

constexpr const ControlDesign& Design(Control id) { return kControls[static_cast<std::size_t>(id)]; }

constexpr bool IndexedById() {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    if (static_cast<std::size_t>(kControls[i].id) != i) return false;
  }
  return true;
}
static_assert(IndexedById(), "Design() finds a control at the index of its id");

struct FormDesign {
  std::u16string_view class_name = u"TForm1";
  std::u16string_view caption = u"Varnel's Expression calculator";
  int client_width = 585;
  int client_height = 163;
  // The frame the window was designed in (601 x 202 around 585 x 163): the
  // settings file speaks of outer sizes.
  int frame_width = 16;
  int frame_height = 39;
  int min_outer_width = 580;
  FontDesign font{u"Tahoma", 12, 9};
  FontDesign box_font{u"Tahoma", 13, 10};
  int box_item_height = 20;
  FontDesign result_font{u"Verdana", 24, 18};
  ColourDesign result_colour{43, 53, 77};

  int outer_height() const { return client_height + frame_height; }
  int design_outer_width() const { return client_width + frame_width; }
};

inline constexpr FormDesign kForm{};

// Where FormResize puts the controls that follow the right edge. Nothing
// else moves, and no top or height changes.
struct ResizeLayout {
  int box_width = 0;
  int calculate_left = 0;
  int about_left = 0;
  int copy_left = 0;
  int two_decimals_left = 0;
};

// The controls' widths as the view has them (a check box may be wider than
// designed when its font is).
struct ResizeWidths {
  int calculate = Design(Control::kCalculate).width;
  int about = Design(Control::kAbout).width;
  int copy = Design(Control::kCopy).width;
  int two_decimals = Design(Control::kTwoDecimals).width;
};

ResizeLayout FormResize(int client_width, const ResizeWidths& widths = {});

// The help text: twelve lines joined by carriage returns.
std::u16string HelpText();

}  // namespace calc
