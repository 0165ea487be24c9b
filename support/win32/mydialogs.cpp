// SPDX-License-Identifier: MIT
#include "mydialogs.h"

#include <windows.h>
// Needs the types of windows.h.
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "translation.h"
#include "uVista.h"
#include "win32platform.h"

namespace calc::win32 {

namespace {

// The work area of the screen the window is on, or of the primary screen.
RECT WorkArea(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return monitor.rcWork;
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The text's lines end at CR LF: a lone CR or LF becomes one, as a message
// box reads them.
std::wstring WithLineEnds(const std::wstring& text) {
  std::wstring lines;
  lines.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      lines += L"\r\n";
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

// The size of the text in the font, each line whole; wrapped to `wrap`
// pixels when given.
SIZE TextExtent(HDC dc, HFONT font, const std::wstring& text, int wrap = 0) {
  const HGDIOBJ old = SelectObject(dc, font);
  RECT rect{0, 0, wrap, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrap > 0 ? DT_WORDBREAK : 0));
  SelectObject(dc, old);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The font's average character width, the horizontal dialog base unit.
int AverageCharWidth(HDC dc, HFONT font) {
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, kLetters, 52, &size);
  SelectObject(dc, old);
  return std::max<int>(1, (size.cx / 26 + 1) / 2);
}

HFONT MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

// A task dialog's client width in dialog units that shows each line of the
// main instruction whole, within the screen; 0 leaves it to the system.
UINT TaskDialogWidth(const std::wstring& message) {
  LOGFONTW instruction{};
  if (!MainInstructionFont(instruction)) return 0;
  const HFONT instruction_font = CreateFontIndirectW(&instruction);
  const HFONT dialog_font = MessageFont();
  UINT width = 0;
  if (instruction_font && dialog_font) {
    const HDC dc = GetDC(nullptr);
    const int base = AverageCharWidth(dc, dialog_font);
    const RECT work = WorkArea(GetActiveWindow());
    // The instruction's margins and the frame, with room to spare.
    constexpr int kMarginUnits = 40;
    const int needed =
        MulDiv(static_cast<int>(TextExtent(dc, instruction_font, WithLineEnds(message)).cx), 4, base) + kMarginUnits;
    const int widest = MulDiv(static_cast<int>(work.right - work.left), 4, base) - kMarginUnits;
    width = static_cast<UINT>(std::max(0, std::min(needed, widest)));
    ReleaseDC(nullptr, dc);
  }
  if (instruction_font) DeleteObject(instruction_font);
  if (dialog_font) DeleteObject(dialog_font);
  return width;
}

// The classic box: the text and OK, as wide as its longest line within the
// screen, where a system message box would wrap the lines at its own width.
struct TextBox {
  std::wstring text;
  HFONT font = nullptr;
};

INT_PTR CALLBACK TextBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* content = reinterpret_cast<const TextBox*>(lparam);
      const HINSTANCE instance = GetModuleHandleW(nullptr);
      const HDC dc = GetDC(box);
      const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
      const int margin = MulDiv(11, dpi, 96);
      const RECT work = WorkArea(box);
      RECT frame{0, 0, 0, 0};
      AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongPtrW(box, GWL_EXSTYLE)));
      const int frame_width = static_cast<int>(frame.right - frame.left);
      const int frame_height = static_cast<int>(frame.bottom - frame.top);
      const int widest = static_cast<int>(work.right - work.left) - frame_width - 2 * margin;
      SIZE text = TextExtent(dc, content->font, content->text);
      if (text.cx > widest) text = TextExtent(dc, content->font, content->text, widest);
      const std::wstring ok = ToWide(Tr(u"OK"));
      const SIZE ok_text = TextExtent(dc, content->font, ok);
      ReleaseDC(box, dc);
      const int text_width = static_cast<int>(text.cx);
      const int text_height = static_cast<int>(text.cy);
      const int button_width = std::max(MulDiv(75, dpi, 96), static_cast<int>(ok_text.cx) + 2 * margin);
      const int button_height = MulDiv(23, dpi, 96);
      const int client_width = std::max(text_width, button_width) + 2 * margin;
      const int client_height = margin + text_height + margin + button_height + margin;
      const HWND label =
          CreateWindowExW(0, L"STATIC", content->text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, margin,
                          margin, text_width, text_height, box, nullptr, instance, nullptr);
      const HWND button =
          CreateWindowExW(0, L"BUTTON", ok.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                          (client_width - button_width) / 2, margin + text_height + margin, button_width, button_height,
                          box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
      for (const HWND control : {label, button}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(content->font), FALSE);
      }
      const int outer_width = client_width + frame_width;
      const int outer_height = client_height + frame_height;
      SetWindowPos(
          box, nullptr,
          static_cast<int>(work.left) + std::max(0, static_cast<int>(work.right - work.left) - outer_width) / 2,
          static_cast<int>(work.top) + std::max(0, static_cast<int>(work.bottom - work.top) - outer_height) / 2,
          outer_width, outer_height, SWP_NOZORDER);
      SetFocus(button);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(box, IDOK);
      return TRUE;
    default:
      return FALSE;
  }
}

void ShowTextBox(const std::wstring& text, const std::wstring& title) {
  // A template with the caption only; the text and OK are laid out when
  // their sizes are known.
  std::vector<WORD> dialog(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(dialog.data());
  header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  dialog.push_back(0);  // no menu
  dialog.push_back(0);  // the standard dialog class
  dialog.insert(dialog.end(), title.begin(), title.end());
  dialog.push_back(0);
  TextBox content{WithLineEnds(text), MessageFont()};
  const bool own_font = content.font != nullptr;
  if (!own_font) content.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const INT_PTR shown =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialog.data()), nullptr,
                              TextBoxProc, reinterpret_cast<LPARAM>(&content));
  if (own_font) DeleteObject(content.font);
  if (shown == -1) MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK);
}

}  // namespace

std::wstring TitleFromExecutablePath(const std::wstring& path) {
  std::wstring title = path.substr(path.find_last_of(L'\\') + 1);
  title = title.substr(0, title.find(L'.'));
  if (title.size() > 1) CharLowerBuffW(title.data() + 1, static_cast<DWORD>(title.size() - 1));
  return title;
}

std::wstring ApplicationTitle() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return TitleFromExecutablePath(path);
}

void ShowMessageBox(const std::wstring& message, const std::wstring& detail, const std::wstring& caption) {
  const std::wstring title = caption.empty() ? ApplicationTitle() : caption;
  if (ThemedDialogsAvailable()) {
    // Found at run time: only version 6 of the common controls has it.
    using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    const HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    const auto task_dialog = controls ? reinterpret_cast<TaskDialogIndirectFunction>(
                                            reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect")))
                                      : nullptr;
    if (task_dialog) {
      TASKDIALOGCONFIG config{};
      config.cbSize = sizeof config;
      config.hwndParent = GetActiveWindow();
      config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
      // As wide as its longest line, so that lines break only where the
      // text does.
      config.cxWidth = TaskDialogWidth(message);
      config.dwCommonButtons = TDCBF_OK_BUTTON;
      config.pszWindowTitle = title.c_str();
      config.pszMainInstruction = message.c_str();
      config.pszContent = detail.empty() ? nullptr : detail.c_str();
      if (SUCCEEDED(task_dialog(&config, nullptr, nullptr, nullptr))) return;
    }
  }
  ShowTextBox(detail.empty() ? message : message + L"\r\r" + detail, title);
}

void ShowErrorBox(const std::wstring& text) {
  MessageBoxW(GetActiveWindow(), text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace calc::win32
