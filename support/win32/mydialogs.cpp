// SPDX-License-Identifier: MIT
#include "mydialogs.h"

#include <windows.h>
// Needs the types of windows.h.
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "contrast.h"
#include "design.h"
#include "translation.h"
#include "uVista.h"
#include "win32platform.h"

namespace calc::win32 {
namespace {

constexpr WORD kTextId = 100;
constexpr UINT_PTR kTextSubclass = 1;

// What the text box is shown with, for its dialog procedure.
struct TextBox {
  std::wstring text;
  bool instruction = false;  // in a task dialog's main instruction style
  HFONT font = nullptr;
};

// The work area of the screen the window is on, or of the primary screen.
RECT WorkArea(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return monitor.rcWork;
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The width of the text's longest line in the font; lines end at a CR, an LF
// or both.
int LongestLine(HDC dc, HFONT font, const std::wstring& text) {
  const HGDIOBJ old = SelectObject(dc, font);
  int widest = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str() + start, static_cast<int>(end - start), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
    start = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
  }
  SelectObject(dc, old);
  return widest;
}

// The font's average character width, the horizontal dialog base unit.
int AverageCharWidth(HDC dc, HFONT font) {
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, kLetters, 52, &size);
  SelectObject(dc, old);
  return std::max<int>(1, (static_cast<int>(size.cx) / 26 + 1) / 2);
}

// A task dialog's client width in dialog units that shows each line of the
// main instruction whole, within the screen; 0 leaves it to the system.
UINT TaskDialogWidth(const std::wstring& message) {
  LOGFONTW instruction{};
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!MainInstructionFont(instruction) ||
      !SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    return 0;
  }
  const HFONT instruction_font = CreateFontIndirectW(&instruction);
  const HFONT dialog_font = CreateFontIndirectW(&metrics.lfMessageFont);
  UINT width = 0;
  if (instruction_font && dialog_font) {
    const HDC dc = GetDC(nullptr);
    const int base = AverageCharWidth(dc, dialog_font);
    const RECT work = WorkArea(GetActiveWindow());
    // The instruction's margins and the frame, with room to spare.
    constexpr int kMarginUnits = 40;
    const int needed = MulDiv(LongestLine(dc, instruction_font, message), 4, base) + kMarginUnits;
    const int widest = MulDiv(static_cast<int>(work.right - work.left), 4, base) - kMarginUnits;
    width = static_cast<UINT>(std::max(0, std::min(needed, widest)));
    ReleaseDC(nullptr, dc);
  }
  if (instruction_font) DeleteObject(instruction_font);
  if (dialog_font) DeleteObject(dialog_font);
  return width;
}

void Append(std::vector<WORD>& data, const std::wstring& text) {
  data.insert(data.end(), text.begin(), text.end());
  data.push_back(0);
}

void AppendDword(std::vector<WORD>& data, DWORD value) {
  data.push_back(LOWORD(value));
  data.push_back(HIWORD(value));
}

// A dialog item of a predefined class (0x80 button, 0x81 edit), placed by
// the dialog procedure.
void AppendItem(std::vector<WORD>& data, DWORD style, WORD id, WORD atom) {
  if (data.size() % 2 != 0) data.push_back(0);  // DWORD-aligned
  AppendDword(data, style | WS_CHILD | WS_VISIBLE);
  AppendDword(data, 0);
  data.insert(data.end(), {0, 0, 10, 10, id, 0xFFFF, atom});
  // TRANSLATORS: The only button of the Windows window's help and message boxes. As Windows says OK.
  Append(data, atom == 0x80 ? ToWide(Tr(u"OK")) : std::wstring());
  data.push_back(0);  // no creation data
}

// The edit takes the arrow keys; Enter, Escape and Tab go to the box, and
// coming in by Tab does not select the whole text.
LRESULT CALLBACK TextKeys(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_GETDLGCODE) {
    return DefSubclassProc(edit, message, wparam, lparam) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_HASSETSEL);
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, TextKeys, kTextSubclass);
  return DefSubclassProc(edit, message, wparam, lparam);
}

// Sizes the box to its lines, which then break only where the text does,
// with OK below them on the right.
void LayOut(HWND dialog, HWND edit, HWND ok, const std::wstring& text, HFONT font) {
  const HDC dc = GetDC(edit);
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  int widest = 0;
  int lines = 0;
  for (std::size_t start = 0; start <= text.size(); ++lines) {
    std::size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str() + start, static_cast<int>(end - start), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
    start = end + 2;
  }
  SelectObject(dc, old);
  ReleaseDC(edit, dc);
  RECT units{7, 7, 50, 14};  // margin, button: dialog units
  MapDialogRect(dialog, &units);
  const int margin = static_cast<int>(units.left);
  const int button_width = static_cast<int>(units.right);
  const int button_height = static_cast<int>(units.bottom);
  const DWORD margins = static_cast<DWORD>(SendMessageW(edit, EM_GETMARGINS, 0, 0));
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const RECT work = WorkArea(dialog);
  // Within the screen: a longer line scrolls sideways.
  const int room = static_cast<int>((work.right - work.left) - (frame.right - frame.left)) - 2 * margin;
  const int text_width =
      std::min(room, widest + LOWORD(margins) + HIWORD(margins) + static_cast<int>(metrics.tmAveCharWidth));
  const int text_height = lines * metrics.tmHeight + metrics.tmDescent;
  const int width = std::max(text_width, button_width) + 2 * margin;
  const int height = margin + text_height + margin + button_height + margin;
  SetWindowPos(edit, nullptr, margin, margin, text_width, text_height, SWP_NOZORDER);
  SetWindowPos(ok, nullptr, width - margin - button_width, height - margin - button_height, button_width, button_height,
               SWP_NOZORDER);
  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  // Centred over its owner, or the screen.
  RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (const HWND owner = GetWindow(dialog, GW_OWNER)) GetWindowRect(owner, &around);
  const int outer_width = static_cast<int>(outer.right - outer.left);
  const int outer_height = static_cast<int>(outer.bottom - outer.top);
  const int left = static_cast<int>(around.left + around.right) - outer_width;
  const int top = static_cast<int>(around.top + around.bottom) - outer_height;
  SetWindowPos(dialog, nullptr, std::max(0, left / 2), std::max(0, top / 2), outer_width, outer_height, SWP_NOZORDER);
}

