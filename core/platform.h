// SPDX-License-Identifier: MIT
// What the calculator's logic needs of the platform it runs on. Each
// platform (Qt on Linux, Win32 on Windows) implements it once; the logic and
// its tests never see a toolkit.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace calc {

class FileCalls;

struct ScreenSize {
  int width = 0;
  int height = 0;
};

enum class ReadStatus {
  kRead,      // the file's bytes were read
  kMissing,   // nothing at the path: not an error, the file is made at close
  kTooLarge,  // a file larger than the limit: not read
  kFailed,    // something is there and cannot be read
};

enum class RenameStatus {
  kRenamed,
  kNameTaken,  // something has the new name already: it stays as it was
  kChanged,    // the file is no longer the one judged: it is left alone
  kFailed,
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Folders and files. None of these fails loudly: each answers with an
  // empty text or false.
  virtual std::u16string GetAppDataFolder() = 0;
  virtual bool FolderExists(std::u16string_view path) = 0;
  virtual bool CreateFolder(std::u16string_view path) = 0;  // one level
  virtual bool FileExistsAt(std::u16string_view path) = 0;  // a file, not a folder
  // The separator JoinPath puts between a folder and a name.
  virtual char16_t PathSeparator() const = 0;

  // Reads a whole file of at most max_size bytes. On kFailed, `why` is the
  // system's description of the failure.
  virtual ReadStatus ReadWholeFile(std::u16string_view path, std::size_t max_size, std::string& bytes,
                                   std::u16string& why) = 0;
  // The system calls that saving is made of (savesequence.h).
  virtual FileCalls& Files() = 0;
  // The system's description of one of their error codes.
  virtual std::u16string ErrorText(long code) = 0;

  // The system's code page for files without a byte-order mark.
  virtual bool CodePageIsUtf8() = 0;
  virtual std::u16string DecodeCodePage(std::string_view bytes) = 0;
  virtual std::string EncodeCodePage(std::u16string_view text) = 0;

  // The user locale's upper-casing: settings names and history entries
  // match as it upper-cases them (SameIgnoringCase).
  virtual std::u16string LocaleUpper(std::u16string_view text) = 0;

  virtual ScreenSize PrimaryScreenSize() = 0;

  // Puts Unicode text on the clipboard; the failure's message when it cannot.
  virtual std::optional<std::u16string> SetClipboardText(std::u16string_view text) = 0;

  // The message box helper: one modal box, a single OK, no icon. An empty
  // caption means the application title.
  virtual void ShowMessageBox(std::u16string_view message, std::u16string_view detail, std::u16string_view caption) = 0;
  // The generic error display: the text, the application title, an error
  // icon and OK.
  virtual void ShowErrorBox(std::u16string_view text) = 0;
};

}  // namespace calc
