// SPDX-License-Identifier: MIT
// The system calls of saving the settings file, on Unix. The sequence that
// makes them a save is the core's (savesequence.h).
#pragma once

#include "savesequence.h"

namespace calc {

class UnixFileCalls final : public FileCalls {
 public:
  std::u16string_view Separators() const override { return u"/"; }
  SameFileName NameComparison() const override { return SameFileNameExactly; }
  std::u16string FinalPath(std::u16string_view path) override;
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

 private:
  // Notes errno as the last failure; false, or kNoFile.
  bool Failed(int error);
};

}  // namespace calc
