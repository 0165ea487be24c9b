// SPDX-License-Identifier: MIT
// Drives exprcalc.exe from outside its process as Windows and a user do, and
// checks what only the window system can tell: the height of the list's
// rows; where the keyboard focus is after a box, after another window was
// active, and after a minimise; and that a session end (WM_QUERYENDSESSION,
// WM_ENDSESSION, then the process ended at once, with no WM_CLOSE) leaves
// the day's history in the settings file.
// Usage: session_probe.exe PATH\TO\exprcalc.exe   (exit status 0: all passed)
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "probe_support.h"

namespace {

using probe::Key;
using probe::ReadFile;
using probe::SettingsPath;
using probe::Utf8;

int failures = 0;

void Fail(const std::string& what) {
  std::printf("FAILED: %s\n", what.c_str());
  std::fflush(stdout);
  ++failures;
}

// Waits for a condition, serving the probe's own window meanwhile.
template <typename Condition>
bool WaitUntil(Condition done, DWORD milliseconds = 10000) {
  return probe::PumpUntil(done, milliseconds);
}

// A window as a reader of the failure knows it: its class and text.
std::string Describe(HWND window) {
  if (!window) return "nothing";
  wchar_t class_name[64] = L"";
  wchar_t text[64] = L"";
  GetClassNameW(window, class_name, 64);
  GetWindowTextW(window, text, 64);
  return Utf8(class_name) + " \"" + Utf8(text) + "\"";
}

HWND Focus(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

void Send(std::vector<INPUT> inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

void Press(WORD key) { Send({Key(key, false), Key(key, true)}); }

void Type(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (const wchar_t c : text) {
    inputs.push_back(Key(c, false, KEYEVENTF_UNICODE));
    inputs.push_back(Key(c, true, KEYEVENTF_UNICODE));
  }
  Send(inputs);
}

// Another program's window, to switch to and back from.
HWND CreateOtherWindow() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"SessionProbe";
  RegisterClassW(&window_class);
  return CreateWindowExW(0, L"SessionProbe", L"another program", WS_OVERLAPPEDWINDOW, 0, 300, 300, 200, nullptr,
                         nullptr, window_class.hInstance, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: session_probe PATH\\TO\\exprcalc.exe\n");
    return 2;
  }
  SetProcessDPIAware();
  const std::wstring settings = SettingsPath();
  DeleteFileW(settings.c_str());

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Fail("cannot start " + Utf8(argv[1]));
    return 1;
  }
  WaitForInputIdle(process.hProcess, 30000);
  HWND form = nullptr;
  if (!WaitUntil([&] { return (form = probe::FindTopLevel(process.dwProcessId, L"TForm1")) != nullptr; }, 60000)) {
    Fail("the calculator window did not appear");
    TerminateProcess(process.hProcess, 1);
    return 1;
  }
  const DWORD thread = GetWindowThreadProcessId(form, nullptr);
  const HWND cb = FindWindowExW(form, nullptr, L"ComboBox", nullptr);
  const HWND edit = FindWindowExW(cb, nullptr, L"Edit", nullptr);
  const HWND sepcb = FindWindowExW(form, nullptr, L"Button", L"Thousands separators");
  const HWND aboutbutton = FindWindowExW(form, nullptr, L"Button", L"?");
  const HWND other = CreateOtherWindow();
  const auto expect_focus = [&](HWND expected, const std::string& when) {
    if (!WaitUntil([&] { return Focus(thread) == expected; }, 5000)) {
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      GetGUIThreadInfo(thread, &info);
      Fail("the focus is on " + Describe(Focus(thread)) + ", not on " + Describe(expected) + ", " + when +
           " (active: " + Describe(info.hwndActive) + ", foreground: " + Describe(GetForegroundWindow()) + ")");
    }
  };
  const auto activate = [&](HWND window) {
    SetForegroundWindow(window);
    WaitUntil([&] { return GetForegroundWindow() == window; }, 5000);
  };
  const auto dismiss_box = [&](const std::string& which) {
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = probe::FindThreadWindow(thread, L"#32770")) != nullptr; }))
      return Fail(which + " did not appear");
    activate(box);
    Press(VK_RETURN);
    if (!WaitUntil([&] { return !IsWindow(box); })) Fail(which + " did not go on Enter");
  };

  // 20 design pixels, with the display's DPI.
  const HDC screen = GetDC(nullptr);
  const int row_height = MulDiv(20, GetDeviceCaps(screen, LOGPIXELSY), 96);
  ReleaseDC(nullptr, screen);
  const LRESULT rows = SendMessageW(cb, CB_GETITEMHEIGHT, 0, 0);
  if (rows != row_height)
    Fail("the list's rows are " + std::to_string(rows) + " high, not " + std::to_string(row_height));

  expect_focus(edit, "at start");
  activate(form);
  Type(L"6*7");
  Press(VK_RETURN);
  if (!WaitUntil([&] { return SendMessageW(cb, CB_GETCOUNT, 0, 0) == 1; })) Fail("6*7 did not enter the history");

  struct Case {
    const char* name;
    std::function<void()> act;
    HWND focus;
  };
  const Case cases[] = {
      {"after the overflow box was dismissed",
       [&] {
         SendMessageW(edit, EM_SETSEL, 0, -1);
         Type(L"1E5000");
         Press(VK_RETURN);
         dismiss_box("the overflow box");
       },
       edit},
      {"after the help box was dismissed",
       [&] {
         PostMessageW(aboutbutton, BM_CLICK, 0, 0);
         dismiss_box("the help box");
       },
       edit},
      {"after a minimise and a restore",
       [&] {
         PostMessageW(form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
         if (!WaitUntil([&] { return IsIconic(form) != FALSE; })) Fail("the window did not minimise");
         PostMessageW(form, WM_SYSCOMMAND, SC_RESTORE, 0);
         if (!WaitUntil([&] { return !IsIconic(form); })) Fail("the window was not restored");
       },
       edit},
      {"after another window was active",
       [&] {
         for (int i = 0; i < 3; ++i) Press(VK_TAB);  // Calculate, Copy, Thousands separators
         expect_focus(sepcb, "after three Tabs");
         ShowWindow(other, SW_SHOW);
         activate(other);
         activate(form);
       },
       sepcb},
  };
  for (const Case& c : cases) {
    activate(form);
    c.act();
    expect_focus(c.focus, c.name);
  }

  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(form, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, &answer) ||
      answer != TRUE) {
    Fail("WM_QUERYENDSESSION was not answered TRUE");
  }
  if (!SendMessageTimeoutW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, &answer)) {
    Fail("WM_ENDSESSION was not answered");
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const std::string saved = ReadFile(settings);
  if (saved.find("\r\nExpression1=6*7\r\n") == std::string::npos) {
    Fail("after the session end the settings file holds:\n" + saved);
  }
  if (failures == 0) std::printf("session end, focus and list rows under Wine: passed\n");
  return failures == 0 ? 0 : 1;
}
