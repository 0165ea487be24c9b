// SPDX-License-Identifier: MIT
// The Windows program: the calculator window and its message loop.
#include <windows.h>
// Needs the types of windows.h.
#include <commctrl.h>

#include "Unit1.h"
#include "language.h"
#include "x87.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  calc::x87::EstablishEnvironment();
  // Found at run time: systems before Vista do not have it.
  using SetAwareFunction = BOOL(WINAPI*)();
  if (const HMODULE user = GetModuleHandleW(L"user32.dll")) {
    if (const auto set_aware =
            reinterpret_cast<SetAwareFunction>(reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware")))) {
      set_aware();
    }
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  // The user's language, before anything shows a text.
  calc::UseUserLanguage();
  calc::TForm1 form;
  if (!form.Create(instance)) return 1;
  form.Show(show_command);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!form.TranslateKeys(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
