// SPDX-License-Identifier: MIT
#include "console_win32.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "cli.h"

namespace calc::cli {

namespace {

bool IsConsoleHandle(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool WriteBytes(HANDLE handle, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 16));
    if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

bool WriteConsoleText(HANDLE handle, const std::string& utf8) {
  if (utf8.empty()) return true;
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (length <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  // Older consoles refuse very long single writes.
  std::size_t done = 0;
  while (done < wide.size()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
    if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

}  // namespace

HandleOutput::HandleOutput(unsigned long std_handle)
    : handle_(GetStdHandle(std_handle)), console_(IsConsoleHandle(handle_)) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

HandleOutput::~HandleOutput() { Flush(); }

HandleOutput::int_type HandleOutput::overflow(int_type c) {
  if (!Flush()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int HandleOutput::sync() { return Flush() ? 0 : -1; }

bool HandleOutput::Flush() {
  std::string text = pending_;
  text.append(pbase(), pptr());
  pending_.clear();
  setp(buffer_, buffer_ + sizeof buffer_);
  if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return false;
  if (!console_) return WriteBytes(handle_, text);
  pending_ = text.substr(CompleteUtf8Prefix(text));
  text.resize(text.size() - pending_.size());
  return WriteConsoleText(handle_, text);
}

HandleInput::HandleInput() : handle_(GetStdHandle(STD_INPUT_HANDLE)), console_(IsConsoleHandle(handle_)) {}

HandleInput::int_type HandleInput::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  buffer_.clear();
  while (buffer_.empty() && !ended_) {
    if (console_) {
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
      buffer_ = EncodeUtf8(chunk);
    } else {
      char bytes[4096];
      DWORD got = 0;
      if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE ||
          !ReadFile(handle_, bytes, sizeof bytes, &got, nullptr) || got == 0) {
        ended_ = true;
        break;
      }
      buffer_.assign(bytes, got);
    }
  }
  if (buffer_.empty()) return traits_type::eof();
  setg(buffer_.data(), buffer_.data(), buffer_.data() + buffer_.size());
  return traits_type::to_int_type(*gptr());
}

std::string WideArgument(const wchar_t* argument) {
  return EncodeUtf8(std::u16string(argument, argument + std::wcslen(argument)));
}

}  // namespace calc::cli
