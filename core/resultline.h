// SPDX-License-Identifier: MIT
// What a screen reader is told when the result line is copied (the line's
// tooltip is the calculation's, see ResultToolTip).
//
//   CopiedAnnouncement(u"1.41") -> "Copied 1.41"
#pragma once

#include <string>
#include <string_view>

namespace calc {

// What a screen reader is told when Copy has put the line's text on the
// clipboard: what was copied.
std::u16string CopiedAnnouncement(std::u16string_view text);

}  // namespace calc
