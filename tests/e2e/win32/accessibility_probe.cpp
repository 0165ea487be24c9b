// SPDX-License-Identifier: MIT
// A screen reader's view of exprcalc.exe through MSAA: starts the program,
// lists the roles, names and descriptions of its window and controls, and
// runs calculations while it listens for the events that make a result
// heard. Exits with 1 on a fault.
//
// What the system under test does not provide (Wine's annotation service is
// a stub, for one) is found out first on windows of the probe's own and
// reported; the checks that depend on it are then left out.
//
// Usage: accessibility_probe PATH\TO\exprcalc.exe
#include <windows.h>
// Needs the types of windows.h.
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "design.h"
#include "probe_support.h"

namespace {

using probe::FindTopLevel;
using probe::Utf8;

constexpr DWORD kWait = 20000;  // milliseconds, for a loaded machine
constexpr DWORD kEventObjectLiveRegionChanged = 0x8019;

// Lets messages (and with them the events) in until done() holds.
template <typename Condition>
bool PumpUntil(Condition done, DWORD timeout = kWait) {
  return probe::PumpUntil(done, timeout);
}

HANDLE g_program = nullptr;

struct WinEvent {
  DWORD event;
  HWND window;
  LONG child;
};
std::vector<WinEvent> g_events;

void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG child, DWORD, DWORD) {
  g_events.push_back({event, window, child});
}

std::wstring Wide(std::u16string_view text) { return {text.begin(), text.end()}; }

std::string Quoted(const std::wstring& text) {
  std::string quoted(1, '"');
  quoted.append(Utf8(text));
  quoted.push_back('"');
  return quoted;
}

[[noreturn]] void Fail(const std::string& message) {
  std::printf("FAILED: %s\n", message.c_str());
  std::fflush(stdout);
  if (g_program) TerminateProcess(g_program, 1);
  ExitProcess(1);
}

// Where the first such event since from is, or nowhere.
std::vector<WinEvent>::const_iterator Find(std::size_t from, DWORD event, HWND window) {
  return std::find_if(g_events.cbegin() + static_cast<std::ptrdiff_t>(from), g_events.cend(),
                      [&](const WinEvent& e) { return e.event == event && e.window == window; });
}

bool Arrived(std::size_t from, DWORD event, HWND window) { return Find(from, event, window) != g_events.cend(); }

// Whether a name or value change of either window arrived since from.
bool TextChanged(std::size_t from, HWND window, HWND part) {
  for (const DWORD event : {DWORD{EVENT_OBJECT_NAMECHANGE}, DWORD{EVENT_OBJECT_VALUECHANGE}}) {
    if (Arrived(from, event, window) || Arrived(from, event, part)) return true;
  }
  return false;
}

// Lets in every event raised so far: the system hands them over before a
// message posted after them.
void TakeEventsSoFar() {
  PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_APP && !message.hwnd) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

struct Accessible {
  bool found = false;
  long role = 0;
  std::wstring name;
  std::wstring description;
};

Accessible Describe(HWND window, LONG object = OBJID_CLIENT) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(object), IID_IAccessible,
                                        reinterpret_cast<void**>(&accessible))) ||
      !accessible) {
    return {};
  }
  Accessible described;
  described.found = true;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role;
  VariantInit(&role);
  if (SUCCEEDED(accessible->get_accRole(self, &role)) && role.vt == VT_I4) described.role = role.lVal;
  VariantClear(&role);
  BSTR text = nullptr;
  if (accessible->get_accName(self, &text) == S_OK && text) described.name = text;
  SysFreeString(text);
  text = nullptr;
  if (accessible->get_accDescription(self, &text) == S_OK && text) described.description = text;
  SysFreeString(text);
  accessible->Release();
  return described;
}

std::string RoleText(long role) {
  wchar_t text[64] = L"";
  GetRoleTextW(static_cast<DWORD>(role), text, 64);
  return Utf8(text);
}

