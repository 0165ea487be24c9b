// SPDX-License-Identifier: MIT
// The calculator window on Windows: native controls built from the design
// data, each event forwarded to the calculator's logic, and what it decides
// shown.
#pragma once

#include <windows.h>
// Needs the types of windows.h.
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "accessibility.h"
#include "design.h"
#include "formlogic.h"
#include "win32platform.h"

namespace calc {

class TForm1 {
 public:
  TForm1() = default;
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Creates the window hidden with its controls and runs FormCreate.
  bool Create(HINSTANCE instance);
  // Shows the window and runs FormShow.
  void Show(int show_command);
  HWND Handle() const { return window_; }
  // The window's keys, as IsDialogMessageW: F1, then Tab, Enter and the
  // access keys as in a dialog. False for a message to dispatch as usual.
  bool TranslateKeys(MSG& message);

  // Event handlers.
  void FormCreate();
  void FormShow();
  void FormResize();
  void FormCloseQuery(bool& CanClose);
  void calculatebuttonClick();
  void copybuttonClick();
  void aboutbuttonClick();
  void cbClick();

  HWND calculatebutton = nullptr;
  HWND copybutton = nullptr;
  HWND sepcb = nullptr;
  HWND dec2cb = nullptr;
  HWND aboutbutton = nullptr;
  HWND cb = nullptr;
  HWND resultlabel = nullptr;
  // What a screen reader is told beside the result, such as what Copy
  // copied: a live region of no size, so nothing shows.
  HWND notice = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
  // Owner-drawn rows, static colours and system colour changes.
  std::optional<LRESULT> OnDrawingMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // Activation and focus: where the keys go.
  std::optional<LRESULT> OnFocusMessage(UINT message, WPARAM wparam);
  // Close, session end and destruction.
  std::optional<LRESULT> OnLifetimeMessage(UINT message, WPARAM wparam);
  void LimitTrackSize(MINMAXINFO& limits) const;
  void MeasureListRow(MEASUREITEMSTRUCT& measure) const;
  LRESULT ColourStatic(HDC dc, HWND control) const;
  // Reads the high-contrast state again and redraws everything.
  void FollowSystemColours();
  // False for a notification the window leaves to the default handling.
  bool OnCommand(WPARAM wparam, LPARAM lparam);
  // The close's save, as a session end does it too.
  void CloseQuery();
  void CreateControls();
  void CreateControl(const ControlDesign& design);
  // The width of a control's text in its font, in the display's pixels.
  int TextWidth(HWND control) const;
  // Grows the controls and the window's minimum width where a text needs
  // more room than the design gives it.
  void FitTexts();
  void AddTooltips();
  void Apply(const FormLogic::Stored& stored);
  void ShowHistory();
  // Highlights, in the opened list, the entry the box holds or else the
  // newest: the list's selection, which a screen reader names.
  void HighlightHeldEntry();
  // The result line's tooltip and accessible description.
  void ShowResultTip(std::u16string_view tip);
  // Shift+F1: the working in a tooltip at the result line, read out line by
  // line; the next key or click hides it.
  void ShowWorking();
  void HideWorking();
  // Gives the box the focus with its text selected.
  void FocusTheBox();
  void SelectBoxText();
  void DrawListRow(const DRAWITEMSTRUCT& row) const;
  // Design pixels (96 per inch) to the display's.
  int Scale(int design) const { return MulDiv(design, dpi_, 96); }
  int OuterWidth() const;
  int OuterHeight() const;
  WindowPlacement Placement() const;
  std::u16string Text(HWND control) const;
  bool Checked(HWND control) const;
  // Keeps the focused control when the window is left, and gives the focus
  // back to it (or to the box) when the window is active again.
  void RememberFocus();
  void RestoreFocus();

  Win32Platform platform_;
  FormLogic logic_{platform_};
  AccessibleAnnotations annotations_;
  HWND window_ = nullptr;
  HWND tooltips_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::u16string working_;  // the result line's tooltip
  bool working_shown_ = false;
  std::vector<std::u16string> listed_;  // what the box's list holds
  HFONT font_ = nullptr;
  HFONT box_font_ = nullptr;
  HFONT result_font_ = nullptr;
  int dpi_ = 96;
  bool high_contrast_ = false;
  int outer_height_ = 0;  // fixed
  int min_outer_width_ = 0;
  GrownLayout grown_;     // the controls' widths once their texts fit
  HWND focus_ = nullptr;  // the control that had the focus when the window was left
};

}  // namespace calc
