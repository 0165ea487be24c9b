// SPDX-License-Identifier: MIT
// The standard handles of a Windows console program as C++ streams. A console
// gets UTF-16 through ReadConsoleW and WriteConsoleW, so every character shows
// whatever the console's code page; a pipe or a file gets the UTF-8 bytes as
// they are, without CR LF translation, exactly as on Linux.
#pragma once

#include <streambuf>
#include <string>

namespace calc::cli {

// Writes UTF-8 text to a standard handle (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE).
// Text reaches the handle at every flush; a character split across two
// flushes is held back until it is whole.
class HandleOutput : public std::streambuf {
 public:
  explicit HandleOutput(unsigned long std_handle);
  ~HandleOutput() override;
  HandleOutput(const HandleOutput&) = delete;
  HandleOutput& operator=(const HandleOutput&) = delete;

  bool IsConsole() const { return console_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Flush();

  void* handle_;
  bool console_;
  char buffer_[4096];
  std::string pending_;  // the start of a character split by a flush
};

// Reads UTF-8 text from STD_INPUT_HANDLE. A console line typed as Ctrl+Z
// ends the input, as it does for every console program.
class HandleInput : public std::streambuf {
 public:
  HandleInput();
  HandleInput(const HandleInput&) = delete;
  HandleInput& operator=(const HandleInput&) = delete;

  bool IsConsole() const { return console_; }

 protected:
  int_type underflow() override;

 private:
  void* handle_;
  bool console_;
  bool ended_ = false;
  bool line_start_ = true;
  char16_t high_surrogate_ = 0;  // held until its low half is read
  std::string buffer_;
};

// The program's arguments as UTF-8 (an unpaired surrogate becomes U+FFFD).
std::string WideArgument(const wchar_t* argument);

}  // namespace calc::cli
