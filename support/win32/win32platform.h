// SPDX-License-Identifier: MIT
// The platform of the calculator's logic on Windows: the shell and file
// system, all-or-nothing saving, the ANSI code page and the user locale, the
// screen, the clipboard and the message boxes.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform.h"
#include "savefile.h"

namespace calc {

std::wstring ToWide(std::u16string_view text);
std::u16string ToU16(std::wstring_view text);

class Win32Platform : public Platform {
 public:
  // The window that owns the clipboard while it is set.
  void SetWindow(HWND window) { window_ = window; }

  std::u16string GetAppDataFolder() override;
  bool FolderExists(std::u16string_view path) override;
  bool CreateFolder(std::u16string_view path) override;
  bool FileExistsAt(std::u16string_view path) override;
  char16_t PathSeparator() const override { return u'\\'; }

  ReadStatus ReadWholeFile(std::u16string_view path, std::size_t max_size, std::string& bytes,
                           std::u16string& why) override;
  FileCalls& Files() override { return files_; }
  std::u16string ErrorText(long code) override;

  bool CodePageIsUtf8() override;
  std::u16string DecodeCodePage(std::string_view bytes) override;
  std::string EncodeCodePage(std::u16string_view text) override;

  std::u16string LocaleUpper(std::u16string_view text) override;

  ScreenSize PrimaryScreenSize() override;

  std::optional<std::u16string> SetClipboardText(std::u16string_view text) override;

  void ShowMessageBox(std::u16string_view message, std::u16string_view detail, std::u16string_view caption) override;
  void ShowErrorBox(std::u16string_view text) override;

 private:
  HWND window_ = nullptr;
  win32::WindowsFileCalls files_;
};

}  // namespace calc
