// SPDX-License-Identifier: MIT
#include "resultline.h"

#include "translation.h"

namespace calc {

std::u16string CopiedAnnouncement(std::u16string_view text) {
  // TRANSLATORS: What a screen reader says after Copy when the result line was empty.
  if (text.empty()) return std::u16string(Tr(u"Copied"));
  // TRANSLATORS: What a screen reader says after Copy: %1 is the text copied, such as 1,234.57.
  return Tr(u"Copied %1", text);
}

}  // namespace calc
