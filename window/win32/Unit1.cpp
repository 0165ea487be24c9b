// SPDX-License-Identifier: MIT
#include "Unit1.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "contrast.h"
#include "design.h"
#include "presentation.h"
#include "translation.h"

namespace calc {
namespace {

constexpr wchar_t kWindowProperty[] = L"TForm1";
// Posted when the box's list opens: the box selects its own choice of entry
// after telling it opens.
constexpr UINT kHighlightHeldEntry = WM_APP + 1;
// The system menu's own commands sit at 0xF000 and above, and their low four
// bits are the system's.
constexpr UINT kAlwaysOnTopCommand = 0x0110;

// Room around a push button's text (its frame and margin), and between a
// check box's square and its text, in design pixels.
constexpr int kButtonMargin = 8;
constexpr int kCheckBoxMargin = 6;

// Control IDs: Calculate is IDOK, so Enter anywhere in the window presses it.
int ControlId(Control id) { return id == Control::kCalculate ? IDOK : 100 + static_cast<int>(id); }
// Shift+F1's command, beside the controls' ids, and the tooltip's tool that
// shows the working at the result line.
constexpr WORD kShowWorkingCommand = 200;
constexpr UINT_PTR kWorkingTool = 1;

ColourDesign FromColorRef(COLORREF colour) { return {GetRValue(colour), GetGValue(colour), GetBValue(colour)}; }

// A design's text in the user's language.
std::wstring TrWide(std::u16string_view english) { return ToWide(Tr(english)); }

// Adds a window of the thread to the list when the list's first window owns
// it. A named function: 32-bit Windows calls it as stdcall, which no lambda is.
BOOL CALLBACK CollectOwned(HWND popup, LPARAM data) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(data);
  if (GetWindow(popup, GW_OWNER) == list->front()) list->push_back(popup);
  return TRUE;
}

HFONT MakeFont(const FontDesign& design, int pixel_height) {
  return CreateFontW(-pixel_height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     ToWide(design.family).c_str());
}

}  // namespace

TForm1::~TForm1() {
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  for (HFONT font : {font_, box_font_, result_font_}) {
    if (font) DeleteObject(font);
  }
}

bool TForm1::Create(HINSTANCE instance) {
  const std::wstring class_name = ToWide(kForm.class_name);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // Icon group 1 of the executable, at the sizes this screen's DPI asks for.
  const auto icon = [instance](int width_metric, int height_metric) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(width_metric),
                                         GetSystemMetrics(height_metric), LR_DEFAULTCOLOR));
  };
  window_class.hIcon = icon(SM_CXICON, SM_CYICON);
  window_class.hIconSm = icon(SM_CXSMICON, SM_CYSMICON);
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = class_name.c_str();
  if (!RegisterClassExW(&window_class)) return false;

  const HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  // The frame is resizable but has no maximise button; its size comes from
  // the designed client area.
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;
  // Right to left the window is mirrored: the buttons stand left of the
  // box, "?" top left. Its children are not, each mirrors on its own (see
  // CreateControl).
  const DWORD ex_style = WS_EX_CONTROLPARENT | (RightToLeft() ? WS_EX_LAYOUTRTL | WS_EX_NOINHERITLAYOUT : 0);
  RECT frame{0, 0, Scale(kForm.client_width), Scale(kForm.client_height)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, ex_style);
  outer_height_ = frame.bottom - frame.top;
  window_ = CreateWindowExW(ex_style, class_name.c_str(), TrWide(kForm.caption).c_str(), kStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, outer_height_, nullptr, nullptr, instance, this);
  if (!window_) return false;
  platform_.SetWindow(window_);
  FollowSystemColours();
  min_outer_width_ = Scale(kForm.min_outer_width);
  CreateControls();
  AddSystemMenuItems();
  FitTexts();
  FormResize();
  logic_.Guarded([this] { FormCreate(); });
  ShowAlwaysOnTop();
  return true;
}