void Print(int depth, const Accessible& a) {
  std::printf("%*s%s \"%s\"%s%s%s\n", depth * 2, "", RoleText(a.role).c_str(), Utf8(a.name).c_str(),
              a.description.empty() ? "" : " (", Utf8(a.description).c_str(), a.description.empty() ? "" : ")");
}

// What the system provides, tried on windows of the probe's own.
struct System {
  bool class_roles = false;      // a push button has the role of one
  bool annotations = false;      // IAccPropServices sets names
  bool set_text_events = false;  // SetWindowTextW raises EVENT_OBJECT_NAMECHANGE
  bool win_events = false;       // NotifyWinEvent reaches an out-of-context hook
  bool focus_events = false;     // SetFocus raises EVENT_OBJECT_FOCUS
  bool box_text_events = false;  // a drop-down box's new text raises a name or value change
};

System Calibrate() {
  System system;
  const HWND own = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, kEventObjectLiveRegionChanged, nullptr, Record,
                                             GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  std::size_t from = g_events.size();
  NotifyWinEvent(kEventObjectLiveRegionChanged, own, OBJID_CLIENT, CHILDID_SELF);
  system.win_events = PumpUntil([&] { return Arrived(from, kEventObjectLiveRegionChanged, own); }, 2000);
  from = g_events.size();
  SetWindowTextW(own, L"changed");
  system.set_text_events = PumpUntil([&] { return Arrived(from, EVENT_OBJECT_NAMECHANGE, own); }, 2000);
  const HWND focusable =
      CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(focusable);
  from = g_events.size();
  SetFocus(nullptr);
  SetFocus(focusable);
  system.focus_events = PumpUntil([&] { return Arrived(from, EVENT_OBJECT_FOCUS, focusable); }, 2000);
  DestroyWindow(focusable);
  const HWND box = CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWN | CBS_HASSTRINGS, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
  const HWND box_edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
  TakeEventsSoFar();
  from = g_events.size();
  SetWindowTextW(box, L"changed");
  system.box_text_events = PumpUntil([&] { return TextChanged(from, box, box_edit); }, 2000);
  DestroyWindow(box);
  UnhookWinEvent(hook);

  IAccPropServices* services = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                 reinterpret_cast<void**>(&services)))) {
    system.annotations =
        SUCCEEDED(services->SetHwndPropStr(own, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME, L"annotated")) &&
        Describe(own).name == L"annotated";
    const MSAAPROPID name[] = {PROPID_ACC_NAME};
    services->ClearHwndProps(own, OBJID_CLIENT, CHILDID_SELF, name, 1);
    services->Release();
  }
  DestroyWindow(own);
  const HWND button =
      CreateWindowExW(0, L"BUTTON", L"B", WS_POPUP | BS_PUSHBUTTON, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  system.class_roles = Describe(button).role == ROLE_SYSTEM_PUSHBUTTON;
  DestroyWindow(button);

  const auto said = [](bool works) { return works ? "yes" : "no, not checked below"; };
  std::printf(
      "This system: controls have their class's role: %s. Annotated names and descriptions: %s.\n"
      "SetWindowTextW raises EVENT_OBJECT_NAMECHANGE: %s. NotifyWinEvent reaches an out-of-context hook: %s.\n"
      "SetFocus raises EVENT_OBJECT_FOCUS: %s. A drop-down box's new text raises a name or value change: %s.\n",
      said(system.class_roles), said(system.annotations), said(system.set_text_events), said(system.win_events),
      said(system.focus_events), said(system.box_text_events));
  return system;
}

long ExpectedRole(calc::ControlKind kind) {
  switch (kind) {
    case calc::ControlKind::kPushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    case calc::ControlKind::kCheckBox:
      return ROLE_SYSTEM_CHECKBUTTON;
    case calc::ControlKind::kComboBox:
      return ROLE_SYSTEM_COMBOBOX;
    case calc::ControlKind::kLabel:
      return ROLE_SYSTEM_STATICTEXT;
  }
  return 0;
}

