// SPDX-License-Identifier: MIT
#include "resultline.h"

namespace calc {

std::u16string CopiedAnnouncement(std::u16string_view text) {
  return text.empty() ? u"Copied" : u"Copied " + std::u16string(text);
}

}  // namespace calc
