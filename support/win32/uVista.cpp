// SPDX-License-Identifier: MIT
#include "uVista.h"

#include <windows.h>
// Needs the types of windows.h.
#include <shlwapi.h>

namespace calc::win32 {

namespace {

template <typename Function>
Function Find(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace

bool ThemedDialogsAvailable() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&version) || version.dwMajorVersion < 6) return false;
#pragma GCC diagnostic pop

  const HMODULE theme = LoadLibraryW(L"uxtheme.dll");
  using ThemeQuery = BOOL(WINAPI*)();
  const auto is_app_themed = Find<ThemeQuery>(theme, "IsAppThemed");
  const auto is_theme_active = Find<ThemeQuery>(theme, "IsThemeActive");
  if (!is_app_themed || !is_theme_active || !is_app_themed() || !is_theme_active()) return false;

  const HMODULE controls = GetModuleHandleW(L"comctl32.dll");
  const auto get_version = Find<DLLGETVERSIONPROC>(controls, "DllGetVersion");
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  return get_version && SUCCEEDED(get_version(&info)) && info.dwMajorVersion >= 6;
}

bool MainInstructionFont(LOGFONTW& font) {
  const HMODULE theme = LoadLibraryW(L"uxtheme.dll");
  using OpenTheme = HANDLE(WINAPI*)(HWND, LPCWSTR);
  using CloseTheme = HRESULT(WINAPI*)(HANDLE);
  using ThemeFont = HRESULT(WINAPI*)(HANDLE, HDC, int, int, int, LOGFONTW*);
  const auto open_theme = Find<OpenTheme>(theme, "OpenThemeData");
  const auto close_theme = Find<CloseTheme>(theme, "CloseThemeData");
  const auto theme_font = Find<ThemeFont>(theme, "GetThemeFont");
  if (open_theme && close_theme && theme_font) {
    if (const HANDLE text_style = open_theme(nullptr, L"TEXTSTYLE")) {
      // TEXT_MAININSTRUCTION, TMT_FONT
      const bool found = SUCCEEDED(theme_font(text_style, nullptr, 1, 0, 210, &font));
      close_theme(text_style);
      if (found) return true;
    }
  }
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return false;
  font = metrics.lfMessageFont;
  font.lfHeight = font.lfHeight * 4 / 3;
  font.lfWeight = FW_BOLD;
  return true;
}

}  // namespace calc::win32
