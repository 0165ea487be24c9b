// SPDX-License-Identifier: MIT
// Whether the message box helper can use its themed form.
#pragma once

namespace calc {

// True when a styled widget toolkit is running, which shows a message as a
// main text with smaller detail text below it.
bool ThemedDialogsAvailable();

}  // namespace calc
