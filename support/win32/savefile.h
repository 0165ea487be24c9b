// SPDX-License-Identifier: MIT
// The system calls of saving the settings file, on Windows. The sequence
// that makes them a save is the core's (savesequence.h).
#pragma once

#include <windows.h>

#include "savesequence.h"

namespace calc::win32 {

class WindowsFileCalls : public FileCalls {
 public:
  std::u16string_view Separators() const override { return u"\\/"; }
  SameFileName NameComparison() const override;
  std::u16string FinalPath(std::u16string_view path) override { return std::u16string(path); }
  Look LookAt(std::u16string_view path) override;
  std::vector<FolderEntry> ListBeside(std::u16string_view path) override;
  File CreateNew(std::u16string_view path, std::u16string_view like) override;
  File OpenInPlace(std::u16string_view path) override;
  bool WriteWhole(File file, std::string_view bytes) override;
  bool Flush(File file) override;
  bool Close(File file) override;
  bool RenameOver(std::u16string_view from, std::u16string_view to) override;
  bool RenameWithoutReplacing(std::u16string_view from, std::u16string_view to) override;
  bool Remove(std::u16string_view path) override;
  File OpenLockFile(std::u16string_view path) override;
  LockResult TryLock(File file) override;

 protected:
  // Notes the last error as the last failure; false.
  bool Failed();
};

}  // namespace calc::win32
