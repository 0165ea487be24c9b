// SPDX-License-Identifier: MIT
// save_helper_win32 loop PATH EVENT: saves document A, then B, then A...
// until killed, and sets the named event once the first save is done.
// save_helper_win32 hold PATH EVENT: takes the save lock of PATH, sets the
// named event and waits to be killed.
#include <windows.h>
// Needs the types of windows.h.
#include <shellapi.h>

#include <string>

#include "save_documents.h"
#include "windows_save.h"

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 4) return 2;
  const std::wstring mode = argv[1];
  const std::wstring path = argv[2];
  const HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
  if (!started) return 2;
  if (mode == L"hold") {
    calc::win32::WindowsFileCalls calls;
    const calc::SaveLock lock(calls, calc::win32::test::U16(path));
    if (!lock.held()) return 1;
    SetEvent(started);
    Sleep(INFINITE);
  }
  if (mode != L"loop") return 2;
  const std::string a = calc::test::Document('A');
  const std::string b = calc::test::Document('B');
  for (unsigned i = 0;; ++i) {
    if (!calc::win32::test::WriteFileAtomically(path, i % 2 == 0 ? a : b)) return 1;
    if (i == 0) SetEvent(started);
  }
}
