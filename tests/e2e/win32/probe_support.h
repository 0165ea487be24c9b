// SPDX-License-Identifier: MIT
// What the probes share: text for their reports, waiting while their own
// messages are served, and finding the calculator's windows.
#pragma once

#include <windows.h>
// Needs the types of windows.h.
#include <shlobj.h>

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

// A key press or release; with KEYEVENTF_UNICODE, `key` is a character.
inline INPUT Key(WORD key, bool up, DWORD flags = 0) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = (flags & KEYEVENTF_UNICODE) ? 0 : key;
  input.ki.wScan = (flags & KEYEVENTF_UNICODE) ? key : 0;
  input.ki.dwFlags = flags | (up ? KEYEVENTF_KEYUP : 0);
  return input;
}

// The whole of a small file's bytes, or "<missing>".
inline std::string ReadFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(1 << 16, '\0');
  DWORD read = 0;
  ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// The calculator's settings file in this user's application-data folder.
inline std::wstring SettingsPath() {
  wchar_t app_data[MAX_PATH] = L"";
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data);
  return std::wstring(app_data) + L"\\VarnelSoftware\\Expression Calculator\\brelmont.ini";
}

}  // namespace probe
