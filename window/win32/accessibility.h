// SPDX-License-Identifier: MIT
// What the window tells assistive technology (screen readers, through MSAA
// and UI Automation) beyond what the standard controls tell of themselves.
#pragma once

#include <windows.h>

#include <vector>

#include "design.h"

struct IAccPropServices;

namespace calc {

// Names and descriptions the system cannot take from the controls' texts,
// and the result line as a polite live region, set through the system's
// annotation service. Where the service is missing, the controls keep what
// the system gives them.
class AccessibleAnnotations {
 public:
  AccessibleAnnotations() = default;
  ~AccessibleAnnotations();
  AccessibleAnnotations(const AccessibleAnnotations&) = delete;
  AccessibleAnnotations& operator=(const AccessibleAnnotations&) = delete;

  void Annotate(HWND control, const ControlDesign& design);
  // Makes a control a polite live region: a screen reader speaks its name
  // when AnnounceLiveRegion says it changed.
  void MakeLiveRegion(HWND control);
  void Describe(HWND control, std::u16string_view description);
  // Before the controls are destroyed: the system keeps annotations apart
  // from the windows.
  void Clear();

 private:
  bool Start();
  void Keep(HWND control);
  void SetText(HWND control, const GUID& property, std::u16string_view text);

  IAccPropServices* services_ = nullptr;
  bool com_started_ = false;
  bool tried_ = false;
  std::vector<HWND> annotated_;
};

// Tells screen readers that a live region has a new text, at once: before a
// focus change the handler makes next, which they speak after it. The system
// reports the changed name itself. An empty region says nothing.
void AnnounceLiveRegion(HWND live_region);

// Tells screen readers which item of a list box is selected (0-based), as a
// list opens on an item it had selected already.
void AnnounceSelection(HWND list, int item);

}  // namespace calc
