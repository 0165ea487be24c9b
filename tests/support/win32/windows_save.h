// SPDX-License-Identifier: MIT
// The save as the program makes it on Windows, the core's sequence over
// the system's calls, in the forms the tests use.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "savefile.h"

namespace calc::win32::test {

inline std::u16string U16(const std::wstring& path) { return std::u16string(path.begin(), path.end()); }

// On a failure, `error` is the system's error code.
inline bool WriteFileAtomically(const std::wstring& path, std::string_view bytes, DWORD* error = nullptr) {
  WindowsFileCalls calls;
  const std::optional<FileCalls::Error> failure = SaveFile(calls, U16(path), bytes);
  if (failure && error) *error = static_cast<DWORD>(failure->code);
  return !failure;
}

// As a save that holds the lock recovers.
inline bool RecoverInterruptedSave(const std::wstring& path) {
  WindowsFileCalls calls;
  return calc::RecoverInterruptedSave(calls, U16(path), true);
}

}  // namespace calc::win32::test