INT_PTR CALLBACK TextBoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* box = reinterpret_cast<TextBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      box = reinterpret_cast<TextBox*>(lparam);
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      const HWND edit = GetDlgItem(dialog, kTextId);
      LOGFONTW face{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof face, &face);
      // A task dialog's main instruction is larger than its other text.
      if (box->instruction) face.lfHeight = face.lfHeight * 4 / 3;
      box->font = CreateFontIndirectW(&face);
      SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(box->font), FALSE);
      SetWindowTextW(edit, box->text.c_str());
      SetWindowSubclass(edit, TextKeys, kTextSubclass, 0);
      LayOut(dialog, edit, GetDlgItem(dialog, IDOK), box->text, box->font);
      // The caret at the start: a screen reader reads the first line, the
      // arrow keys the others.
      SetFocus(edit);
      SendMessageW(edit, EM_SETSEL, 0, 0);
      return FALSE;
    }
    case WM_CTLCOLORSTATIC: {
      // A read-only edit is drawn as a static text: on the box's face, in
      // the main instruction's colour where that is readable.
      const auto dc = reinterpret_cast<HDC>(wparam);
      const COLORREF face = GetSysColor(COLOR_BTNFACE);
      COLORREF text = GetSysColor(COLOR_BTNTEXT);
      if (box && box->instruction) {
        const ColourDesign colour =
            ReadableTextColour(kForm.main_instruction_colour, {GetRValue(face), GetGValue(face), GetBValue(face)},
                               {GetRValue(text), GetGValue(text), GetBValue(text)});
        text = RGB(colour.red, colour.green, colour.blue);
      }
      SetTextColor(dc, text);
      SetBkColor(dc, face);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(dialog, IDOK);
      return TRUE;
    case WM_DESTROY:
      if (box && box->font) DeleteObject(box->font);
      return FALSE;
    default:
      return FALSE;
  }
}

// One modal box of a single text and OK: the text is a read-only edit with
// the focus, which a screen reader reads line by line as the caret moves
// (a static text would be read in one piece as the box opens). False when
// the box could not be made.
bool ShowTextBox(const std::wstring& message, const std::wstring& title, bool instruction, bool right_to_left) {
  TextBox box;
  box.instruction = instruction;
  // An edit breaks lines at CR LF only.
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == L'\r' && (i + 1 == message.size() || message[i + 1] != L'\n')) {
      box.text += L"\r\n";
    } else {
      box.text += message[i];
    }
  }
  std::vector<WORD> data;
  AppendDword(data, DS_MODALFRAME | DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  AppendDword(data, right_to_left ? WS_EX_LAYOUTRTL : 0);
  data.insert(data.end(), {2, 0, 0, 100, 50});  // two items, placed later
  data.push_back(0);                            // no menu
  data.push_back(0);                            // the dialog class
  Append(data, title);
  data.push_back(8);
  Append(data, L"MS Shell Dlg");
  AppendItem(data, ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_TABSTOP, kTextId, 0x81);
  AppendItem(data, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 0x80);
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(data.data()),
                                 GetActiveWindow(), TextBoxProc, reinterpret_cast<LPARAM>(&box)) > 0;
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

namespace {

UINT ReadingOrder(bool right_to_left) { return right_to_left ? MB_RTLREADING | MB_RIGHT : 0; }

}  // namespace

void ShowMessageBox(const std::wstring& message, const std::wstring& detail, const std::wstring& caption,
                    bool right_to_left) {
  const std::wstring title = caption.empty() ? ApplicationTitle() : caption;
  const bool themed = ThemedDialogsAvailable();
  // A box of one text: the message alone, or the classic box's whole text.
  if (detail.empty() || !themed) {
    if (ShowTextBox(detail.empty() ? message : message + L"\r\r" + detail, title, themed, right_to_left)) return;
  }
  if (themed) {
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
      config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | (right_to_left ? TDF_RTL_LAYOUT : 0);
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
  const std::wstring text = detail.empty() ? message : message + L"\r\r" + detail;
  MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | ReadingOrder(right_to_left));
}

void ShowErrorBox(const std::wstring& text, bool right_to_left) {
  MessageBoxW(GetActiveWindow(), text.c_str(), ApplicationTitle().c_str(),
              MB_OK | MB_ICONERROR | ReadingOrder(right_to_left));
}

}  // namespace calc::win32
