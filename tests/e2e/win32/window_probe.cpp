// SPDX-License-Identifier: MIT
// Drives exprcalc.exe from outside its process as a Windows user does, and
// checks what only the screen and the window system can tell: a focused
// Calculate looks different from Calculate as the default button, and the
// box draws its selection only while it has the focus; "Always on top" in
// the system menu (Alt+Space) makes the window topmost, its key keeps it so
// after a restart, and choosing it again ends that; a copy with an empty
// brelmont.ini beside it keeps its settings there; the help box shows each
// line of the help text on one line.
// Usage: window_probe.exe PATH\TO\exprcalc.exe   (exit status 0: all passed)
#include <windows.h>

#include <algorithm>
#include <cstdio>
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

template <typename Condition>
bool WaitUntil(Condition done, DWORD milliseconds = 10000) {
  return probe::PumpUntil(done, milliseconds);
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

HWND Focus(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// A control's pixels as the screen shows them.
std::vector<COLORREF> Capture(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  std::vector<COLORREF> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(memory, x, y));
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

int Differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
  if (a.size() != b.size()) return static_cast<int>(std::max(a.size(), b.size()));
  int count = 0;
  for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
  return count;
}

int Highlighted(HWND control) {
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  int count = 0;
  for (const COLORREF pixel : Capture(control)) count += pixel == highlight;
  return count;
}

bool Topmost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Calculator {
 public:
  explicit Calculator(const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
      Fail("cannot start " + Utf8(program));
      return;
    }
    WaitForInputIdle(process_.hProcess, 30000);
    if (!WaitUntil([&] { return (form = probe::FindTopLevel(process_.dwProcessId, L"TForm1")) != nullptr; }, 60000)) {
      Fail("the calculator window did not appear");
      return;
    }
    thread = GetWindowThreadProcessId(form, nullptr);
    SetForegroundWindow(form);
    WaitUntil([&] { return GetForegroundWindow() == form; }, 5000);
  }
  ~Calculator() {
    if (!process_.hProcess) return;
    if (form && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      PostMessageW(form, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) {
        Fail("the calculator did not close");
        TerminateProcess(process_.hProcess, 1);
      }
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Calculator(const Calculator&) = delete;
  Calculator& operator=(const Calculator&) = delete;

  bool Started() const { return form != nullptr; }
  HWND Child(const wchar_t* class_name, const wchar_t* text) const {
    return FindWindowExW(form, nullptr, class_name, text);
  }
  bool FocusOn(HWND expected) {
    return WaitUntil([&] { return Focus(thread) == expected; }, 5000);
  }

  HWND form = nullptr;
  DWORD thread = 0;

 private:
  PROCESS_INFORMATION process_{};
};

// The system menu opened from the keyboard, and its item chosen by its
// access key.
void ChooseAlwaysOnTop() {
  Send({Key(VK_MENU, false), Key(VK_SPACE, false), Key(VK_SPACE, true), Key(VK_MENU, true)});
  if (!WaitUntil([] { return FindWindowW(L"#32768", nullptr) != nullptr; }, 5000)) {
    Fail("Alt+Space did not open the system menu");
  }
  Press('T');
}

void CheckFocusIsVisible(const std::wstring& program) {
  Calculator calculator(program);
  if (!calculator.Started()) return;
  const HWND calculate = calculator.Child(L"Button", L"Calculate");
  const HWND cb = calculator.Child(L"ComboBox", nullptr);
  const HWND edit = FindWindowExW(cb, nullptr, L"Edit", nullptr);
  if (!calculator.FocusOn(edit)) Fail("the box does not have the focus at the start");
  Type(L"6*7");
  Send({Key(VK_SHIFT, false), Key(VK_HOME, false), Key(VK_HOME, true), Key(VK_SHIFT, true)});
  if (!WaitUntil([&] { return Highlighted(edit) > 0; }, 5000))
    Fail("the box's selection is not drawn while it has the focus");
  const std::vector<COLORREF> unfocused = Capture(calculate);
  Press(VK_TAB);  // from the box, the last stop, to Calculate, the first
  if (!calculator.FocusOn(calculate)) Fail("Tab from the box did not reach Calculate");
  if (!WaitUntil([&] { return Differing(Capture(calculate), unfocused) > 0; }, 5000)) {
    Fail("a focused Calculate looks exactly like Calculate as the default button");
  }
  if (!WaitUntil([&] { return Highlighted(edit) == 0; }, 5000)) {
    Fail("the box still draws its selection without the focus (" + std::to_string(Highlighted(edit)) + " pixels)");
  }
  Send({Key(VK_SHIFT, false), Key(VK_TAB, false), Key(VK_TAB, true), Key(VK_SHIFT, true)});
  if (!calculator.FocusOn(edit)) Fail("Shift+Tab from Calculate did not reach the box");
  if (!WaitUntil([&] { return Highlighted(edit) > 0; }, 5000))
    Fail("the box's selection did not come back with the focus");
}

// A control's text length, asked of the control: another process's edit
// keeps its text to itself.
int TextLength(HWND control) { return static_cast<int>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)); }

