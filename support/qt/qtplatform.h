// SPDX-License-Identifier: MIT
// The platform of the calculator's logic on Linux, through Qt.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QLocale>
#include <QString>

#include "design.h"
#include "platform.h"
#include "savefile.h"

namespace calc {

// The system's code page for files without a byte-order mark: the locale's
// character set, with Latin-1 for a plain ASCII locale so every byte of an
// existing file survives a rewrite.
QByteArray SystemCodePage();

QString ToQString(std::u16string_view text);
std::u16string ToU16(const QString& text);

QColor ToQColor(const ColourDesign& colour);
// The design colour where it is readable on the background, otherwise the
// theme's text colour (ReadableTextColour of the core).
QColor ReadableTextColour(const ColourDesign& design, const QColor& background, const QColor& theme_text);

class QtPlatform final : public Platform {
 public:
  QtPlatform();

  std::u16string GetAppDataFolder() override;
  bool FolderExists(std::u16string_view path) override;
  bool CreateFolder(std::u16string_view path) override;
  bool FileExistsAt(std::u16string_view path) override;
  char16_t PathSeparator() const override { return u'/'; }

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
  // Asked once: the system locale is looked up anew at every QLocale::system().
  QLocale locale_;
  UnixFileCalls files_;
};

}  // namespace calc
