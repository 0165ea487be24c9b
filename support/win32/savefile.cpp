// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "savepolicy.h"

namespace calc::win32 {

namespace {

// Milliseconds since 1601, the file times' own clock.
std::int64_t Milliseconds(const FILETIME& time) {
  return static_cast<std::int64_t>(((ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime) / 10'000);
}

std::u16string_view View(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// File names compare as the file system compares them: in any letter case.
bool SameFileNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                              reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? L"" : path.substr(0, cut + 1);
}

std::u16string NameOf(const std::wstring& path) { return std::u16string(View(path).substr(FolderOf(path).size())); }

// The plain files beside the path (never a folder or a link, so nothing but
// our own leftovers is removed or taken) that the search pattern finds. The
// search also matches short names: the policy checks every long name again.
std::vector<FolderEntry> PlainFilesBeside(const std::wstring& path) {
  std::vector<FolderEntry> found;
  const std::u16string pattern = TemporaryFilePattern(View(path));
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) continue;
    found.push_back({std::u16string(View(entry.cFileName)), (ULONGLONG{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow,
                     Milliseconds(entry.ftLastWriteTime)});
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

std::wstring Beside(const std::wstring& path, std::u16string_view name) {
  return FolderOf(path) + std::wstring(name.begin(), name.end());
}

void RemoveStaleTemporaryFiles(const std::wstring& path) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const std::vector<std::u16string> stale =
      StaleTemporaryFiles(PlainFilesBeside(path), NameOf(path), Milliseconds(now), SameFileNameIgnoringCase);
  for (const std::u16string& name : stale) DeleteFileW(Beside(path, name).c_str());
}

// A file that appears meanwhile is never replaced.
bool RecoverFromTemporaryFile(const std::wstring& path) {
  const std::optional<std::u16string> taken =
      TemporaryFileToRecover(PlainFilesBeside(path), NameOf(path), SameFileNameIgnoringCase);
  return taken && MoveFileExW(Beside(path, *taken).c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

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

// A seed that differs from one call to the next.
std::uint64_t RandomSeed(unsigned attempt) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<std::uint64_t>(counter.QuadPart) * 6364136223846793005ULL +
         GetCurrentProcessId() * 1442695040888963407ULL + attempt;
}

// A new file under a temporary name beside the path, open for writing;
// INVALID_HANDLE_VALUE, with the last error set, when none can be made.
HANDLE CreateTemporaryFile(const std::wstring& path, std::size_t size, DWORD attributes, std::wstring& temporary) {
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = Beside(path, TemporaryFileName(NameOf(path), RandomSeed(attempt), size));
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return file;
}

// The folder forbids a new file, so the file is rewritten where it is. Room
// for a larger file is taken first, so a full disk fails before any old byte
// changes, and the file is cut to its new length last.
bool WriteInPlace(const std::wstring& path, std::string_view bytes) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER old_size;
  bool written = GetFileSizeEx(file, &old_size) != 0;
  if (written && bytes.size() > static_cast<unsigned long long>(old_size.QuadPart)) {
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(bytes.size());
    // A file system that reserves nothing is no reason to refuse the save.
    written = SetFileInformationByHandle(file, FileAllocationInfo, &room, sizeof room) != 0 ||
              (GetLastError() != ERROR_DISK_FULL && GetLastError() != ERROR_HANDLE_DISK_FULL);
  }
  written = written && WriteAll(file, bytes) && SetEndOfFile(file) && FlushFileBuffers(file);
  const DWORD error = GetLastError();
  const bool closed = CloseHandle(file);
  if (closed && !written) SetLastError(error);
  return closed && written;
}

bool Failed(DWORD error) {
  SetLastError(error);
  return false;
}

// Writes the bytes to the new file and closes it; false, with the last
// error set, when that fails.
bool FillTemporaryFile(HANDLE file, const std::wstring& temporary, std::string_view bytes) {
  bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
  DWORD error = written ? ERROR_SUCCESS : GetLastError();
  if (!CloseHandle(file) && written) {
    written = false;
    error = GetLastError();
  }
  if (!written) {
    // Cut off before it was whole: no one's only copy.
    DeleteFileW(temporary.c_str());
    return Failed(error);
  }
  return true;
}

bool MoveIntoPlace(const std::wstring& temporary, const std::wstring& path) {
  // One rename: the old file is there until the new one is.
  return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
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

bool WriteFileAtomically(const std::wstring& path, std::string_view bytes, DWORD* error) {
  return detail::WriteFileAtomically(path, bytes, MoveIntoPlace, error);
}

RenameStatus RenameWithoutReplacing(const std::wstring& from, const std::wstring& to, DWORD* error) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return RenameStatus::kRenamed;
  const DWORD failure = GetLastError();
  if (failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS) return RenameStatus::kNameTaken;
  if (error) *error = failure;
  return RenameStatus::kFailed;
}

bool RecoverInterruptedSave(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
         GetLastError() == ERROR_FILE_NOT_FOUND && RecoverFromTemporaryFile(path);
}

namespace detail {

namespace {

bool Save(const std::wstring& path, std::string_view bytes, FinalMove move) {
  if (path.empty()) return Failed(ERROR_PATH_NOT_FOUND);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return Failed(ERROR_ACCESS_DENIED);
  }

  if (exists) RemoveStaleTemporaryFiles(path);
  // The new file keeps the old one's hidden and system marks.
  const DWORD kept = exists ? attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) : 0;
  std::wstring temporary;
  const HANDLE file = CreateTemporaryFile(path, bytes.size(), kept ? kept : FILE_ATTRIBUTE_NORMAL, temporary);
  // In a folder that may not be written to, a writable file is still saved.
  if (file == INVALID_HANDLE_VALUE) {
    return exists && GetLastError() == ERROR_ACCESS_DENIED && WriteInPlace(path, bytes);
  }
  if (!FillTemporaryFile(file, temporary, bytes)) return false;
  if (move(temporary, path)) return true;
  const DWORD error = GetLastError();
  // The old file stays as it was; where there is none, the new file is the
  // only copy and the next start takes it.
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(temporary.c_str());
  return Failed(error);
}

}  // namespace

bool WriteFileAtomically(const std::wstring& path, std::string_view bytes, FinalMove move, DWORD* error) {
  SetLastError(ERROR_SUCCESS);
  if (Save(path, bytes, move)) return true;
  if (error) *error = GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT : GetLastError();
  return false;
}

}  // namespace detail

}  // namespace calc::win32
