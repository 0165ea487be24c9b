// SPDX-License-Identifier: MIT
// exprcalc.exe in a translated language, seen from outside: every button and
// check box shows a text that is not the English one, a screen reader hears
// a name that is not the English one either, each text is whole in its
// control at the display's DPI, the controls stand apart from each other; a
// calculation's message is translated too; and the window is mirrored
// exactly when the language is written right to left, its box and result
// line reading left to right. Exits with 1 on a fault.
//
// The probe is started in the language under test, so the calculator it
// starts is too.
//
// Usage: language_probe PATH\TO\exprcalc.exe left-to-right|right-to-left
#include <windows.h>
// Needs the types of windows.h.
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "design.h"
#include "language.h"
#include "messages.h"
#include "probe_support.h"
#include "translation.h"

namespace {

using probe::Utf8;

constexpr DWORD kWait = 20000;  // milliseconds, for a loaded machine

HANDLE g_program = nullptr;

[[noreturn]] void Fail(const std::string& message) {
  std::printf("FAILED: %s\n", message.c_str());
  std::fflush(stdout);
  if (g_program) TerminateProcess(g_program, 1);
  ExitProcess(1);
}

std::wstring Wide(std::u16string_view text) { return {text.begin(), text.end()}; }

std::wstring WithoutAccessKeys(std::wstring text) {
  text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
  return text;
}

std::wstring Text(HWND window) {
  wchar_t text[512] = L"";
  SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return text;
}

std::string Quoted(const std::wstring& text) {
  std::string quoted(1, '"');
  quoted.append(Utf8(text));
  quoted.push_back('"');
  return quoted;
}

bool Mirrored(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0; }

// How wide a control's text is drawn in the design's font at this display's
// DPI, which the calculator shares.
int TextWidth(const std::wstring& text, const calc::FontDesign& design, int dpi) {
  const HDC dc = GetDC(nullptr);
  const HFONT font = CreateFontW(-MulDiv(design.pixel_height, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, Wide(design.family).c_str());
  const HGDIOBJ old = SelectObject(dc, font);
  const std::wstring shown = WithoutAccessKeys(text);
  SIZE extent{};
  GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return extent.cx;
}

// What a screen reader calls a control, through MSAA.
std::wstring AccessibleName(HWND window) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&accessible))) ||
      !accessible) {
    return {};
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  std::wstring name;
  if (accessible->get_accName(self, &text) == S_OK && text) name = text;
  SysFreeString(text);
  accessible->Release();
  return name;
}

