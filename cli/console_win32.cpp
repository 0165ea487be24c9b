// SPDX-License-Identifier: MIT
#include "console_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "systemerror.h"

namespace calc::cli {

namespace {

bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

bool IsConsoleHandle(HANDLE handle) {
  DWORD mode = 0;
  return IsValid(handle) && GetConsoleMode(handle, &mode) != 0;
}

bool WriteBytes(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 16));
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool WriteConsoleText(HANDLE handle, std::string_view utf8) {
  std::u16string wide;
  DecodeUtf8(utf8, wide);
  // Older consoles refuse very long single writes.
  std::size_t done = 0;
  while (done < wide.size()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
    if (!WriteConsoleW(handle, reinterpret_cast<const wchar_t*>(wide.data()) + done, chunk, &written, nullptr)) {
      return false;
    }
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    done += written;
  }
  return true;
}

// Where the second handle leads, seen from the first.
Streams::Place PlaceOf(HANDLE first, HANDLE second) {
  if (first == second) return Streams::Place::kSame;
  if (!IsValid(first) || !IsValid(second)) return Streams::Place::kApart;
  using Compare = BOOL(WINAPI*)(HANDLE, HANDLE);
  static const auto compare = [] {
    const HMODULE kernelbase = GetModuleHandleW(L"kernelbase.dll");
    FARPROC found = kernelbase != nullptr ? GetProcAddress(kernelbase, "CompareObjectHandles") : nullptr;
    return reinterpret_cast<Compare>(reinterpret_cast<void (*)()>(found));
  }();
  // A duplicated handle, as cmd.exe's 2>&1 makes.
  if (compare != nullptr && compare(first, second)) return Streams::Place::kSame;
  const DWORD type = GetFileType(first);
  if (type != GetFileType(second)) return Streams::Place::kApart;
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  if (type == FILE_TYPE_DISK && GetFileInformationByHandle(first, &a) && GetFileInformationByHandle(second, &b)) {
    const bool same = a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                      a.nFileIndexLow == b.nFileIndexLow;
    return same ? Streams::Place::kSame : Streams::Place::kApart;
  }
  // Two pipes or two devices may be one.
  return Streams::Place::kUnknown;
}

}  // namespace

HandleOutput::HandleOutput(unsigned long std_handle)
    : handle_(GetStdHandle(std_handle)), console_(IsConsoleHandle(handle_)) {}

bool HandleOutput::Write(std::string_view bytes) {
  bool written = false;
  if (!IsValid(handle_)) {
    SetLastError(ERROR_INVALID_HANDLE);
  } else if (!console_) {
    written = WriteBytes(handle_, bytes);
  } else {
    std::string text = pending_;
    text += bytes;
    pending_ = text.substr(CompleteUtf8Prefix(text));
    text.resize(text.size() - pending_.size());
    written = WriteConsoleText(handle_, text);
  }
  if (!written) error_ = GetLastError();
  return written;
}

std::string HandleOutput::ErrorText() const { return EncodeUtf8(SystemErrorText(error_)); }

HandleInput::HandleInput()
    : handle_(GetStdHandle(STD_INPUT_HANDLE)),
      console_(IsConsoleHandle(handle_)),
      type_(IsValid(handle_) ? GetFileType(handle_) : FILE_TYPE_UNKNOWN) {}

HandleInput::HandleInput(void* file) : handle_(file), owned_(true), console_(false), type_(GetFileType(file)) {}

HandleInput::~HandleInput() {
  if (owned_) CloseHandle(handle_);
}

std::ptrdiff_t HandleInput::Read(char* buffer, std::size_t size) {
  if (console_) {
    if (taken_ == text_.size()) ReadConsoleText();
    const std::size_t n = std::min(size, text_.size() - taken_);
    std::memcpy(buffer, text_.data() + taken_, n);
    taken_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }
  if (!IsValid(handle_)) {
    error_ = ERROR_INVALID_HANDLE;
    return -1;
  }
  DWORD got = 0;
  if (!ReadFile(handle_, buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20)), &got, nullptr)) {
    const DWORD error = GetLastError();
    // The writer closing its end of a pipe is the pipe's end of input.
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
    error_ = error;
    return -1;
  }
  return static_cast<std::ptrdiff_t>(got);
}

void HandleInput::ReadConsoleText() {
  text_.clear();
  taken_ = 0;
  while (text_.empty() && !ended_) {
    wchar_t wide[1024];
    DWORD got = 0;
    if (!ReadConsoleW(handle_, wide, 1024, &got, nullptr) || got == 0) {
      ended_ = true;
      break;
    }
    std::u16string chunk;
    if (high_surrogate_ != 0) chunk += high_surrogate_;
    high_surrogate_ = 0;
    chunk.append(wide, wide + got);
    if (line_start_ && chunk.front() == 0x1A) {
      ended_ = true;
      break;
    }
    line_start_ = chunk.back() == u'\n';
    if (chunk.back() >= 0xD800 && chunk.back() <= 0xDBFF) {
      high_surrogate_ = chunk.back();
      chunk.pop_back();
    }
    text_ = EncodeUtf8(chunk);
  }
}

bool HandleInput::WouldWait() {
  if (console_) return taken_ == text_.size();
  if (type_ == FILE_TYPE_DISK) return false;
  if (type_ == FILE_TYPE_PIPE) {
    // A pipe that cannot be looked into (Wine's for a Unix pipe) may wait.
    DWORD available = 0;
    return !PeekNamedPipe(handle_, nullptr, 0, nullptr, &available, nullptr) || available == 0;
  }
  return true;
}

std::string HandleInput::ErrorText() const { return EncodeUtf8(SystemErrorText(error_)); }

namespace {

// The name as Windows takes it; false when it is not UTF-8.
bool WideName(const std::string& name, std::wstring& wide) {
  std::u16string utf16;
  if (!DecodeUtf8(name, utf16)) return false;
  wide.assign(utf16.begin(), utf16.end());
  return true;
}

}  // namespace

std::unique_ptr<Input> HandleFiles::Open(const std::string& name, std::string& why) {
  std::wstring wide;
  if (!WideName(name, wide)) {
    why = EncodeUtf8(SystemErrorText(ERROR_INVALID_NAME));
    return nullptr;
  }
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsValid(file)) {
    why = EncodeUtf8(SystemErrorText(GetLastError()));
    return nullptr;
  }
  return std::make_unique<HandleInput>(file);
}

bool HandleFiles::IsFile(const std::string& name) {
  std::wstring wide;
  if (!WideName(name, wide)) return false;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Streams DescribeStandardStreams(const HandleInput& in, const HandleOutput& out, const HandleOutput& err) {
  Streams streams;
  streams.prompt = in.IsConsole();
  streams.out_each_line = out.IsConsole();
  streams.err_each_line = err.IsConsole();
  streams.visible_controls = err.IsConsole();
  streams.err_place = PlaceOf(out.handle(), err.handle());
  return streams;
}

std::string WideArgument(const wchar_t* argument) {
  return EncodeUtf8(std::u16string(argument, argument + std::wcslen(argument)));
}

}  // namespace calc::cli
