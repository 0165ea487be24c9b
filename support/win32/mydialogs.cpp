// SPDX-License-Identifier: MIT
#include "mydialogs.h"

#include <windows.h>
// Needs the types of windows.h.
#include <commctrl.h>

#include "uVista.h"

namespace calc::win32 {

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
      // As wide as its lines, so that they break only where the text does.
      config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_SIZE_TO_CONTENT | (right_to_left ? TDF_RTL_LAYOUT : 0);
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
