// SPDX-License-Identifier: MIT
#include "FUtils.h"

#include <windows.h>
// Needs the types of windows.h.
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

namespace calc::win32 {

std::wstring GetAppDataFolder() {
  wchar_t buffer[262] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE)) return {};
  return std::wstring(buffer, wcsnlen(buffer, 261));
}

namespace {

// The first entry a search for the path finds.
bool FindFirst(const std::wstring& path, WIN32_FIND_DATAW& found) {
  const HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

}  // namespace

bool FolderExists(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring searched = path;
  if (searched.back() == L'\\') searched.pop_back();
  WIN32_FIND_DATAW found;
  return FindFirst(searched, found) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

bool FileExistsAt(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) return false;
    // Locked or not readable: the folder listing still tells.
    WIN32_FIND_DATAW found;
    return FindFirst(path, found) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  // A link: its target must be there.
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return true;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}

namespace {

// Fills all of `bytes` from the file; false, with the last error set, when
// it ends or fails first.
bool ReadAll(HANDLE file, std::string& bytes) {
  bool read = true;
  std::size_t done = 0;
  while (read && done < bytes.size()) {
    DWORD got = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    read = ReadFile(file, bytes.data() + done, chunk, &got, nullptr) && got > 0;
    if (read) done += got;
  }
  return read;
}

}  // namespace

ReadStatus ReadWholeFile(const std::wstring& path, std::size_t max_size, std::string& bytes, DWORD* error) {
  bytes.clear();
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD failure = GetLastError();
    if (failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND) return ReadStatus::kMissing;
    if (error) *error = failure;
    return ReadStatus::kFailed;
  }
  LARGE_INTEGER size;
  bool read = GetFileSizeEx(file, &size) != 0;
  const bool too_large = read && static_cast<unsigned long long>(size.QuadPart) > max_size;
  if (read && !too_large) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    read = ReadAll(file, bytes);
  }
  const DWORD failure = read ? ERROR_SUCCESS : GetLastError();
  CloseHandle(file);
  if (too_large || !read) {
    bytes.clear();
    if (!read && error) *error = failure == ERROR_SUCCESS ? ERROR_HANDLE_EOF : failure;
    return too_large ? ReadStatus::kTooLarge : ReadStatus::kFailed;
  }
  return ReadStatus::kRead;
}

}  // namespace calc::win32
