// SPDX-License-Identifier: MIT
// The window's design as data: what each view builds its controls from.
// Positions and sizes are pixels at 96 dots per inch, within the client
// area.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "translation.h"

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
  Control id{};
  std::u16string_view name{};
  ControlKind kind{};
  std::u16string_view text{};  // '&' marks the access key
  std::u16string_view hint{};  // the tooltip; empty for none
  // What a screen reader says: an empty name is the control's own text, an
  // empty description the hint.
  std::u16string_view accessible_name{};
  std::u16string_view accessible_description{};
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool takes_focus = false;  // with Tab, in the table's order
  bool checked = false;
  bool is_default = false;
};

// In tab order, the result label last. One control a row. The texts are
// English; a view shows them through Tr.
// clang-format off
inline constexpr std::array<ControlDesign, 7> kControls = {{
    {.id = Control::kCalculate, .name = u"calculatebutton", .kind = ControlKind::kPushButton,
     // TRANSLATORS: The main push button, right of the expression box (75 px wide, about 12 characters; it grows
     // when needed). Also its screen-reader name. Use the verb your desktop's calculator uses.
     .text = CALC_N(u"Calculate"),
     .accessible_name = CALC_N(u"Calculate"),
     .left = 488, .top = 32, .width = 75, .height = 29, .takes_focus = true, .is_default = true},
    {.id = Control::kCopy, .name = u"copybutton", .kind = ControlKind::kPushButton,
     // TRANSLATORS: Small push button right of the result line (41 px wide, about 5 characters; it grows when
     // needed). '&' marks the Alt access key: keep exactly one, before a letter of your word.
     .text = CALC_N(u"&Copy"),
     // TRANSLATORS: Tooltip of the Copy button. No length limit.
     .hint = CALC_N(u"Copy result to clipboard"),
     // TRANSLATORS: What a screen reader calls the Copy button: the same word as on the button, without '&'.
     .accessible_name = CALC_N(u"Copy"),
     .left = 536, .top = 104, .width = 41, .height = 24, .takes_focus = true},
    {.id = Control::kSeparators, .name = u"sepcb", .kind = ControlKind::kCheckBox,
     // TRANSLATORS: Check box at the bottom left (142 px, about 22 characters; it grows when needed): groups the
     // result's digits in threes with commas, as in 1,234,567. Use your desktop's term for thousands separators.
     .text = CALC_N(u"Thousands separators"),
     .accessible_name = CALC_N(u"Thousands separators"),
     .left = 16, .top = 136, .width = 142, .height = 18, .takes_focus = true, .checked = true},
    {.id = Control::kTwoDecimals, .name = u"dec2cb", .kind = ControlKind::kCheckBox,
     // TRANSLATORS: Check box at the bottom right (228 px, about 38 characters; it grows when needed): shows the
     // result rounded to two decimals.
     .text = CALC_N(u"Display only 2 decimal places accuracy"),
     .accessible_name = CALC_N(u"Display only 2 decimal places accuracy"),
     .left = 328, .top = 136, .width = 228, .height = 18, .takes_focus = true, .checked = true},
    {.id = Control::kAbout, .name = u"aboutbutton", .kind = ControlKind::kPushButton,
     // TRANSLATORS: The help button's face in the top corner, 26 px square: one question mark as your script
     // writes it.
     .text = CALC_N(u"?"),
     // TRANSLATORS: Tooltip and screen-reader name of the "?" button, which shows the help text. One word.
     .hint = CALC_N(u"Help"),
     .accessible_name = CALC_N(u"Help"),
     .left = 551, .top = 0, .width = 26, .height = 26, .takes_focus = true},
    {.id = Control::kBox, .name = u"cb", .kind = ControlKind::kComboBox,
     // TRANSLATORS: What a screen reader calls the box the user types the arithmetic expression into.
     .accessible_name = CALC_N(u"Expression"),
     .left = 24, .top = 34, .width = 449, .height = 22, .takes_focus = true},
    {.id = Control::kResult, .name = u"resultlabel", .kind = ControlKind::kLabel,
     // TRANSLATORS: What a screen reader says of the result line while it shows nothing.
     .accessible_description = CALC_N(u"Result"),
     .left = 31, .top = 72, .width = 521, .height = 29},
}};
// clang-format on

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
  // TRANSLATORS: The window's title, also the Start-menu entry and the uninstall entry of the Windows setup.
  // Translate "Expression calculator"; "Varnel" is the maker's name.
  std::u16string_view caption = CALC_N(u"Varnel's Expression calculator");
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
  // The help box's main text, as a task dialog draws its main instruction.
  ColourDesign main_instruction_colour{0, 51, 153};

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

// The room each control's text needs, as the view measures it in its font
// (the text and the control's own frame, box or padding); 0 where nothing
// is measured.
struct TextNeeds {
  int calculate = 0;
  int copy = 0;
  int separators = 0;
  int two_decimals = 0;
  int about = 0;
};

// The controls' widths and the window's minimum client width once every
// text fits: the design's sizes are the minimum, so a text that fits them
// changes nothing, and a longer one (a translation, a wider substitute
// font) widens its control and, where the controls would meet, the window.
struct GrownLayout {
  ResizeWidths widths;
  int separators_width = Design(Control::kSeparators).width;
  int min_client_width = kForm.min_outer_width - kForm.frame_width;
};
GrownLayout GrowForTexts(const TextNeeds& needs);

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Every control's place at a client width, in the order of kControls, by
// FormResize's rule. `mirrored` places them as a right-to-left language
// reads: each left edge becomes the same distance from the right edge. (A
// platform that mirrors a window itself passes false.)
std::array<Rect, kControls.size()> PlaceControls(int client_width, const GrownLayout& grown, bool mirrored);

// The help text: twelve lines joined by carriage returns.
std::u16string HelpText();

}  // namespace calc
