// SPDX-License-Identifier: MIT
// The message box helper and the generic error display on Windows.
#pragma once

#include <string>

namespace calc::win32 {

// The executable's file name cut at its first '.', every character after the
// first lower-cased: "C:\Tools\MyTool.Setup.exe" gives "Mytool".
std::wstring TitleFromExecutablePath(const std::wstring& path);
// The title of the running executable.
std::wstring ApplicationTitle();

// One modal box with a single OK and no icon: where themed dialogs are
// available, a task dialog (the message as its main instruction, the detail
// below), else a box of the message, two CRs and the detail. A box of one
// text (no detail, or no themes) shows it as a read-only text with the focus,
// which a screen reader reads line by line, in the main instruction's style
// where themed. An empty caption means the application title. Right to left,
// the box is mirrored and reads from the right.
void ShowMessageBox(const std::wstring& message, const std::wstring& detail, const std::wstring& caption,
                    bool right_to_left = false);

// The text with the application title, an error icon and OK, owned by the
// active window.
void ShowErrorBox(const std::wstring& text, bool right_to_left = false);

}  // namespace calc::win32
