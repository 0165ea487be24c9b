// SPDX-License-Identifier: MIT
#include "accessibility.h"

#include <windows.h>
// Needs the types of windows.h.
#include <commctrl.h>
#include <oleacc.h>

#include <string>

#include "translation.h"
#include "win32platform.h"

namespace calc {
namespace {

// UI Automation's LiveSetting property and its value Polite, and the event
// of a changed live region (Windows 8 and later; earlier systems ignore it).
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;
constexpr DWORD kEventObjectLiveRegionChanged = 0x8019;

// The name the system gives a button or check box: its text without the
// access-key marks.
std::u16string WithoutAccessKeys(std::u16string_view text) {
  std::u16string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace

AccessibleAnnotations::~AccessibleAnnotations() {
  Clear();
  if (services_) services_->Release();
  if (com_started_) CoUninitialize();
}

bool AccessibleAnnotations::Start() {
  if (!tried_) {
    tried_ = true;
    com_started_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&services_)))) {
      services_ = nullptr;
    }
  }
  return services_ != nullptr;
}

void AccessibleAnnotations::Keep(HWND control) {
  if (annotated_.empty() || annotated_.back() != control) annotated_.push_back(control);
}

void AccessibleAnnotations::SetText(HWND control, const GUID& property, std::u16string_view text) {
  const std::wstring wide = ToWide(text);
  if (SUCCEEDED(services_->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, property, wide.c_str()))) {
    Keep(control);
  }
}

void AccessibleAnnotations::Annotate(HWND control, const ControlDesign& design) {
  if (!Start()) return;
  std::vector<HWND> parts{control};
  if (design.kind == ControlKind::kComboBox) {
    // The focus is in the box's edit field, which a screen reader names.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(control, &info) && info.hwndItem) parts.push_back(info.hwndItem);
  }
  const std::u16string_view description =
      Tr(design.accessible_description.empty() ? design.hint : design.accessible_description);
  const std::u16string_view name = Tr(design.accessible_name);
  const std::u16string text = WithoutAccessKeys(Tr(design.text));
  for (HWND part : parts) {
    if (!name.empty() && name != text) SetText(part, PROPID_ACC_NAME, name);
    if (!description.empty()) SetText(part, PROPID_ACC_DESCRIPTION, description);
  }
  if (design.kind == ControlKind::kLabel) MakeLiveRegion(control);
}

void AccessibleAnnotations::MakeLiveRegion(HWND control) {
  if (!Start()) return;
  VARIANT polite{};
  polite.vt = VT_I4;
  polite.lVal = kPolite;
  if (SUCCEEDED(services_->SetHwndProp(control, OBJID_CLIENT, CHILDID_SELF, kLiveSettingProperty, polite))) {
    Keep(control);
  }
}

void AccessibleAnnotations::Describe(HWND control, std::u16string_view description) {
  if (Start()) SetText(control, PROPID_ACC_DESCRIPTION, description);
}

void AccessibleAnnotations::Clear() {
  const MSAAPROPID properties[] = {PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION, kLiveSettingProperty};
  for (HWND control : annotated_) {
    services_->ClearHwndProps(control, OBJID_CLIENT, CHILDID_SELF, properties, static_cast<int>(std::size(properties)));
  }
  annotated_.clear();
}

void AnnounceLiveRegion(HWND live_region) {
  if (GetWindowTextLengthW(live_region) > 0) {
    NotifyWinEvent(kEventObjectLiveRegionChanged, live_region, OBJID_CLIENT, CHILDID_SELF);
  }
}

void AnnounceSelection(HWND list, int item) {
  // MSAA numbers a list's items from 1.
  NotifyWinEvent(EVENT_OBJECT_SELECTION, list, OBJID_CLIENT, item + 1);
}

}  // namespace calc
