// SPDX-License-Identifier: MIT
// The folder and file helpers on Windows. Paths are wide texts with '\'
// separators; none of these fails loudly: each answers with an empty text or
// false.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "platform.h"

namespace calc::win32 {

// The per-user roaming application-data folder (CSIDL_APPDATA), not created
// when missing; empty when the shell cannot supply it.
std::wstring GetAppDataFolder();
// A search for the path (one trailing '\' removed first), so wildcards select
// the first matching entry; true when that entry is a folder.
bool FolderExists(const std::wstring& path);
// One level only: false when the parent is missing or the folder exists.
bool CreateFolder(const std::wstring& path);
// An existing file that is not a folder, also when another program holds it
// open without sharing; a symbolic link counts when its target can be opened.
bool FileExistsAt(const std::wstring& path);
// The whole file, read with read sharing only; kMissing when nothing is at
// the path, kTooLarge when it is larger than max_size, kFailed when it
// cannot be read, with the system's error code in `error`.
ReadStatus ReadWholeFile(const std::wstring& path, std::size_t max_size, std::string& bytes, DWORD* error = nullptr);

}  // namespace calc::win32