void TForm1::Show(int show_command) {
  ShowWindow(window_, show_command);
  UpdateWindow(window_);
  logic_.Guarded([this] { FormShow(); });
}

void TForm1::CreateControls() {
  font_ = MakeFont(kForm.font, Scale(kForm.font.pixel_height));
  result_font_ = MakeFont(kForm.result_font, Scale(kForm.result_font.pixel_height));
  // Created in tab order: the dialog manager moves the focus in this order.
  for (const ControlDesign& design : kControls) CreateControl(design);
  calculatebutton = GetDlgItem(window_, ControlId(Control::kCalculate));
  copybutton = GetDlgItem(window_, ControlId(Control::kCopy));
  sepcb = GetDlgItem(window_, ControlId(Control::kSeparators));
  dec2cb = GetDlgItem(window_, ControlId(Control::kTwoDecimals));
  aboutbutton = GetDlgItem(window_, ControlId(Control::kAbout));
  cb = GetDlgItem(window_, ControlId(Control::kBox));
  resultlabel = GetDlgItem(window_, ControlId(Control::kResult));
  // After the controls: last in the window's children and out of the tab
  // order.
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  notice = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 0, 0, 0, window_, nullptr,
                           instance, nullptr);
  annotations_.MakeLiveRegion(notice);
  AddTooltips();
  // F1 opens a program's help: it presses the ? button. Shift+F1, "what is
  // this", shows how the result came about.
  ACCEL keys[] = {{FVIRTKEY, VK_F1, static_cast<WORD>(ControlId(Control::kAbout))},
                  {FVIRTKEY | FSHIFT, VK_F1, kShowWorkingCommand}};
  accelerators_ = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

void TForm1::CreateControl(const ControlDesign& design) {
  const wchar_t* window_class = L"BUTTON";
  DWORD style = WS_CHILD | WS_VISIBLE | (design.takes_focus ? WS_TABSTOP : 0);
  int height = Scale(design.height);
  switch (design.kind) {
    case ControlKind::kPushButton:
      style |= design.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      break;
    case ControlKind::kCheckBox:
      style |= BS_AUTOCHECKBOX;
      break;
    case ControlKind::kComboBox:
      window_class = L"COMBOBOX";
      // Drawn here: only an owner-drawn list keeps the designed row height
      // on every system.
      style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
      height = Scale(design.height + 12 * kForm.box_item_height);  // with the list
      break;
    case ControlKind::kLabel:
      window_class = L"STATIC";
      // A text wider than the line shows its start and an ellipsis; the
      // line takes the mouse for its tooltip.
      style |= SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX | SS_ENDELLIPSIS | SS_NOTIFY;
      break;
  }
  // Right to left, the buttons and check boxes read from the right (a
  // check box's square right of its text); the box, its list and the
  // result line hold expressions and numbers, which read left to right.
  const bool mirrored =
      RightToLeft() && (design.kind == ControlKind::kPushButton || design.kind == ControlKind::kCheckBox);
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  const HWND control =
      CreateWindowExW(mirrored ? WS_EX_LAYOUTRTL : 0, window_class, TrWide(design.text).c_str(), style,
                      Scale(design.left), Scale(design.top), Scale(design.width), height, window_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(design.id))), instance, nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(design.kind == ControlKind::kLabel ? result_font_ : font_),
               FALSE);
  annotations_.Annotate(control, design);
  if (design.kind == ControlKind::kCheckBox) {
    SendMessageW(control, BM_SETCHECK, design.checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

int TForm1::TextWidth(HWND control) const {
  std::wstring text = ToWide(Text(control));
  // The access key's mark is not drawn.
  std::erase(text, L'&');
  const HDC dc = GetDC(control);
  const HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old_font);
  ReleaseDC(control, dc);
  return extent.cx;
}

void TForm1::FitTexts() {
  // In design pixels, rounded up: a text longer than the design's room (a
  // translation, a wider substitute for a missing font) widens its control
  // and, where the controls would meet, the window.
  const auto design_pixels = [this](int pixels) { return (pixels * 96 + dpi_ - 1) / dpi_; };
  const auto button = [&](HWND b) { return design_pixels(TextWidth(b) + Scale(kButtonMargin)); };
  const auto check_box = [&](HWND c) {
    return design_pixels(TextWidth(c) + GetSystemMetrics(SM_CXMENUCHECK) + Scale(kCheckBoxMargin));
  };
  grown_ = GrowForTexts({.calculate = button(calculatebutton),
                         .copy = button(copybutton),
                         .separators = check_box(sepcb),
                         .two_decimals = check_box(dec2cb),
                         .about = button(aboutbutton)});
  RECT frame{0, 0, Scale(grown_.min_client_width), Scale(kForm.client_height)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
  min_outer_width_ = std::max(Scale(kForm.min_outer_width), static_cast<int>(frame.right - frame.left));
  if (OuterWidth() < min_outer_width_) {
    SetWindowPos(window_, nullptr, 0, 0, min_outer_width_, OuterHeight(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TForm1::AddTooltips() {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
  // The result line's tip has a line for each step, and time to be read.
  SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN));
  SendMessageW(tooltips_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(30000, 0));
  for (const ControlDesign& design : kControls) {
    if (design.hint.empty() && design.id != Control::kResult) continue;
    std::wstring hint = TrWide(design.hint);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    // The result line's tip is the calculation's steps, left to right.
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS | (RightToLeft() && !design.hint.empty() ? TTF_RTLREADING : 0);
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window_, ControlId(design.id)));
    tool.lpszText = hint.data();
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  wchar_t none[] = L"";
  TOOLINFOW working{};
  working.cbSize = sizeof working;
  working.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  working.hwnd = window_;
  working.uId = kWorkingTool;
  working.lpszText = none;
  SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&working));
}

std::u16string TForm1::Text(HWND control) const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return ToU16(text);
}