RECT ScreenRect(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring direction = argc == 3 ? argv[2] : L"";
  if (direction != L"left-to-right" && direction != L"right-to-left") {
    std::printf("usage: language_probe PATH\\TO\\exprcalc.exe left-to-right|right-to-left\n");
    return 2;
  }
  const bool right_to_left = direction == L"right-to-left";
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Fail("cannot start " + Utf8(argv[1]));
  }
  g_program = process.hProcess;
  HWND form = nullptr;
  const std::wstring class_name = Wide(calc::kForm.class_name);
  if (!probe::PumpUntil(
          [&] { return (form = probe::FindTopLevel(process.dwProcessId, class_name.c_str())) != nullptr; }, kWait)) {
    Fail("the window did not appear");
  }
  std::vector<HWND> controls;
  for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    controls.push_back(child);
  }
  // The controls in the design's order, then the notice for screen readers.
  if (controls.size() != calc::kControls.size() + 1) Fail("the window does not have its controls");
  const auto control = [&](calc::Control id) { return controls[static_cast<std::size_t>(id)]; };
  std::printf("%s at %d DPI: %s\n", Utf8(direction).c_str(), dpi, Quoted(Text(form)).c_str());

  RECT client;
  GetClientRect(form, &client);
  MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
  if (client.left > client.right) std::swap(client.left, client.right);  // mirrored
  for (const calc::ControlDesign& design : calc::kControls) {
    if (design.kind != calc::ControlKind::kPushButton && design.kind != calc::ControlKind::kCheckBox) continue;
    const HWND shown = control(design.id);
    const std::wstring text = Text(shown);
    const std::wstring name = AccessibleName(shown);
    const std::string which = Utf8(Wide(design.name)) + " " + Quoted(text);
    std::printf("  %s, to a screen reader %s\n", which.c_str(), Quoted(name).c_str());
    // A question mark is one in most scripts.
    if (design.text != u"?" && WithoutAccessKeys(text) == WithoutAccessKeys(Wide(design.text))) {
      Fail(which + " is in English");
    }
    if (name.empty() || name == Wide(design.accessible_name)) Fail(which + " is called " + Quoted(name));
    const RECT rect = ScreenRect(shown);
    int needed = TextWidth(text, calc::kForm.font, dpi) + 2 * GetSystemMetrics(SM_CXEDGE);
    if (design.kind == calc::ControlKind::kCheckBox) needed += GetSystemMetrics(SM_CXMENUCHECK);
    if (rect.right - rect.left < needed) {
      Fail(which + " is " + std::to_string(rect.right - rect.left) + " pixels wide, its text needs " +
           std::to_string(needed));
    }
    if (rect.left < client.left || rect.right > client.right) Fail(which + " reaches out of the window");
    if (Mirrored(shown) != right_to_left) Fail(which + " is " + (right_to_left ? "not " : "") + "mirrored");
  }
  // The two check boxes share their line.
  const RECT separators = ScreenRect(control(calc::Control::kSeparators));
  const RECT decimals = ScreenRect(control(calc::Control::kTwoDecimals));
  if (std::max(separators.left, decimals.left) < std::min(separators.right, decimals.right)) {
    Fail("the check boxes overlap");
  }

  // Mirrored, "?" and the buttons stand left of the box; the box and the
  // result line hold expressions and numbers, left to right.
  if (Mirrored(form) != right_to_left) Fail(std::string("the window is ") + (right_to_left ? "not " : "") + "mirrored");
  const HWND box = control(calc::Control::kBox);
  const HWND result = control(calc::Control::kResult);
  if (Mirrored(box) || Mirrored(result)) Fail("the box or the result line is mirrored");
  const RECT box_rect = ScreenRect(box);
  for (const calc::Control id : {calc::Control::kAbout, calc::Control::kCalculate}) {
    const RECT rect = ScreenRect(control(id));
    const bool left_of_box = rect.right <= box_rect.left;
    const bool right_of_box = rect.left >= box_rect.right;
    if (right_to_left ? !left_of_box : !right_of_box) {
      Fail(Utf8(Wide(calc::Design(id).name)) + " is not " + (right_to_left ? "left" : "right") + " of the box");
    }
  }

  // Each message of the result line whole in the line's large type, in the
  // language the probe, started as the calculator is, chooses too (the
  // messages of the error boxes are not shown there).
  calc::UseUserLanguage();
  const RECT line = ScreenRect(result);
  for (std::u16string_view pattern : calc::MessagePatterns()) {
    if (pattern.ends_with(u"floating point value.") || pattern.starts_with(u"Floating point") ||
        pattern.starts_with(u"Cannot open clipboard")) {
      continue;
    }
    const std::wstring shown = Wide(calc::Tr(pattern, u"2A"));
    const int needed = TextWidth(shown, calc::kForm.result_font, dpi);
    if (needed > line.right - line.left) {
      Fail(Quoted(shown) + " needs " + std::to_string(needed) + " pixels, the result line has " +
           std::to_string(line.right - line.left));
    }
  }

  // A message of the evaluator, in the language.
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1/0"));
  SendMessageW(control(calc::Control::kCalculate), BM_CLICK, 0, 0);
  if (!probe::PumpUntil([&] { return !Text(result).empty(); }, kWait)) Fail("1/0 showed nothing");
  std::printf("  1/0: %s\n", Quoted(Text(result)).c_str());
  if (Text(result) == L"Division by zero.") Fail("1/0 shows its message in English");

  PostMessageW(form, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, kWait) != WAIT_OBJECT_0) Fail("the window did not close");
  g_program = nullptr;
  std::printf("the window in its language: passed\n");
  return 0;
}
