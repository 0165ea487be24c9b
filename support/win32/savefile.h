// SPDX-License-Identifier: MIT
// Reading and all-or-nothing writing of the settings file on Windows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "platform.h"

namespace calc::win32 {

// The whole file, read with read sharing only; kMissing when nothing is at
// the path, kTooLarge when it is larger than max_size, kFailed when it
// cannot be read, with the system's error code in `error`.
ReadStatus ReadWholeFile(const std::wstring& path, std::size_t max_size, std::string& bytes, DWORD* error = nullptr);

// Replaces the file's contents all-or-nothing: the bytes go to a temporary
// file in the same folder (savepolicy.h), are flushed to the disk
// and then take the file's place in one rename (MoveFileExW). On any failure
// the old file stays as it was and no temporary file is left, unless there
// is no old file: then the complete temporary file is kept for the next
// reading. A read-only file is a failure. When the folder cannot be written
// to but the file can, the file is rewritten in place, which a full disk
// cannot damage but a kill in the middle can. While the file is there, this
// program's temporary files for it older than a minute are removed.
// The system's error code of a failure goes to `error`.
bool WriteFileAtomically(const std::wstring& path, std::string_view bytes, DWORD* error = nullptr);

// Renames a file, never over another one; on kFailed, `error` is the
// system's error code.
RenameStatus RenameWithoutReplacing(const std::wstring& from, const std::wstring& to, DWORD* error = nullptr);

// When nothing is at the path but a save that was cut off left a complete
// temporary file, that file takes the path. True when it did.
bool RecoverInterruptedSave(const std::wstring& path);

namespace detail {

// The save with its final move replaced, so tests can refuse it.
using FinalMove = bool (*)(const std::wstring& temporary, const std::wstring& path);
bool WriteFileAtomically(const std::wstring& path, std::string_view bytes, FinalMove move, DWORD* error = nullptr);

}  // namespace detail

}  // namespace calc::win32