// The width of the text's longest line in the help box's font (the dialog
// font, 8 points), as this process measures it.
int LongestLine(const std::wstring& text) {
  const HDC dc = GetDC(nullptr);
  const HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
  const HGDIOBJ old = SelectObject(dc, font);
  RECT rect{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return rect.right - rect.left;
}

void CheckHelpBoxLines(const std::wstring& program) {
  Calculator calculator(program);
  if (!calculator.Started()) return;
  Press(VK_F1);
  HWND box = nullptr;
  HWND label = nullptr;
  if (!WaitUntil([&] {
        box = probe::FindThreadWindow(calculator.thread, L"#32770");
        // The text: a read-only edit, or a static past an icon's.
        label = box ? FindWindowExW(box, nullptr, L"Edit", nullptr) : nullptr;
        while (box && (!label || TextLength(label) == 0)) {
          label = FindWindowExW(box, label, L"Static", nullptr);
          if (!label) break;
        }
        return label != nullptr && TextLength(label) > 0;
      })) {
    Fail("F1 did not open a help box with a text");
    return;
  }
  std::wstring text(static_cast<std::size_t>(TextLength(label)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(SendMessageW(label, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  RECT shown;
  GetClientRect(label, &shown);
  const int needed = LongestLine(text);
  if (text.find(L"pi * (2 * sqrt(cos(23)))/2.345E-2 + (2 + 15) * sqr(2^-2.1)") == std::wstring::npos) {
    Fail("the help box lacks the example formula: " + Utf8(text));
  }
  if (shown.right < needed) {
    Fail("the help box's text is " + std::to_string(shown.right) + " pixels wide, its longest line " +
         std::to_string(needed) + ": lines wrap");
  }
  RECT outer;
  GetWindowRect(box, &outer);
  if (outer.left < 0 || outer.right > GetSystemMetrics(SM_CXSCREEN)) Fail("the help box is not within the screen");
  Press(VK_RETURN);
  if (!WaitUntil([&] { return !IsWindow(box); }, 5000)) Fail("Enter did not close the help box");
}

void CheckAlwaysOnTop(const std::wstring& program) {
  const std::wstring settings = SettingsPath();
  {
    Calculator calculator(program);
    if (!calculator.Started()) return;
    if (Topmost(calculator.form)) Fail("the window is topmost before it was asked to be");
    // Another process's menu can be read on Windows; Wine keeps menus to
    // their process, where this part is left to the keyboard below.
    const HMENU menu = GetSystemMenu(calculator.form, FALSE);
    const int items = menu ? GetMenuItemCount(menu) : -1;
    if (items > 0) {
      wchar_t text[64] = L"";
      GetMenuStringW(menu, static_cast<UINT>(items - 1), text, 64, MF_BYPOSITION);
      if (!Contains(Utf8(text), "top")) Fail("the system menu's last item is \"" + Utf8(text) + "\"");
    } else {
      std::printf("note: the system menu of another process cannot be read here\n");
    }
    ChooseAlwaysOnTop();
    if (!WaitUntil([&] { return Topmost(calculator.form); }, 5000)) {
      Fail("choosing Always on top from the system menu did not make the window topmost");
    }
    if (items > 0) {
      const UINT state = GetMenuState(menu, static_cast<UINT>(items - 1), MF_BYPOSITION);
      if (!(state & MF_CHECKED)) Fail("Always on top is not checked while on");
    }
  }
  if (!Contains(ReadFile(settings), "AlwaysOnTop=1\r\n")) Fail("the settings file lacks AlwaysOnTop=1");
  {
    Calculator calculator(program);
    if (!calculator.Started()) return;
    if (!WaitUntil([&] { return Topmost(calculator.form); }, 5000)) Fail("the window is not topmost after a restart");
    ChooseAlwaysOnTop();
    if (!WaitUntil([&] { return !Topmost(calculator.form); }, 5000)) {
      Fail("choosing Always on top again did not end it");
    }
  }
  if (!Contains(ReadFile(settings), "AlwaysOnTop=0\r\n")) Fail("the settings file lacks AlwaysOnTop=0");
}

void CheckPortableCopy(const std::wstring& program) {
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"exprcalc-portable-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring copy = folder + L"\\exprcalc.exe";
  const std::wstring beside = folder + L"\\brelmont.ini";
  CreateDirectoryW(folder.c_str(), nullptr);
  if (!CopyFileW(program.c_str(), copy.c_str(), FALSE)) {
    Fail("cannot copy the program to " + Utf8(folder));
    return;
  }
  CloseHandle(CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string profile_before = ReadFile(SettingsPath());
  {
    Calculator calculator(copy);
    if (!calculator.Started()) return;
    Type(L"6*7");
    Press(VK_RETURN);
    const HWND result = calculator.Child(L"Static", nullptr);
    WaitUntil(
        [&] {
          wchar_t text[16] = L"";
          GetWindowTextW(result, text, 16);
          return std::wstring(text) == L"42";
        },
        5000);
  }
  if (!Contains(ReadFile(beside), "Expression1=6*7\r\n")) {
    Fail("the portable copy did not keep its history beside it: " + ReadFile(beside));
  }
  if (ReadFile(SettingsPath()) != profile_before) Fail("the portable copy changed the profile's settings file");
  DeleteFileW(beside.c_str());
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: window_probe PATH\\TO\\exprcalc.exe\n");
    return 2;
  }
  SetProcessDPIAware();
  DeleteFileW(SettingsPath().c_str());
  CheckFocusIsVisible(argv[1]);
  CheckHelpBoxLines(argv[1]);
  CheckAlwaysOnTop(argv[1]);
  CheckPortableCopy(argv[1]);
  if (failures == 0) std::printf("window probe: passed\n");
  return failures == 0 ? 0 : 1;
}