HWND FindForm(DWORD process) {
  const std::wstring class_name = Wide(calc::kForm.class_name);
  HWND form = nullptr;
  PumpUntil([&] { return (form = FindTopLevel(process, class_name.c_str())) != nullptr; });
  return form;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: accessibility_probe PATH\\TO\\exprcalc.exe\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const System system = Calibrate();

  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Fail("cannot start " + Utf8(argv[1]));
  }
  g_program = process.hProcess;
  const HWND form = FindForm(process.dwProcessId);
  if (!form) Fail("the window did not appear");
  SetWinEventHook(EVENT_OBJECT_FOCUS, kEventObjectLiveRegionChanged, nullptr, Record, process.dwProcessId, 0,
                  WINEVENT_OUTOFCONTEXT);

  // The tree as a screen reader reads it, checked against the design.
  const Accessible window = Describe(form);
  Print(0, window);
  if (window.name != Wide(calc::kForm.caption)) Fail("the window is not named by its caption");
  std::vector<HWND> controls;
  for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) controls.push_back(child);
  // The controls, then the notice that tells what Copy copied.
  if (controls.size() != calc::kControls.size() + 1) {
    Fail("the window does not have one child window per control and the notice");
  }
  const HWND notice = controls.back();
  controls.pop_back();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const calc::ControlDesign& design = calc::kControls[i];
    const Accessible control = Describe(controls[i]);
    Print(1, control);
    const std::string which = Utf8(Wide(design.name));
    if (!control.found) Fail(which + " has no accessible object");
    if (system.class_roles && control.role != ExpectedRole(design.kind)) Fail(which + " has the wrong role");
    // Without annotations a control is called by its text.
    std::wstring name = Wide(design.accessible_name);
    if (!system.annotations) {
      name = Wide(design.text);
      name.erase(std::remove(name.begin(), name.end(), L'&'), name.end());
    }
    if (control.name != name) Fail(which + " is called " + Quoted(control.name));
    const std::u16string_view description =
        design.accessible_description.empty() ? design.hint : design.accessible_description;
    if (system.annotations && control.description != Wide(description)) Fail(which + " has the wrong description");
    if (design.kind == calc::ControlKind::kComboBox) {
      const Accessible editor = Describe(FindWindowExW(controls[i], nullptr, L"Edit", nullptr));
      Print(2, editor);
      if (system.annotations && editor.name != Wide(design.accessible_name)) Fail("the box's edit field is unnamed");
    }
  }

  // Calculations, as Enter or Calculate runs them: the result line is
  // called by what it shows, and the events that make it heard arrive.
  const HWND box = controls[static_cast<std::size_t>(calc::Control::kBox)];
  const HWND calculate = controls[static_cast<std::size_t>(calc::Control::kCalculate)];
  const HWND result = controls[static_cast<std::size_t>(calc::Control::kResult)];
  const HWND box_edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
  // A change to a live region is told before the focus comes back to the
  // box: a screen reader speaks the result first, then the box.
  const auto heard_before_focus = [&](std::size_t from, HWND live_region, const std::string& which) {
    if (!system.win_events) return;
    if (!PumpUntil([&] { return Arrived(from, kEventObjectLiveRegionChanged, live_region); })) {
      Fail("no EVENT_OBJECT_LIVEREGIONCHANGED after " + which);
    }
    if (!system.focus_events) return;
    if (!PumpUntil([&] { return Arrived(from, EVENT_OBJECT_FOCUS, box_edit); })) {
      Fail("the box did not get the focus back after " + which);
    }
    if (Find(from, kEventObjectLiveRegionChanged, live_region) > Find(from, EVENT_OBJECT_FOCUS, box_edit)) {
      Fail("the live region changed after the box got the focus back after " + which);
    }
  };
  SetForegroundWindow(form);
  struct Case {
    const wchar_t* expression;
    const wchar_t* shown;
    const wchar_t* description;  // the full text, then the steps
  };
  for (const Case& c :
       {Case{L"1234.5678", L"1,234.57", L"1,234.57\n\u2192 1234.5678"},
        // A new entry, then one moved up the list.
        Case{L"1/3*3", L"1.00", L"1.00\n\u2192 1*INV(3)*3\n\u2192 1*0.333333333333333*3\n\u2192 0.999999999999999"},
        Case{L"1234.5678", L"1,234.57", L"1,234.57\n\u2192 1234.5678"},
        Case{L"1/0", L"Division by zero.", L"Division by zero.\n\u2192 1*INV(0)"},
        Case{L"1/0", L"Division by zero.", L"Division by zero.\n\u2192 1*INV(0)"}, Case{L"", L"", L"Result"}}) {
    const std::string which = Quoted(c.expression);
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.expression));
    // As typed: a text set again clears the mark.
    SendMessageW(box_edit, EM_SETMODIFY, TRUE, 0);
    TakeEventsSoFar();
    const std::size_t from = g_events.size();
    SendMessageW(calculate, BM_CLICK, 0, 0);
    if (!PumpUntil([&] { return Describe(result).name == c.shown; })) {
      Fail("after " + which + " the result line is called " + Quoted(Describe(result).name));
    }
    // The box's text stays: a text set again is read out again.
    TakeEventsSoFar();
    if (!SendMessageW(box_edit, EM_GETMODIFY, 0, 0)) Fail("calculating " + which + " set the box's text again");
    if (system.box_text_events && TextChanged(from, box, box_edit)) {
      Fail("calculating " + which + " changed the box's name or value");
    }
    std::printf("%s: the result line is called %s\n", which.c_str(), Quoted(c.shown).c_str());
    if (system.annotations && Describe(result).description != c.description) {
      Fail("after " + which + " the result line is described as " + Quoted(Describe(result).description));
    }
    // The box keeps its name whatever it holds.
    if (system.annotations && Describe(box).name != Wide(calc::Design(calc::Control::kBox).accessible_name)) {
      Fail("with " + which + " in it the box is called " + Quoted(Describe(box).name));
    }
    if (system.set_text_events && !PumpUntil([&] { return Arrived(from, EVENT_OBJECT_NAMECHANGE, result); })) {
      Fail("no EVENT_OBJECT_NAMECHANGE from the result line after " + which);
    }
    // A live region with something to say speaks; an empty one does not.
    if (*c.shown) heard_before_focus(from, result, which);
  }

  // A check box shows the result in its new way; Copy tells what it
  // copied through the notice.
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1234.5678"));
  SendMessageW(calculate, BM_CLICK, 0, 0);
  if (!PumpUntil([&] { return Describe(result).name == L"1,234.57"; })) Fail("1234.5678 did not give 1,234.57");
  const HWND separators = controls[static_cast<std::size_t>(calc::Control::kSeparators)];
  for (const wchar_t* shown : {L"1234.57", L"1,234.57"}) {
    const std::size_t from = g_events.size();
    SendMessageW(separators, BM_CLICK, 0, 0);
    if (!PumpUntil([&] { return Describe(result).name == shown; })) Fail("the check box did not show " + Quoted(shown));
    heard_before_focus(from, result, "a click on the check box");
  }
  const std::size_t copied_from = g_events.size();
  SendMessageW(controls[static_cast<std::size_t>(calc::Control::kCopy)], BM_CLICK, 0, 0);
  if (!PumpUntil([&] { return Describe(notice).name == L"Copied 1,234.57"; })) {
    Fail("after Copy the notice says " + Quoted(Describe(notice).name));
  }
  heard_before_focus(copied_from, notice, "Copy");
  std::printf("Copy says \"Copied 1,234.57\"\n");

  // The pointer on the result line shows its tooltip: the steps of the
  // last calculation.
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1/3*3"));
  SendMessageW(calculate, BM_CLICK, 0, 0);
  if (!PumpUntil([&] { return Describe(result).name == L"1.00"; })) Fail("1/3*3 did not give 1.00");
  const std::wstring sentence =
      L"Each value in between is cut to 15 digits, so the last digit is off; the exact result is probably 1.";
  const std::wstring tip =
      sentence + L"\n1.00\n\u2192 1*INV(3)*3\n\u2192 1*0.333333333333333*3\n\u2192 0.999999999999999";
  RECT line;
  GetWindowRect(result, &line);
  SetForegroundWindow(form);
  std::wstring shown_tip;
  const bool tip_shown = PumpUntil([&] {
    // A small move now and then, as a hand makes: a tooltip appears once
    // the pointer rests.
    const int x = (line.left + line.right) / 2 + static_cast<int>(GetTickCount() / 1000 % 2);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv((line.top + line.bottom) / 2, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
    const HWND tooltip = probe::FindTopLevel(process.dwProcessId, L"tooltips_class32");
    if (!tooltip) return false;
    wchar_t text[1024] = L"";
    SendMessageW(tooltip, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    shown_tip = text;
    return shown_tip == tip;
  });
  if (!tip_shown) Fail("the result line's tooltip shows " + Quoted(shown_tip));
  std::printf("the result line's tooltip shows the steps\n");

  // Shift+F1 in the box shows the same working at the result line, and the
  // notice reads it out, a line at a time.
  const HWND tips = probe::FindTopLevel(process.dwProcessId, L"tooltips_class32");
  // The pointer leaves the line first, so the tooltip that comes is the key's.
  RECT window_rect;
  GetWindowRect(form, &window_rect);
  INPUT away{};
  away.type = INPUT_MOUSE;
  away.mi.dx = MulDiv(window_rect.left + 4, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  away.mi.dy = MulDiv(window_rect.top + 4, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  away.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &away, sizeof away);
  if (!PumpUntil([&] { return !IsWindowVisible(tips); })) Fail("the tooltip stays after the pointer left");
  SetForegroundWindow(form);
  const std::size_t working_from = g_events.size();
  INPUT keys[4] = {};
  for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_SHIFT;
  keys[1].ki.wVk = VK_F1;
  keys[2].ki.wVk = VK_F1;
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_SHIFT;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, keys, sizeof keys[0]);
  const bool working_shown = PumpUntil([&] {
    wchar_t text[1024] = L"";
    SendMessageW(tips, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    shown_tip = text;
    return IsWindowVisible(tips) && shown_tip == tip;
  });
  if (!working_shown) Fail("after Shift+F1 the tooltip shows " + Quoted(shown_tip));
  RECT tip_rect;
  GetWindowRect(tips, &tip_rect);
  if (tip_rect.top < line.top || tip_rect.left < line.left - 8) Fail("the working is not shown at the result line");
  const std::wstring spoken = sentence + L"\n1.00\n1*INV(3)*3\n1*0.333333333333333*3\n0.999999999999999";
  if (!PumpUntil([&] { return Describe(notice).name == spoken; })) {
    Fail("after Shift+F1 the notice says " + Quoted(Describe(notice).name));
  }
  if (system.win_events && !PumpUntil([&] { return Arrived(working_from, kEventObjectLiveRegionChanged, notice); })) {
    Fail("no EVENT_OBJECT_LIVEREGIONCHANGED after Shift+F1");
  }
  std::printf("Shift+F1 shows the working at the result line and reads it out\n");

  // The opened list highlights the entry the box holds, or else the
  // newest, and tells a screen reader which; the box's text stays.
  struct Opening {
    const wchar_t* held;
    LRESULT highlighted;
  };
  for (const Opening& o : {Opening{L"1234.5678", 1}, Opening{L"7", 0}}) {
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(o.held));
    const std::size_t opened_from = g_events.size();
    SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
    HWND list = nullptr;
    if (!PumpUntil([&] { return (list = FindTopLevel(process.dwProcessId, L"ComboLBox")) != nullptr; })) {
      Fail("the box's list did not open");
    }
    if (!PumpUntil([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == o.highlighted; })) {
      Fail("with " + Quoted(o.held) + " in the box the list opens on entry " +
           std::to_string(SendMessageW(list, LB_GETCURSEL, 0, 0)));
    }
    // MSAA numbers the items from 1.
    const auto selection_told = [&] {
      return std::any_of(g_events.cbegin() + static_cast<std::ptrdiff_t>(opened_from), g_events.cend(),
                         [&](const WinEvent& e) {
                           return e.event == EVENT_OBJECT_SELECTION && e.window == list && e.child == o.highlighted + 1;
                         });
    };
    if (system.win_events && !PumpUntil(selection_told)) {
      Fail("with " + Quoted(o.held) + " in the box the opened list told no selection of its entry");
    }
    SendMessageW(box, CB_SHOWDROPDOWN, FALSE, 0);
    if (!PumpUntil([&] { return !IsWindowVisible(list); })) Fail("the box's list did not close");
    wchar_t text[64] = L"";
    SendMessageW(box, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    if (std::wstring(text) != o.held) Fail("opening the list changed the box's " + Quoted(o.held));
  }
  std::printf("the opened list highlights the entry the box holds, or the newest\n");

  // The help box's text is a read-only text with the focus, which a screen
  // reader reads line by line as the caret moves, from the first line.
  PostMessageW(controls[static_cast<std::size_t>(calc::Control::kAbout)], BM_CLICK, 0, 0);
  HWND help = nullptr;
  if (!PumpUntil([&] { return (help = probe::FindThreadWindow(process.dwThreadId, L"#32770")) != nullptr; })) {
    Fail("the help box did not open");
  }
  const HWND help_text = FindWindowExW(help, nullptr, L"Edit", nullptr);
  if (!help_text) Fail("the help box has no text to move through");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(help_text, GWL_STYLE));
  if (!(style & ES_READONLY) || !(style & ES_MULTILINE)) Fail("the help box's text is not a read-only text of lines");
  // Its lines as the help text's, each whole: an edit breaks at CR LF.
  std::wstring help_expected;
  for (const char16_t c : calc::HelpText()) help_expected += c == u'\r' ? std::wstring(L"\r\n") : std::wstring(1, c);
  std::wstring help_shown(4096, L'\0');
  help_shown.resize(static_cast<std::size_t>(
      SendMessageW(help_text, WM_GETTEXT, help_shown.size(), reinterpret_cast<LPARAM>(help_shown.data()))));
  if (help_shown != help_expected) Fail("the help box's text reads " + Quoted(help_shown));
  if (SendMessageW(help_text, EM_GETLINECOUNT, 0, 0) != 12 ||
      static_cast<std::size_t>(SendMessageW(help_text, EM_LINELENGTH, 0, 0)) != help_expected.find(L'\r')) {
    Fail("the help box's text does not show its 12 lines whole");
  }
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  const auto text_focused = [&] {
    return GetGUIThreadInfo(process.dwThreadId, &thread) && thread.hwndFocus == help_text;
  };
  if (!PumpUntil(text_focused)) Fail("the help box's text has not the focus");
  const DWORD caret = static_cast<DWORD>(SendMessageW(help_text, EM_GETSEL, 0, 0));
  if (LOWORD(caret) != 0 || HIWORD(caret) != 0) Fail("the help box's text is selected, or the caret not at its start");
  PostMessageW(help, WM_COMMAND, IDOK, 0);
  if (!PumpUntil([&] { return !IsWindow(help); })) Fail("the help box did not close");
  std::printf("the help box's text is a read-only text with the focus, read line by line\n");

  PostMessageW(form, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, kWait) != WAIT_OBJECT_0) Fail("the window did not close");
  g_program = nullptr;
  std::printf("window through MSAA: passed\n");
  return 0;
}
