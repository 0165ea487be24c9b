// SPDX-License-Identifier: MIT
// What the probes share: text for their reports, waiting while their own
// messages are served, and finding the calculator's windows.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

namespace probe {

inline std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

// Lets messages (and with them out-of-context events) in until done()
// holds or the time is up.
template <typename Condition>
bool PumpUntil(Condition done, DWORD timeout) {
  const ULONGLONG deadline = GetTickCount64() + timeout;
  while (true) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                              QS_ALLINPUT);
  }
}

struct Search {
  DWORD process;  // 0: any
  const wchar_t* class_name;
  HWND found;
};

inline BOOL CALLBACK Match(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t class_name[64] = L"";
  GetClassNameW(window, class_name, 64);
  if ((search->process && owner != search->process) || !IsWindowVisible(window) ||
      std::wstring(class_name) != search->class_name) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// The process's visible top-level window of that class, if it has one.
inline HWND FindTopLevel(DWORD process, const wchar_t* class_name) {
  Search search{process, class_name, nullptr};
  EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A visible window of that class the thread owns, such as a dialog box.
inline HWND FindThreadWindow(DWORD thread, const wchar_t* class_name) {
  Search search{0, class_name, nullptr};
  EnumThreadWindows(thread, Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace probe
