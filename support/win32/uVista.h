// SPDX-License-Identifier: MIT
// Whether task dialogs can be shown with visual styles.
#pragma once

#include <windows.h>

namespace calc::win32 {

// True on Windows 6 or later when the theme library is there, the
// application is themed with an active visual style and version 6 of the
// common controls is loaded (the manifest asks for it).
bool ThemedDialogsAvailable();

// The font a task dialog writes its main instruction in: the visual style's,
// or else the message font, bold and a third larger. False when neither can
// be had.
bool MainInstructionFont(LOGFONTW& font);

}  // namespace calc::win32