bool TForm1::Checked(HWND control) const { return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int TForm1::OuterWidth() const {
  RECT rect;
  GetWindowRect(window_, &rect);
  return rect.right - rect.left;
}

int TForm1::OuterHeight() const {
  RECT rect;
  GetWindowRect(window_, &rect);
  return rect.bottom - rect.top;
}

WindowPlacement TForm1::Placement() const {
  RECT rect;
  GetWindowRect(window_, &rect);
  if (IsIconic(window_)) {
    // A minimised window's own rectangle is off the screen.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window_, &placement);
    rect = placement.rcNormalPosition;
  }
  return {rect.left, rect.top, rect.right - rect.left};
}

void TForm1::FormCreate() {
  SetWindowTextW(cb, L"");
  SetWindowTextW(resultlabel, L"");
  box_font_ = MakeFont(kForm.box_font, MulDiv(kForm.box_font.point_size, dpi_, 72));
  SendMessageW(cb, WM_SETFONT, reinterpret_cast<WPARAM>(box_font_), TRUE);
  // A new font gives the list rows the font's height: the designed one
  // comes after it.
  SendMessageW(cb, CB_SETITEMHEIGHT, 0, Scale(kForm.box_item_height));
  const FormLogic::Start start = logic_.FormCreate(OuterWidth(), OuterHeight());
  SetWindowPos(window_, nullptr, start.left, start.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (start.stored) Apply(*start.stored);
}

void TForm1::Apply(const FormLogic::Stored& stored) {
  if (stored.placement) {
    // The minimum width still applies (WM_GETMINMAXINFO).
    SetWindowPos(window_, nullptr, stored.placement->left, stored.placement->top, stored.placement->outer_width,
                 OuterHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(sepcb, BM_SETCHECK, stored.separators ? BST_CHECKED : BST_UNCHECKED, 0);
  ShowHistory();
}

void TForm1::AddSystemMenuItems() {
  const HMENU menu = GetSystemMenu(window_, FALSE);
  if (!menu) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  // TRANSLATORS: An item of the Windows window's system menu (Alt+Space), checked while the window stays above
  // the others; as Windows names this elsewhere, about 25 characters. '&' marks the access key.
  AppendMenuW(menu, MF_STRING, kAlwaysOnTopCommand, ToWide(Tr(u"Always on &top")).c_str());
}

void TForm1::ShowAlwaysOnTop() {
  if (const HMENU menu = GetSystemMenu(window_, FALSE)) {
    CheckMenuItem(menu, kAlwaysOnTopCommand, MF_BYCOMMAND | (logic_.AlwaysOnTop ? MF_CHECKED : MF_UNCHECKED));
  }
  // Wine stacks a window under its own topmost popups (the tooltips, the
  // box's list) and then drops its topmost state: they are let go of for
  // the move.
  std::vector<HWND> owned{window_};  // the owner first, then what it owns
  EnumThreadWindows(GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(&owned));
  for (std::size_t i = 1; i < owned.size(); ++i) SetWindowLongPtrW(owned[i], GWLP_HWNDPARENT, 0);
  SetWindowPos(window_, logic_.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (std::size_t i = 1; i < owned.size(); ++i) {
    SetWindowLongPtrW(owned[i], GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(window_));
  }
}

void TForm1::ToggleAlwaysOnTop() {
  logic_.AlwaysOnTop = !logic_.AlwaysOnTop;
  ShowAlwaysOnTop();
}

void TForm1::HideBoxSelection() {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(cb, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start == end) return;
  box_selection_ = {start, end};
  // The caret stays where the selection ended, so the text does not scroll.
  SendMessageW(cb, CB_SETEDITSEL, 0, MAKELPARAM(end, end));
}

void TForm1::RestoreBoxSelection() {
  if (!box_selection_) return;
  SendMessageW(cb, CB_SETEDITSEL, 0, MAKELPARAM(box_selection_->first, box_selection_->second));
  box_selection_.reset();
}

void TForm1::FormShow() {
  SendMessageW(dec2cb, BM_SETCHECK, logic_.DecimalPlacesOn ? BST_CHECKED : BST_UNCHECKED, 0);
  SetFocus(cb);
}

void TForm1::FormResize() {
  if (!cb) return;
  RECT client;
  GetClientRect(window_, &client);
  // A mirrored window mirrors the places itself.
  const auto places = PlaceControls(MulDiv(client.right - client.left, 96, dpi_), grown_, false);
  for (const ControlDesign& design : kControls) {
    const HWND control = GetDlgItem(window_, ControlId(design.id));
    const Rect& r = places[static_cast<std::size_t>(design.id)];
    // The box's height is its list's too, and stays as made.
    RECT now;
    GetWindowRect(control, &now);
    const int height = design.kind == ControlKind::kComboBox ? now.bottom - now.top : Scale(r.height);
    SetWindowPos(control, nullptr, Scale(r.left), Scale(r.top), Scale(r.width), height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(window_, nullptr, TRUE);
}

void TForm1::FormCloseQuery(bool& CanClose) {
  logic_.FormCloseQuery(Placement(), {.separators = Checked(sepcb), .two_decimals = Checked(dec2cb)});
  CanClose = true;
}

void TForm1::DrawListRow(const DRAWITEMSTRUCT& row) const {
  if (row.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (row.itemState & ODS_SELECTED) != 0;
  FillRect(row.hDC, &row.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const LRESULT length = SendMessageW(cb, CB_GETLBTEXTLEN, row.itemID, 0);
  if (length > 0) {
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(cb, CB_GETLBTEXT, row.itemID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    const HGDIOBJ old_font = SelectObject(row.hDC, box_font_ ? box_font_ : font_);
    SetBkMode(row.hDC, TRANSPARENT);
    SetTextColor(row.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text_rect = row.rcItem;
    text_rect.left += Scale(2);
    DrawTextW(row.hDC, text.c_str(), static_cast<int>(text.size()), &text_rect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(row.hDC, old_font);
  }
  if (row.itemState & ODS_FOCUS) DrawFocusRect(row.hDC, &row.rcItem);
}

void TForm1::RememberFocus() {
  const HWND focus = GetFocus();
  if (focus && IsChild(window_, focus)) focus_ = focus;
}

void TForm1::RestoreFocus() {
  if (!cb || IsIconic(window_)) return;
  SetFocus(focus_ && IsWindow(focus_) && IsChild(window_, focus_) ? focus_ : cb);
}

void TForm1::calculatebuttonClick() {
  const FormLogic::Calculation c =
      logic_.calculatebuttonClick(Text(cb), {.separators = Checked(sepcb), .two_decimals = Checked(dec2cb)});
  if (!c.completed) return;
  ShowResultTip(c.tooltip);
  SetWindowTextW(resultlabel, ToWide(c.label).c_str());
  if (c.box_text) {
    ShowHistory();
    // Set only when it changes: a screen reader reads a set text back.
    if (Text(cb) != *c.box_text) SetWindowTextW(cb, ToWide(*c.box_text).c_str());
  }
  // The result first: a screen reader speaks it, then the box the focus
  // comes back to, and reads nothing of the expression before it.
  AnnounceLiveRegion(resultlabel);
  FocusTheBox();
}

void TForm1::copybuttonClick() {
  const std::u16string copied = Text(resultlabel);
  if (!logic_.copybuttonClick(copied)) return;
  SetWindowTextW(notice, ToWide(CopiedAnnouncement(copied)).c_str());
  AnnounceLiveRegion(notice);
  FocusTheBox();
}

void TForm1::aboutbuttonClick() {
  logic_.aboutbuttonClick();
  FocusTheBox();
}

void TForm1::FocusTheBox() {
  SetFocus(cb);
  SelectBoxText();
}

void TForm1::SelectBoxText() {
  // Typing starts a new expression; End or an arrow key edits this one.
  SendMessageW(cb, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

bool TForm1::TranslateKeys(MSG& message) {
  if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN || message.message == WM_LBUTTONDOWN) {
    HideWorking();
  }
  if (TranslateAcceleratorW(window_, accelerators_, &message)) return true;
  const bool tab = message.message == WM_KEYDOWN && message.wParam == VK_TAB;
  if (!::IsDialogMessageW(window_, &message)) return false;
  // As an edit box in a dialog: Tab into the box selects its text.
  const HWND focus = GetFocus();
  if (tab && focus && (focus == cb || IsChild(cb, focus))) SelectBoxText();
  return true;
}

void TForm1::cbClick() {
  ShowResultTip({});
  SetWindowTextW(resultlabel, ToWide(FormLogic::cbClick()).c_str());
  AnnounceLiveRegion(resultlabel);
}

void TForm1::ShowWorking() {
  std::wstring text = ToWide(FormLogic::ResultDescription(working_));
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = window_;
  tool.uId = kWorkingTool;
  tool.lpszText = text.data();
  SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  RECT line{};
  GetWindowRect(resultlabel, &line);
  SendMessageW(tooltips_, TTM_TRACKPOSITION, 0, MAKELPARAM(line.left, line.bottom));
  SendMessageW(tooltips_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  working_shown_ = true;
  // The notice speaks it, a line at a time.
  SetWindowTextW(notice, ToWide(FormLogic::WorkingAnnouncement(working_)).c_str());
  AnnounceLiveRegion(notice);
}

void TForm1::HideWorking() {
  if (!working_shown_) return;
  working_shown_ = false;
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = window_;
  tool.uId = kWorkingTool;
  SendMessageW(tooltips_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void TForm1::ShowResultTip(std::u16string_view tip) {
  working_ = tip;
  std::wstring text = ToWide(tip);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(resultlabel);
  tool.lpszText = text.data();
  SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  annotations_.Describe(resultlabel, FormLogic::ResultDescription(tip));
}

void TForm1::ShowHistory() {
  // Entries are inserted, moved and removed, never refilled: emptying the
  // list empties the box's text, and a text set again is read back by a
  // screen reader.
  const std::vector<std::u16string>& history = logic_.History();
  if (listed_ == history) return;
  SendMessageW(cb, WM_SETREDRAW, FALSE, 0);
  if (listed_.empty()) SendMessageW(cb, CB_INITSTORAGE, history.size(), 0);
  for (std::size_t row = 0; row < history.size(); ++row) {
    if (row < listed_.size() && listed_[row] == history[row]) continue;
    // An entry further down moves up: out of its place, into this one.
    const auto from = row < listed_.size() ? std::find(listed_.begin() + static_cast<std::ptrdiff_t>(row) + 1,
                                                       listed_.end(), history[row])
                                           : listed_.end();
    if (from != listed_.end()) {
      SendMessageW(cb, CB_DELETESTRING, static_cast<WPARAM>(from - listed_.begin()), 0);
      listed_.erase(from);
    }
    const WPARAM at = row < listed_.size() ? static_cast<WPARAM>(row) : static_cast<WPARAM>(-1);
    SendMessageW(cb, CB_INSERTSTRING, at, reinterpret_cast<LPARAM>(ToWide(history[row]).c_str()));
    listed_.insert(listed_.begin() + static_cast<std::ptrdiff_t>(row), history[row]);
  }
  for (std::size_t row = listed_.size(); row > history.size(); --row) {
    SendMessageW(cb, CB_DELETESTRING, row - 1, 0);
  }
  listed_.resize(history.size());
  SendMessageW(cb, WM_SETREDRAW, TRUE, 0);
}

void TForm1::HighlightHeldEntry() {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!SendMessageW(cb, CB_GETDROPPEDSTATE, 0, 0) || !GetComboBoxInfo(cb, &info) || !info.hwndList) return;
  // The box's own choice is the first entry that starts with its text, or
  // none: the logic's is wanted.
  const auto entry = static_cast<LRESULT>(logic_.HeldEntry(Text(cb)));
  if (entry < 0) return;
  // The list's own selection: the box's would set its text.
  if (SendMessageW(info.hwndList, LB_GETCURSEL, 0, 0) != entry) SendMessageW(info.hwndList, LB_SETCURSEL, entry, 0);
  // The focus stays in the box's field: a screen reader learns which entry
  // is highlighted from the list's selection, told as the list opens.
  if (SendMessageW(info.hwndList, LB_GETCOUNT, 0, 0) > entry) AnnounceSelection(info.hwndList, static_cast<int>(entry));
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetPropW(window, kWindowProperty, create->lpCreateParams);
  }
  auto* form = static_cast<TForm1*>(GetPropW(window, kWindowProperty));
  if (message == WM_NCDESTROY) RemovePropW(window, kWindowProperty);
  if (!form || !form->window_) return DefWindowProcW(window, message, wparam, lparam);
  return form->Dispatch(message, wparam, lparam);
}

void TForm1::LimitTrackSize(MINMAXINFO& limits) const {
  limits.ptMinTrackSize.x = min_outer_width_;
  limits.ptMinTrackSize.y = outer_height_;
  limits.ptMaxTrackSize.y = outer_height_;
}

// The list's rows; the box's own field (item -1) keeps its height.
void TForm1::MeasureListRow(MEASUREITEMSTRUCT& measure) const {
  if (measure.CtlType == ODT_COMBOBOX && measure.itemID != static_cast<UINT>(-1)) {
    measure.itemHeight = static_cast<UINT>(Scale(kForm.box_item_height));
  }
}

LRESULT TForm1::ColourStatic(HDC dc, HWND control) const {
  // In high contrast every control is drawn in the system's colours, by the
  // system.
  if (high_contrast_) {
    return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  }
  // The label and the check boxes stand on the button face: its text
  // colour, and the result's own where that is readable. Unset, the check
  // boxes' text would stay the device context's black.
  COLORREF text = GetSysColor(COLOR_BTNTEXT);
  if (control == resultlabel) {
    const ColourDesign colour =
        ReadableTextColour(kForm.result_colour, FromColorRef(GetSysColor(COLOR_BTNFACE)), FromColorRef(text));
    text = RGB(colour.red, colour.green, colour.blue);
  }
  SetTextColor(dc, text);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void TForm1::FollowSystemColours() {
  HIGHCONTRASTW high_contrast{};
  high_contrast.cbSize = sizeof high_contrast;
  high_contrast_ = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof high_contrast, &high_contrast, 0) &&
                   (high_contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
  // The common controls learn of new colours from their parent.
  if (tooltips_) SendMessageW(tooltips_, WM_SYSCOLORCHANGE, 0, 0);
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool TForm1::OnCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  const int code = HIWORD(wparam);
  if (id == ControlId(Control::kBox)) {
    if (code == CBN_SELCHANGE) logic_.Guarded([this] { cbClick(); });
    if (code == CBN_KILLFOCUS) HideBoxSelection();
    if (code == CBN_SETFOCUS) RestoreBoxSelection();
    if (code == CBN_DROPDOWN) PostMessageW(window_, kHighlightHeldEntry, 0, 0);
    return true;
  }
  // An accelerator's command has the code 1 and no control.
  const bool accelerator = code == 1 && lparam == 0;
  if (code != BN_CLICKED && !accelerator) return false;
  if (id == IDOK || id == ControlId(Control::kSeparators) || id == ControlId(Control::kTwoDecimals)) {
    logic_.Guarded([this] { calculatebuttonClick(); });
  } else if (id == ControlId(Control::kCopy)) {
    logic_.Guarded([this] { copybuttonClick(); });
  } else if (id == ControlId(Control::kAbout)) {
    logic_.Guarded([this] { aboutbuttonClick(); });
  } else if (id == kShowWorkingCommand && accelerator) {
    logic_.Guarded([this] { ShowWorking(); });
  }
  return true;
}

void TForm1::CloseQuery() {
  bool can_close = true;
  logic_.Guarded([&] { FormCloseQuery(can_close); });
}

// Each group answers its own messages and leaves every other one, and any
// it lets pass on, to the default handling: nullopt.
std::optional<LRESULT> TForm1::OnDrawingMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MEASUREITEM:
      MeasureListRow(*reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_DRAWITEM: {
      const auto* row = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (row->CtlType != ODT_COMBOBOX) return std::nullopt;
      DrawListRow(*row);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      return ColourStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    // A new colour scheme, high contrast or visual style while open.
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      FollowSystemColours();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// As a dialog does: the keys typed after a box, another program or a
// minimise go where the user left the focus, not to the window itself.
std::optional<LRESULT> TForm1::OnFocusMessage(UINT message, WPARAM wparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        RememberFocus();
      } else {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == kAlwaysOnTopCommand) {
        ToggleAlwaysOnTop();
        return 0;
      }
      if ((wparam & 0xFFF0) == SC_MINIMIZE) RememberFocus();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::optional<LRESULT> TForm1::OnLifetimeMessage(UINT message, WPARAM wparam) {
  switch (message) {
    // A session end is a close: no WM_CLOSE comes, and the process may be
    // ended as soon as WM_ENDSESSION returns.
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wparam) CloseQuery();
      return 0;
    case WM_CLOSE:
      CloseQuery();
      // The window always closes, whatever happened while saving.
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      annotations_.Clear();
      PostQuitMessage(0);
      return 0;
    default:
      return std::nullopt;
  }
}

LRESULT TForm1::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETMINMAXINFO:
      LimitTrackSize(*reinterpret_cast<MINMAXINFO*>(lparam));
      return 0;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) logic_.Guarded([this] { FormResize(); });
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_COMMAND:
      if (!OnCommand(wparam, lparam)) break;
      return 0;
    case kHighlightHeldEntry:
      HighlightHeldEntry();
      return 0;
    default:
      if (const std::optional<LRESULT> result = OnDrawingMessage(message, wparam, lparam)) return *result;
      if (const std::optional<LRESULT> result = OnFocusMessage(message, wparam)) return *result;
      if (const std::optional<LRESULT> result = OnLifetimeMessage(message, wparam)) return *result;
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

}  // namespace calc
