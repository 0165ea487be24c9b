// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <vector>

namespace calc::win32 {

namespace {

// A save writes the new file beside the old one as
// "NAME.~exprcalc-XXXXXX-SIZE.tmp": six random letters or digits, then the
// number of bytes the file holds once it is whole. A name no one else would
// choose, and a size that tells a complete file from a cut-off one.
constexpr std::wstring_view kMark = L".~exprcalc-";
constexpr std::wstring_view kExtension = L".tmp";

// One older than this is no other copy's save in progress.
constexpr ULONGLONG kStaleAfter100ns = 60ULL * 10'000'000ULL;

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                                      static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool IsAsciiAlnum(wchar_t c) { return c < 128 && std::iswalnum(c); }

// The size a temporary file of ours for `name` has once complete, or -1 when
// `candidate` is no such file.
long long CompleteSize(std::wstring_view name, std::wstring_view candidate) {
  const std::size_t fixed = name.size() + kMark.size() + kExtension.size();
  // The file's own name in any letter case, as the file system sees it; the
  // rest exactly as this program writes it.
  if (candidate.size() < fixed + 8 || !SameIgnoringCase(candidate.substr(0, name.size()), name) ||
      candidate.substr(name.size(), kMark.size()) != kMark ||
      candidate.substr(candidate.size() - kExtension.size()) != kExtension) {
    return -1;
  }
  const std::wstring_view rest = candidate.substr(name.size() + kMark.size(), candidate.size() - fixed);
  const std::wstring_view digits = rest.substr(7);
  if (!std::all_of(rest.begin(), rest.begin() + 6, IsAsciiAlnum) || rest[6] != L'-' || digits.size() > 10 ||
      (digits.size() > 1 && digits[0] == L'0')) {
    return -1;
  }
  long long size = 0;
  for (const wchar_t c : digits) {
    if (c < L'0' || c > L'9') return -1;
    size = size * 10 + (c - L'0');
  }
  return size;
}

struct Temporary {
  std::wstring path;
  bool complete = false;
  ULONGLONG modified = 0;
};

// This program's temporary files for the path: plain files only, never a
// folder or a link, so nothing but our own leftovers is removed or taken.
std::vector<Temporary> OwnTemporaryFiles(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/");
  const std::wstring folder = cut == std::wstring::npos ? L"" : path.substr(0, cut + 1);
  const std::wstring name = path.substr(folder.size());
  std::vector<Temporary> found;
  WIN32_FIND_DATAW entry;
  // The search also matches short names: every long name is checked again.
  const HANDLE search = FindFirstFileW((path + std::wstring(kMark) + L"*" + std::wstring(kExtension)).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const long long size = CompleteSize(name, entry.cFileName);
    if (size >= 0 && (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
      const ULONGLONG actual = (ULONGLONG{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
      found.push_back({folder + entry.cFileName, actual == static_cast<ULONGLONG>(size), Ticks(entry.ftLastWriteTime)});
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

// Called only while the file is there: beside it a leftover is at most an
// older copy.
void RemoveStaleTemporaryFiles(const std::wstring& path) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  for (const Temporary& temporary : OwnTemporaryFiles(path)) {
    if (temporary.modified + kStaleAfter100ns < Ticks(now)) DeleteFileW(temporary.path.c_str());
  }
}

// A save cut off once its new file was whole but before the file took its
// place leaves that file as the only copy. With nothing at the path, the
// newest complete one takes it; a file that appears meanwhile is never
// replaced.
bool RecoverFromTemporaryFile(const std::wstring& path) {
  const std::vector<Temporary> temporaries = OwnTemporaryFiles(path);
  const Temporary* newest = nullptr;
  for (const Temporary& temporary : temporaries) {
    if (temporary.complete && (!newest || temporary.modified > newest->modified)) newest = &temporary;
  }
  return newest && MoveFileExW(newest->path.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
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

// Six letters and digits that differ from one call to the next.
std::wstring TemporaryName(const std::wstring& path, std::size_t size, unsigned attempt) {
  static constexpr wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  unsigned long long seed = static_cast<unsigned long long>(counter.QuadPart) * 6364136223846793005ULL +
                            GetCurrentProcessId() * 1442695040888963407ULL + attempt;
  std::wstring random;
  for (int i = 0; i < 6; ++i) {
    random += kAlphabet[seed % 62];
    seed /= 62;
  }
  return path + std::wstring(kMark) + random + L"-" + std::to_wstring(size) + std::wstring(kExtension);
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
  return CloseHandle(file) && written;
}

bool MoveIntoPlace(const std::wstring& temporary, const std::wstring& path) {
  // One rename: the old file is there until the new one is.
  return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

ReadStatus ReadWholeFile(const std::wstring& path, std::size_t max_size, std::string& bytes) {
  bytes.clear();
  const auto open = [&path] {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  };
  HANDLE file = open();
  DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  if (error == ERROR_FILE_NOT_FOUND && !path.empty() && RecoverFromTemporaryFile(path)) {
    file = open();
    error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  }
  if (file == INVALID_HANDLE_VALUE) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadStatus::kMissing : ReadStatus::kFailed;
  }
  LARGE_INTEGER size;
  bool read = GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) <= max_size;
  if (read) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (read && done < bytes.size()) {
      DWORD got = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
      read = ReadFile(file, bytes.data() + done, chunk, &got, nullptr) && got > 0;
      done += got;
    }
  }
  CloseHandle(file);
  if (!read) {
    bytes.clear();
    return ReadStatus::kFailed;
  }
  return ReadStatus::kRead;
}

bool WriteFileAtomically(const std::wstring& path, std::string_view bytes) {
  return detail::WriteFileAtomically(path, bytes, MoveIntoPlace);
}

bool RecoverInterruptedSave(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
         GetLastError() == ERROR_FILE_NOT_FOUND && RecoverFromTemporaryFile(path);
}

namespace detail {

bool WriteFileAtomically(const std::wstring& path, std::string_view bytes, FinalMove move) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;

  if (exists) RemoveStaleTemporaryFiles(path);
  // The new file keeps the old one's hidden and system marks.
  const DWORD kept = exists ? attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) : 0;
  std::wstring temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryName(path, bytes.size(), attempt);
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, kept ? kept : FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  // In a folder that may not be written to, a writable file is still saved.
  if (file == INVALID_HANDLE_VALUE) {
    return exists && GetLastError() == ERROR_ACCESS_DENIED && WriteInPlace(path, bytes);
  }
  const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
  if (!CloseHandle(file) || !written) {
    // Cut off before it was whole: no one's only copy.
    DeleteFileW(temporary.c_str());
    return false;
  }
  if (move(temporary, path)) return true;
  // The old file stays as it was; where there is none, the new file is the
  // only copy and the next reading takes it.
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(temporary.c_str());
  return false;
}

}  // namespace detail

}  // namespace calc::win32
