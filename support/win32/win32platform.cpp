// SPDX-License-Identifier: MIT
#include "win32platform.h"

#include <windows.h>

#include <algorithm>

#include "FUtils.h"
#include "mydialogs.h"
#include "savefile.h"
#include "systemerror.h"
#include "translation.h"

namespace calc {

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string ToU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Win32Platform::GetAppDataFolder() { return ToU16(win32::GetAppDataFolder()); }

bool Win32Platform::FolderExists(std::u16string_view path) { return win32::FolderExists(ToWide(path)); }

bool Win32Platform::CreateFolder(std::u16string_view path) { return win32::CreateFolder(ToWide(path)); }

bool Win32Platform::FileExistsAt(std::u16string_view path) { return win32::FileExistsAt(ToWide(path)); }

ReadStatus Win32Platform::ReadWholeFile(std::u16string_view path, std::size_t max_size, std::string& bytes,
                                        std::u16string& why) {
  DWORD error = ERROR_SUCCESS;
  const ReadStatus status = win32::ReadWholeFile(ToWide(path), max_size, bytes, &error);
  if (status == ReadStatus::kFailed) why = SystemErrorText(error);
  return status;
}

std::u16string Win32Platform::ErrorText(long code) { return SystemErrorText(static_cast<DWORD>(code)); }

bool Win32Platform::CodePageIsUtf8() { return GetACP() == CP_UTF8; }

std::u16string Win32Platform::DecodeCodePage(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), length);
  return ToU16(text);
}

std::string Win32Platform::EncodeCodePage(std::u16string_view text) {
  if (text.empty()) return {};
  const std::wstring wide = ToWide(text);
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

std::u16string Win32Platform::LocaleUpper(std::u16string_view text) {
  std::wstring upper = ToWide(text);
  if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  return ToU16(upper);
}

ScreenSize Win32Platform::PrimaryScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

std::optional<std::u16string> Win32Platform::SetClipboardText(std::u16string_view text) {
  // In English: the logic finds the message by its English text and
  // translates it.
  if (!OpenClipboard(window_)) return u"Cannot open clipboard: " + SystemErrorText(GetLastError());
  EmptyClipboard();
  // The text with its terminating NUL.
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  DWORD error = ERROR_NOT_ENOUGH_MEMORY;
  bool placed = false;
  if (memory) {
    if (auto* target = static_cast<wchar_t*>(GlobalLock(memory))) {
      std::copy(text.begin(), text.end(), target);
      target[text.size()] = L'\0';
      GlobalUnlock(memory);
      placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
      if (!placed) error = GetLastError();
    }
    if (!placed) GlobalFree(memory);
  }
  CloseClipboard();
  if (!placed) return u"Cannot set clipboard data: " + SystemErrorText(error);
  return std::nullopt;
}

void Win32Platform::ShowMessageBox(std::u16string_view message, std::u16string_view detail,
                                   std::u16string_view caption) {
  win32::ShowMessageBox(ToWide(message), ToWide(detail), ToWide(caption), RightToLeft());
}

void Win32Platform::ShowErrorBox(std::u16string_view text) { win32::ShowErrorBox(ToWide(text), RightToLeft()); }

}  // namespace calc
