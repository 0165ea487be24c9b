// SPDX-License-Identifier: MIT
// Whether task dialogs can be shown with visual styles.
#pragma once

namespace calc::win32 {

// True on Windows 6 or later when the theme library is there, the
// application is themed with an active visual style and version 6 of the
// common controls is loaded (the manifest asks for it).
bool ThemedDialogsAvailable();

}  // namespace calc::win32
