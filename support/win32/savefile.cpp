// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace calc::win32 {

namespace {

// A save cut off between writing its temporary file and moving it into place
// leaves "NAME.XXXXXX" behind. One older than this is no other copy's save in
// progress.
constexpr ULONGLONG kStaleAfter100ns = 60ULL * 10'000'000ULL;

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

void RemoveStaleTemporaryFiles(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L'\\');
  const std::wstring folder = cut == std::wstring::npos ? L"" : path.substr(0, cut + 1);
  const std::wstring name = path.substr(folder.size());
  FILETIME now_time;
  GetSystemTimeAsFileTime(&now_time);
  const ULONGLONG now = Ticks(now_time);
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((path + L".??????").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring candidate = found.cFileName;
    const bool ours = candidate.size() == name.size() + 7 &&
                      CompareStringOrdinal(candidate.c_str(), static_cast<int>(name.size()), name.c_str(),
                                           static_cast<int>(name.size()), TRUE) == CSTR_EQUAL &&
                      candidate[name.size()] == L'.' &&
                      std::all_of(candidate.begin() + static_cast<std::ptrdiff_t>(name.size()) + 1, candidate.end(),
                                  [](wchar_t c) { return c < 128 && std::iswalnum(c); });
    if (ours && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        Ticks(found.ftLastWriteTime) + kStaleAfter100ns < now) {
      DeleteFileW((folder + candidate).c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
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
std::wstring TemporarySuffix(unsigned attempt) {
  static constexpr wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  unsigned long long seed = static_cast<unsigned long long>(counter.QuadPart) * 6364136223846793005ULL +
                            GetCurrentProcessId() * 1442695040888963407ULL + attempt;
  std::wstring suffix = L".";
  for (int i = 0; i < 6; ++i) {
    suffix += kAlphabet[seed % 62];
    seed /= 62;
  }
  return suffix;
}

// In a folder that cannot be written to, the file itself may still be.
bool WriteInPlace(const std::wstring& path, std::string_view bytes) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool written = WriteAll(file, bytes) && SetEndOfFile(file) && FlushFileBuffers(file);
  return CloseHandle(file) && written;
}

}  // namespace

ReadStatus ReadWholeFile(const std::wstring& path, std::size_t max_size, std::string& bytes) {
  bytes.clear();
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
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
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;

  RemoveStaleTemporaryFiles(path);
  std::wstring temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = path + TemporarySuffix(attempt);
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    return exists && GetLastError() == ERROR_ACCESS_DENIED && WriteInPlace(path, bytes);
  }
  const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
  bool saved = CloseHandle(file) && written;
  if (saved) {
    saved = exists
                ? ReplaceFileW(path.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                               nullptr) != 0
                : MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!saved) DeleteFileW(temporary.c_str());
  return saved;
}

}  // namespace calc::win32
