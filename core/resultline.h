// SPDX-License-Identifier: MIT
// What the result line tells beyond the text it draws: its tooltip, and
// what a screen reader is told when the line changes or is copied.
//
//   ResultTooltip(u"1.33", false)                -> ""
//   ResultTooltip(u"Unknown function - ...", true) -> "Unknown function - ..."
//   CopiedAnnouncement(u"1.41")                    -> "Copied 1.41"
#pragma once

#include <string>
#include <string_view>

namespace calc {

// The line's tooltip: its whole text when the line shows only the start of
// it, none when all of it shows.
std::u16string ResultTooltip(std::u16string_view text, bool elided);

// What a screen reader is told when Copy has put the line's text on the
// clipboard: what was copied.
std::u16string CopiedAnnouncement(std::u16string_view text);

}  // namespace calc
