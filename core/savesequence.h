// SPDX-License-Identifier: MIT
// Saving the settings file all-or-nothing, written once over the few system
// calls it is made of. Each platform implements FileCalls and nothing else
// (support/qt/savefile.cpp for Unix, support/win32/savefile.cpp for
// Windows); the order of the calls and what a failure of each means live
// here, the names and the age rule in savepolicy.h.
//
// The saves of all of the user's calculator processes take turns under
// SaveLock, a lock file beside the settings file ("brelmont.ini.lock") that
// the system releases when its holder ends, however it ends:
//
//   SaveLock lock(calls, path);        // waits at most SaveLock::kWait
//   ... read the file, merge, SaveFile(calls, path, bytes) ...
//                                      // released when `lock` goes
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"
#include "savepolicy.h"

namespace calc {

class FileCalls {
 public:
  using File = std::intptr_t;
  static constexpr File kNoFile = -1;

  // What a failed call means to the sequence, with the system's own code
  // (errno, GetLastError) for the words shown to the user.
  enum class Failure { kNone, kNameTaken, kAccessDenied, kOther };
  struct Error {
    Failure kind = Failure::kNone;
    long code = 0;
  };

  struct Look {
    bool exists = false;
    std::uint64_t size = 0;
    // Set when the file is there but a save may not replace it (a folder, a
    // read-only file): the error to report.
    std::optional<Error> refused;
  };

  enum class LockResult { kLocked, kBusy, kFailed };

  virtual ~FileCalls() = default;

  // The failure of the last call that failed.
  Error last_error;

  // The characters that end a folder in a path.
  virtual std::u16string_view Separators() const = 0;
  // How the file system compares names.
  virtual SameFileName NameComparison() const = 0;
  // The file a save at `path` replaces: a link's final target, so that the
  // link stays a link.
  virtual std::u16string FinalPath(std::u16string_view path) = 0;
  virtual Look LookAt(std::u16string_view path) = 0;
  // The plain files beside `path` (never a link or a folder) that may be its
  // temporary files; the policy checks each name. Their times are
  // milliseconds since 1970, as the system clock counts.
  virtual std::vector<FolderEntry> ListBeside(std::u16string_view path) = 0;
  // A new file, never an existing one (kNameTaken then), with the
  // permissions of the file at `like` when that is not empty.
  virtual File CreateNew(std::u16string_view path, std::u16string_view like) = 0;
  // An existing plain file, opened for writing without cutting it.
  virtual File OpenInPlace(std::u16string_view path) = 0;
  // Writes the bytes from the file's start and ends it after them; room is
  // taken first, so a full disk fails before an old byte changes.
  virtual bool WriteWhole(File file, std::string_view bytes) = 0;
  virtual bool Flush(File file) = 0;
  virtual bool Close(File file) = 0;
  // Renames `from` over `to` in one step, the new name on the disk as well.
  virtual bool RenameOver(std::u16string_view from, std::u16string_view to) = 0;
  // Renames, never over another file (kNameTaken then).
  virtual bool RenameWithoutReplacing(std::u16string_view from, std::u16string_view to) = 0;
  virtual bool Remove(std::u16string_view path) = 0;

  // A file held only as a lock: created when missing, never cut or removed.
  virtual File OpenLockFile(std::u16string_view path) = 0;
  // Locks the whole file for this process without waiting; the system
  // releases it when the file is closed or the process ends.
  virtual LockResult TryLock(File file) = 0;
};

// Replaces the file's contents all-or-nothing: the bytes go to a new
// temporary file beside it, are flushed, and the temporary file is renamed
// over it. On a failure the old file stays exactly as it was and no
// temporary file is left, unless there is no old file: then the complete
// temporary file is kept for RecoverInterruptedSave. A folder or a
// read-only file is refused. When the folder may not be written to but the
// file may, the file is rewritten in place, which a full disk cannot damage
// but a kill in the middle can. While the file is there, this program's
// stale temporary files for it are removed.
std::optional<FileCalls::Error> SaveFile(FileCalls& calls, std::u16string_view path, std::string_view bytes);

// When nothing is at the path but a cut-off save left a complete temporary
// file, the newest such file takes the path; true when one did. Without the
// lock only a stale one is taken: a fresh one may be another process's
// save, just before its rename.
bool RecoverInterruptedSave(FileCalls& calls, std::u16string_view path, bool locked);

// Renames a file too large to read aside, never over another file; kChanged
// when the file at `from` is no longer too large (another process's save
// replaced it since it was judged), which is then left alone.
RenameStatus MoveTooLargeAside(FileCalls& calls, std::u16string_view from, std::u16string_view to, std::size_t max_size,
                               FileCalls::Error& error);

// The lock of the saves of `path`. It waits for another process's save at
// most `wait`; when it cannot be had in that time, or no lock file can be
// made (a folder that may not be written to), held() is false and the save
// goes on without it.
class SaveLock {
 public:
  static constexpr std::chrono::milliseconds kWait{3000};
  static constexpr std::u16string_view kSuffix = u".lock";

  SaveLock(FileCalls& calls, std::u16string_view path, std::chrono::milliseconds wait = kWait);
  ~SaveLock();
  SaveLock(const SaveLock&) = delete;
  SaveLock& operator=(const SaveLock&) = delete;

  bool held() const { return file_ != FileCalls::kNoFile; }

 private:
  FileCalls& calls_;
  FileCalls::File file_ = FileCalls::kNoFile;
};

}  // namespace calc
