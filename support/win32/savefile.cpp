// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <windows.h>

#include <algorithm>

namespace calc::win32 {
namespace {

const wchar_t* Wide(const std::u16string& path) { return reinterpret_cast<const wchar_t*>(path.c_str()); }
std::u16string Text(std::u16string_view path) { return std::u16string(path); }
HANDLE Handle(FileCalls::File file) { return reinterpret_cast<HANDLE>(file); }
FileCalls::File FromHandle(HANDLE handle) { return reinterpret_cast<FileCalls::File>(handle); }

// Milliseconds since 1970, from the file times' tenths of microseconds
// since 1601.
std::int64_t Milliseconds(const FILETIME& time) {
  return static_cast<std::int64_t>(((ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime) / 10'000) -
         11'644'473'600'000;
}

// File names compare as the file system compares them: in any letter case.
bool SameFileNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                              reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

}  // namespace

bool WindowsFileCalls::Failed() {
  const DWORD error = GetLastError();
  const bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
  last_error = {taken                          ? Failure::kNameTaken
                : error == ERROR_ACCESS_DENIED ? Failure::kAccessDenied
                                               : Failure::kOther,
                static_cast<long>(error)};
  return false;
}

SameFileName WindowsFileCalls::NameComparison() const { return SameFileNameIgnoringCase; }

FileCalls::Look WindowsFileCalls::LookAt(std::u16string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty()) return {false, 0, Error{Failure::kOther, ERROR_PATH_NOT_FOUND}};
  if (!GetFileAttributesExW(Wide(Text(path)), GetFileExInfoStandard, &data)) return {};
  Look look{true, (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow, std::nullopt};
  if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    look.refused = Error{Failure::kAccessDenied, ERROR_ACCESS_DENIED};
  }
  return look;
}

// The search also matches short names: the policy checks every long name.
std::vector<FolderEntry> WindowsFileCalls::ListBeside(std::u16string_view path) {
  std::vector<FolderEntry> found;
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(Wide(TemporaryFilePattern(path)), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) continue;
    found.push_back({std::u16string(reinterpret_cast<const char16_t*>(entry.cFileName)),
                     (ULONGLONG{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow, Milliseconds(entry.ftLastWriteTime)});
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

FileCalls::File WindowsFileCalls::CreateNew(std::u16string_view path, std::u16string_view like) {
  // The new file keeps the old one's hidden and system marks.
  const DWORD old = like.empty() ? 0 : GetFileAttributesW(Wide(Text(like)));
  const DWORD kept = old == INVALID_FILE_ATTRIBUTES ? 0 : old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  const HANDLE file = CreateFileW(Wide(Text(path)), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  kept ? kept : FILE_ATTRIBUTE_NORMAL, nullptr);
  return file != INVALID_HANDLE_VALUE || Failed() ? FromHandle(file) : kNoFile;
}

FileCalls::File WindowsFileCalls::OpenInPlace(std::u16string_view path) {
  const HANDLE file =
      CreateFileW(Wide(Text(path)), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file != INVALID_HANDLE_VALUE || Failed() ? FromHandle(file) : kNoFile;
}

bool WindowsFileCalls::WriteWhole(File file, std::string_view bytes) {
  LARGE_INTEGER old_size;
  if (!GetFileSizeEx(Handle(file), &old_size)) return Failed();
  if (bytes.size() > static_cast<unsigned long long>(old_size.QuadPart)) {
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(bytes.size());
    // A file system that reserves nothing is no reason to refuse the save.
    if (!SetFileInformationByHandle(Handle(file), FileAllocationInfo, &room, sizeof room) &&
        (GetLastError() == ERROR_DISK_FULL || GetLastError() == ERROR_HANDLE_DISK_FULL)) {
      return Failed();
    }
  }
  if (SetFilePointer(Handle(file), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return Failed();
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD written = 0;
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(Handle(file), bytes.data() + done, piece, &written, nullptr) || written == 0) return Failed();
    done += written;
  }
  return SetEndOfFile(Handle(file)) || Failed();
}

bool WindowsFileCalls::Flush(File file) { return FlushFileBuffers(Handle(file)) || Failed(); }

bool WindowsFileCalls::Close(File file) { return CloseHandle(Handle(file)) || Failed(); }

bool WindowsFileCalls::RenameOver(std::u16string_view from, std::u16string_view to) {
  return MoveFileExW(Wide(Text(from)), Wide(Text(to)), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) || Failed();
}

bool WindowsFileCalls::RenameWithoutReplacing(std::u16string_view from, std::u16string_view to) {
  return MoveFileExW(Wide(Text(from)), Wide(Text(to)), MOVEFILE_WRITE_THROUGH) || Failed();
}

bool WindowsFileCalls::Remove(std::u16string_view path) { return DeleteFileW(Wide(Text(path))) || Failed(); }

FileCalls::File WindowsFileCalls::OpenLockFile(std::u16string_view path) {
  const HANDLE file = CreateFileW(Wide(Text(path)), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file != INVALID_HANDLE_VALUE || Failed() ? FromHandle(file) : kNoFile;
}

FileCalls::LockResult WindowsFileCalls::TryLock(File file) {
  OVERLAPPED at{};
  if (LockFileEx(Handle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    return LockResult::kLocked;
  }
  if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING) return LockResult::kBusy;
  Failed();
  return LockResult::kFailed;
}

}  // namespace calc::win32
